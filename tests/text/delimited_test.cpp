#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/delimited.h"

namespace pkt {
namespace {

using Fields = std::vector<std::string>;

TEST(DelimitedText, JoinsWithTabsAndQuotesWhereNeeded) {
  EXPECT_EQ(DelimitedText({"a", "b", "c"}), "a\tb\tc");
  EXPECT_EQ(DelimitedText({"2016-04-06 13:29:48.005", "Входящий", "1101"}),
            "\"2016-04-06 13:29:48.005\"\tВходящий\t1101");
  EXPECT_EQ(DelimitedText({"Сообщение ", "MF_TYPE_ID: 8"}), "\"Сообщение \"\t\"MF_TYPE_ID: 8\"");
  EXPECT_EQ(DelimitedText({"say \"hi\""}), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(DelimitedText({"\""}), "\"\"\"\"");
  EXPECT_EQ(DelimitedText({"a\"b"}), "\"a\"\"b\"");
  // Every byte 0x01-0x20 makes a field quoted; 0x00, 0x21 and high bytes do not.
  for (int b = 1; b <= 0x20; ++b) EXPECT_EQ(DelimitedText({std::string(1, char(b))}), "\"" + std::string(1, char(b)) + "\"") << b;
  EXPECT_EQ(DelimitedText({std::string(1, '\0')}), std::string(1, '\0'));
  EXPECT_EQ(DelimitedText({"!", "\x7F", "\xA0"}), "!\t\x7F\t\xA0");
}

TEST(DelimitedText, EmptyFieldsAndLists) {
  EXPECT_EQ(DelimitedText({}), "");
  EXPECT_EQ(DelimitedText({""}), "\"\"");
  EXPECT_EQ(DelimitedText({"", ""}), "\t");
  EXPECT_EQ(DelimitedText({"a", ""}), "a\t");
  EXPECT_EQ(DelimitedText({"", "a", ""}), "\ta\t");
}

TEST(DelimitedLine, EndsWithCrLfAndAppends) {
  std::string out;
  AppendDelimitedLine(out, Fields{"a b", "c"});
  AppendDelimitedLine(out, Fields{});
  AppendDelimitedLine(out, Fields{""});
  AppendDelimitedLine(out, {"x", "y z"});
  EXPECT_EQ(out, "\"a b\"\tc\r\n\r\n\"\"\r\nx\t\"y z\"\r\n");
  // A reused buffer: cleared by the caller, filled again.
  out.clear();
  AppendDelimitedText(out, {""});
  EXPECT_EQ(out, "\"\"");
}

// The block buffer's form and the ASCII test decide eight bytes at a time:
// every byte at every place of texts of every length up to three words must
// decide as the byte-by-byte rules decide.
TEST(DelimitedText, TheBlockBufferFormQuotesAsTheStringForm) {
  for (std::size_t length = 1; length <= 24; ++length) {
    for (std::size_t at = 0; at < length; ++at) {
      for (int b = 0; b < 256; ++b) {
        std::string field(length, 'a');
        field[at] = static_cast<char>(b);
        std::string expected;
        AppendDelimitedField(expected, field);
        TTextBuffer out;
        AppendDelimitedField(out, field);
        ASSERT_EQ(out.str(), expected) << "length " << length << " byte " << b << " at " << at;
        ASSERT_EQ(IsAsciiWithoutQuotes(field), b < 0x80 && b != '"') << "length " << length << " byte " << b;
      }
    }
  }
}

}  // namespace
}  // namespace pkt
