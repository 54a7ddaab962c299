// The export writes renderer texts (UTF-8) as cp1251 fields in one pass; the
// bytes must be those of converting first and quoting the cp1251 text after.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/codepage.h"
#include "text/delimited.h"

namespace pkt {
namespace {

std::string OnePass(std::string_view utf8, std::string out = {}) {
  AppendDelimitedUtf8Field(out, utf8);
  return out;
}

std::string TwoSteps(std::string_view utf8, std::string out = {}) {
  AppendDelimitedField(out, Utf8ToCp1251(utf8));
  return out;
}

TEST(DelimitedUtf8Field, QuotesConvertsAndDoublesLikeTheTwoSteps) {
  EXPECT_EQ(OnePass(""), "");
  EXPECT_EQ(OnePass("MF_ROOT"), "MF_ROOT");
  EXPECT_EQ(OnePass("MF_EMITENT_ID: 1102"), "\"MF_EMITENT_ID: 1102\"");
  EXPECT_EQ(OnePass("a\"b"), "\"a\"\"b\"");
  EXPECT_EQ(OnePass("\"\""), "\"\"\"\"\"\"");
  EXPECT_EQ(OnePass("Пн-Пт"), "\xCF\xED-\xCF\xF2");
  EXPECT_EQ(OnePass("Сообщение "), "\"\xD1\xEE\xEE\xE1\xF9\xE5\xED\xE8\xE5 \"");
  // A zero byte needs no quotes; a tab and every control byte do.
  EXPECT_EQ(OnePass(std::string("abcdefgh\0ijk", 12)), std::string("abcdefgh\0ijk", 12));
  EXPECT_EQ(OnePass("abcdefgh\tijk"), "\"abcdefgh\tijk\"");
  EXPECT_EQ(OnePass("\x01"), "\"\x01\"");
  // A sequence cut short by a quote gives '?' and the quote still counts.
  EXPECT_EQ(OnePass("\xD0\""), "\"?\"\"\"");
  // What is already in the output stays in front.
  EXPECT_EQ(OnePass("x y", "head\t"), "head\t\"x y\"");
}

TEST(DelimitedUtf8Field, AgreesWithTheTwoStepsOnMixedTexts) {
  // Texts of every length around the eight-byte steps, drawn from the bytes
  // that matter: ASCII letters, blanks, quotes, zero and control bytes, Cyrillic
  // and other sequences, stray continuation bytes and impossible lead bytes.
  const std::string pieces[] = {"a", "Z", "0", " ", "\"", std::string(1, '\0'), "\t", "\x1F", "!", "~", "\x7F",
                                "Ж", "я", "ё", "№", "€", "\xC2\xA0", "\xF0\x9F\x98\x80", "\x80", "\xBF", "\xC0",
                                "\xC1\x81", "\xE0\x80", "\xED\xA0\x80", "\xF5", "\xFF", "\xD0", "\xE2\x82"};
  std::mt19937 random(20160406);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int count = static_cast<int>(random() % 24);
    for (int i = 0; i < count; ++i) text += pieces[random() % std::size(pieces)];
    ASSERT_EQ(OnePass(text, "\t"), TwoSteps(text, "\t")) << "round " << round;
  }
}

TEST(DelimitedUtf8Field, LongPlainTextsCopyWhole) {
  for (std::size_t n = 0; n < 40; ++n) {
    const std::string plain(n, 'k');
    EXPECT_EQ(OnePass(plain), plain);
    const std::string quoted = plain + " " + plain;
    EXPECT_EQ(OnePass(quoted), "\"" + quoted + "\"");
    const std::string cyrillic = plain + "Ы" + plain;
    EXPECT_EQ(OnePass(cyrillic), TwoSteps(cyrillic));
  }
}

}  // namespace
}  // namespace pkt
