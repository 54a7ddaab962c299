#include <gtest/gtest.h>

#include "iso8583/decode_log.h"
#include "support/bytes.h"

namespace pkt {
namespace {

using test::Bytes;

std::string Dump(const Bytes& b) {
  TDecodeLog log;
  HexDump(log, b.data(), b.size());
  return log.text();
}

Bytes Counting(std::size_t n, int first = 0x41) {
  Bytes b;
  for (std::size_t i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(first + i));
  return b;
}

TEST(HexDump, LinesAndLabels) {
  EXPECT_EQ(Dump({}), "0000 ");

  // 15 bytes: one short line, the characters padded into their column.
  EXPECT_EQ(Dump(Counting(15)),
            "0000 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F      ABCDEFGHIJKLMNO\n");

  // A full line ends with the label of the next one and no line feed.
  EXPECT_EQ(Dump(Counting(16)),
            "0000 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50   ABCDEFGHIJKLMNOP\n"
            "0010 ");
  EXPECT_EQ(Dump(Counting(17)),
            "0000 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50   ABCDEFGHIJKLMNOP\n"
            "0010 51                                                Q\n");
  EXPECT_EQ(Dump(Counting(32)),
            "0000 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50   ABCDEFGHIJKLMNOP\n"
            "0010 51 52 53 54 55 56 57 58 59 5A 5B 5C 5D 5E 5F 60   QRSTUVWXYZ[\\]^_`\n"
            "0020 ");
}

TEST(HexDump, UnprintableBytesShowAsDots) {
  EXPECT_EQ(Dump(test::B({0x00, 0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xC0, 0xFF})),
            "0000 00 1F 20 7E 7F 80 C0 FF                           .. ~....\n");
}

TEST(IsoValues, BytesToHexAndBcd) {
  Bytes b = test::B({0x9F, 0x36, 0x02, 0x00, 0x0a});
  EXPECT_EQ(BytesToHex(b.data(), b.size()), "9F3602000A");
  EXPECT_EQ(BytesToHex(b.data(), 0), std::nullopt);

  Bytes bcd = test::B({0x01, 0x23});
  EXPECT_EQ(BcdLength(bcd.data()), 123);
  bcd = test::B({0x99, 0x99});
  EXPECT_EQ(BcdLength(bcd.data()), 9999);
  bcd = test::B({0x0A, 0x00});
  EXPECT_EQ(BcdLength(bcd.data()), std::nullopt);
  bcd = test::B({0x00, 0xA0});
  EXPECT_EQ(BcdLength(bcd.data()), std::nullopt);
}

TEST(IsoValues, ZeroBytesInCharacterData) {
  Bytes b = test::Text(std::string("AB\0C\0", 5));
  EXPECT_EQ(ValueText(b.data(), b.size()), "AB.C.");
  EXPECT_EQ(ZeroEndedText(b.data(), b.size()), "AB");
  EXPECT_EQ(ZeroEndedText(b.data(), 2), "AB");
}

TEST(IsoValues, FieldLineCopiesValueBytes) {
  TDecodeLog log;
  AppendFieldLine(log, 2, "PAN", 3, 30, "\xC0%s");
  EXPECT_EQ(log.text(), "P0002 PAN LEN=3 OFFS=30 '\xC0%s'\n");
}

}  // namespace
}  // namespace pkt
