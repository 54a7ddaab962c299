// The export's block buffer: what is appended reads back in order across
// every growth, room handed out keeps what was written before it, and a
// cleared buffer is reused without losing bytes of the next text.
#include <gtest/gtest.h>

#include <string>

#include "text/delimited.h"
#include "text/text_buffer.h"

namespace pkt {
namespace {

TEST(TextBuffer, AppendsInOrderAcrossGrowth) {
  TTextBuffer buffer;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    const std::string piece = std::to_string(i * 7919);
    buffer.Append(piece);
    buffer.Append('|');
    buffer.Append2('\r', '\n');
    expected += piece + "|\r\n";
  }
  EXPECT_EQ(buffer.view(), expected);
  EXPECT_GE(buffer.capacity(), buffer.size());
}

TEST(TextBuffer, PiecesOfEveryShortLengthCopyExactly) {
  // Short pieces are copied by overlapping words: every length around the
  // word sizes, at every alignment of the source and the buffer.
  const std::string source = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJ";
  for (std::size_t at = 0; at < 8; ++at) {
    TTextBuffer buffer;
    std::string expected;
    buffer.Append(source.data(), at);
    expected.append(source, 0, at);
    for (std::size_t n = 0; n <= 40; ++n) {
      buffer.Append(source.data() + n % 5, n);
      expected.append(source, n % 5, n);
    }
    EXPECT_EQ(buffer.view(), expected) << "starting at " << at;
  }
}

TEST(TextBuffer, RoomKeepsTheTextAndCommitTakesWhatWasWritten) {
  TTextBuffer buffer;
  buffer.Append("head");
  // More room than the buffer holds: it grows and keeps "head".
  char* room = buffer.Room(100000);
  EXPECT_EQ(buffer.size(), 4u);
  room[0] = 'x';
  room[1] = 'y';
  buffer.Commit(room + 2);
  EXPECT_EQ(buffer.str(), "headxy");
  // Room that is not committed is not text.
  buffer.Room(10)[0] = 'z';
  EXPECT_EQ(buffer.str(), "headxy");
}

TEST(TextBuffer, ClearedBufferIsReused) {
  TTextBuffer buffer;
  buffer.reserve(1 << 16);
  const std::size_t capacity = buffer.capacity();
  buffer.Append(std::string(1000, 'a'));
  buffer.clear();
  EXPECT_TRUE(buffer.empty());
  buffer.Append("b");
  EXPECT_EQ(buffer.str(), "b");
  EXPECT_EQ(buffer.capacity(), capacity);
}

TEST(TextBuffer, DelimitedFieldsAreTheBytesOfTheStringForms) {
  const std::string texts[] = {"", "MF_ROOT", "MF_EMITENT_ID: 1102", "a\"b", "Сообщение ", "x\ty",
                               std::string("a\0b c", 5), std::string(300, 'k') + "Ы \""};
  for (const std::string& text : texts) {
    TTextBuffer buffer;
    buffer.Append("\t");
    AppendDelimitedUtf8Field(buffer, text);
    AppendDelimitedField(buffer, text);
    std::string expected = "\t";
    AppendDelimitedUtf8Field(expected, text);
    AppendDelimitedField(expected, text);
    EXPECT_EQ(buffer.view(), expected) << text;
  }
}

}  // namespace
}  // namespace pkt
