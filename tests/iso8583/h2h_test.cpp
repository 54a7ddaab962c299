#include <gtest/gtest.h>

#include <string>

#include "iso8583/h2h.h"
#include "support/iso_builder.h"

namespace pkt {
namespace {

using test::B;
using test::Bytes;
using test::EmvElement;
using test::H2hBuilder;
using test::Text;

std::string Decode(const Bytes& msg) { return DecodeH2HMsgToLog(msg.data(), msg.size()); }

std::string AfterType(const std::string& listing) {
  std::size_t at = listing.find("\nMessage type ");
  if (at == std::string::npos) return "<no message type line>";
  return listing.substr(listing.find('\n', at + 1) + 1);
}

std::string Fields(const H2hBuilder& b) { return AfterType(Decode(b.Build())); }

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) test::Append(out, p);
  return out;
}

TEST(H2hDecode, ShortMessageGivesEmptyListing) {
  EXPECT_EQ(Decode(test::Prefix(H2hBuilder().Fixed(3, "000000").Build(), 11)), "");
  EXPECT_EQ(DecodeH2HMsgToLog(nullptr, 0), "");
}

TEST(H2hDecode, UnknownPrimaryFieldNamesTheZeroBasedBit) {
  EXPECT_EQ(Decode(H2hBuilder("0800").Bit(5).Build()),
            "Message hex dump:\n"
            "0000 30 38 30 30 08 00 00 00 00 00 00 00               0800........\n"
            "\n"
            "Message type 0800\n"
            "\n Unknown tag identified by bit #4 in \"Primary Bitmap\". Parsing process terminated. \n");
  // Exactly 16 bytes: the dump ends with the next line's label.
  std::string listing = Decode(H2hBuilder("1100").Fixed(39, "00").Tail(Text("XX")).Build());
  EXPECT_NE(listing.find("  1100........00XX\n0010 \nMessage type 1100\nP0039 Response code LEN=2 OFFS=12 '00'\n"),
            std::string::npos)
      << listing;
}

TEST(H2hDecode, FieldsWithTheirLengthCoding) {
  EXPECT_EQ(Fields(H2hBuilder()
                       .LL(2, "4000001234567899")
                       .Fixed(3, "000000")
                       .Fixed(12, "261209124730")
                       .LL(43, "STATION 7")
                       .LLL(60, std::string_view("A\0B", 3))),
            "P0002 PAN LEN=16 OFFS=14 '4000001234567899'\n"
            "P0003 Processing Code LEN=6 OFFS=30 '000000'\n"
            "P0012 Date and time, local transaction LEN=12 OFFS=36 '261209124730'\n"
            "P0043 Card acceptor name/location LEN=9 OFFS=50 'STATION 7'\n"
            "P0060 Accounts, additional LEN=3 OFFS=62 'A.B'\n");

  EXPECT_EQ(Fields(H2hBuilder().Raw(2, Text("1A23"))), "\n Incorrect field 2 size. Parsing process terminated. \n");
  EXPECT_EQ(Fields(H2hBuilder().Raw(55, B({0x0A, 0x00}))),
            "\n Incorrect field 55 size. Parsing process terminated. \n");
  EXPECT_EQ(Fields(H2hBuilder().BcdBinary(55, {})),
            "\n Internal error: couldn't convert binary data of #55 tag. Parsing process terminated. \n");
}

TEST(H2hDecode, SecondaryBitmap) {
  EXPECT_EQ(Fields(H2hBuilder("1804").Fixed(11, "000042").Fixed(70, "301")),
            "P0011 Systems Trace Audit Number LEN=6 OFFS=20 '000042'\n"
            "P0070 Network Management Code LEN=3 OFFS=26 '301'\n");
  EXPECT_EQ(Fields(H2hBuilder().Bit(65)),
            "\n Unknown tag identified by bit #0 in \"Secondary Bitmap\". Parsing process terminated. \n");
  // Bits are walked in order: 66 comes before 70.
  EXPECT_EQ(Fields(H2hBuilder().Fixed(70, "301").Bit(66)),
            "\n Unknown tag identified by bit #1 in \"Secondary Bitmap\". Parsing process terminated. \n");
  // Prefix characters are not checked in the secondary walk; a negative length is refused.
  EXPECT_EQ(Fields(H2hBuilder().Raw(102, Text("0:ACCOUNT-01"))),
            "P0102 Account identification LEN=10 OFFS=22 'ACCOUNT-01'\n");
  EXPECT_EQ(Fields(H2hBuilder().Raw(102, Text("/0ACCOUNT-01"))),
            "\n Incorrect field 102 size. Parsing process terminated. \n");
  // No inner walk for secondary fields, and none for field 48's text in field 60.
  EXPECT_EQ(Fields(H2hBuilder().Fixed(128, "M")), "P0128 Secondary MAC Data LEN=1 OFFS=20 'M'\n");
}

TEST(H2hDecode, Field48Elements) {
  std::string f48 = test::Field48({{14, "PL0001"}, {36, "79001234567"}, {4, "ZZ"}, {1, "never"}});
  EXPECT_EQ(Fields(H2hBuilder().LLL(48, f48).Fixed(49, "643")),
            "P0048 Message Control data LEN=" + std::to_string(f48.size()) + " OFFS=15 '" + f48 + "'\n"
            "    P0048-14 Plastic ID LEN=6 OFFS=15 'PL0001'\n"
            "    P0048-36 Mobile Phone Number LEN=11 OFFS=25 '79001234567'\n"
            "P0049 Currency code LEN=3 OFFS=" + std::to_string(15 + f48.size()) + " '643'\n");

  EXPECT_EQ(Fields(H2hBuilder().LLL(48, "0110ABC")),
            "P0048 Message Control data LEN=7 OFFS=15 '0110ABC'\n"
            "\n Invalid message. Element 01 of field 48 ending at: 29. Field ending at: 22. "
            "Parsing process terminated. \n");
  EXPECT_EQ(Fields(H2hBuilder().LLL(48, "01/0ABC")),
            "P0048 Message Control data LEN=7 OFFS=15 '01/0ABC'\n"
            "\n Incorrect size of element 01 of field 48. Parsing process terminated. \n");
}

TEST(H2hDecode, EmvTagsOfField55) {
  EXPECT_EQ(Fields(H2hBuilder().BcdBinary(55, B({0x9F, 0x36, 0x02, 0x00, 0x01}))),
            "P0055 Binary Field 55 LEN=5 OFFS=14 '9F36020001'\n"
            "    P0055-9F36 app_trans_count LEN=2 OFFS=14 '0001'\n");

  // One-byte tags 5A and 8A; 9F always starts a two-byte tag; an unknown tag ends the walk.
  Bytes data = Concat({EmvElement(0x5A, B({0x40, 0x00, 0x12, 0x34})), EmvElement(0x8A, Text("00")),
                       EmvElement(0x9F26, B({1, 2, 3, 4, 5, 6, 7, 8})), EmvElement(0x9F99, B({1})),
                       EmvElement(0x5A, B({1}))});
  EXPECT_EQ(Fields(H2hBuilder().BcdBinary(55, data).LL(56, "X")),
            "P0055 Binary Field 55 LEN=28 OFFS=14 '5A04400012348A0230309F260801020304050607089F9901015A0101'\n"
            "    P0055-005A app_prim_acc_num LEN=4 OFFS=14 '40001234'\n"
            "    P0055-008A Authorisation Response Code LEN=2 OFFS=20 '3030'\n"
            "    P0055-9F26 app_crypt LEN=8 OFFS=24 '0102030405060708'\n"
            "P0056 Original data elements LEN=1 OFFS=44 'X'\n");

  // An empty first element: the field line only.
  EXPECT_EQ(Fields(H2hBuilder().BcdBinary(55, Concat({EmvElement(0x9F36, {}), EmvElement(0x9F37, B({1}))}))),
            "P0055 Binary Field 55 LEN=7 OFFS=14 '9F36009F370101'\n");
}

TEST(H2hDecode, EmvElementsThatDoNotFit) {
  EXPECT_EQ(Fields(H2hBuilder().BcdBinary(55, B({0x9F, 0x36, 0x05, 0x00, 0x01}))),
            "P0055 Binary Field 55 LEN=5 OFFS=14 '9F36050001'\n"
            "\n Invalid message. Element 9F36 of field 55 ending at: 22. Field ending at: 19. "
            "Parsing process terminated. \n");
  // A known tag as the field's last byte: no room for its length.
  EXPECT_EQ(Fields(H2hBuilder().BcdBinary(55, Concat({EmvElement(0x8A, Text("00")), B({0x5A})}))),
            "P0055 Binary Field 55 LEN=5 OFFS=14 '8A0230305A'\n"
            "    P0055-008A Authorisation Response Code LEN=2 OFFS=14 '3030'\n"
            "\n Invalid message. Element 005A of field 55 ending at: 20. Field ending at: 19. "
            "Parsing process terminated. \n");
  // Unknown tags and a broken-off two-byte tag end the walk silently.
  EXPECT_EQ(Fields(H2hBuilder().BcdBinary(55, B({0x01, 0x7F}))), "P0055 Binary Field 55 LEN=2 OFFS=14 '017F'\n");
  EXPECT_EQ(Fields(H2hBuilder().BcdBinary(55, B({0x9F}))), "P0055 Binary Field 55 LEN=1 OFFS=14 '9F'\n");
}

TEST(H2hDecode, NothingIsReadPastTheMessage) {
  EXPECT_EQ(Fields(H2hBuilder().Bit(4).Tail(Text("0000"))),
            "\n Invalid message. Field 4 ending at: 24. DataSize: 16. Parsing process terminated. \n");
  EXPECT_EQ(Fields(H2hBuilder().Bit(48).Tail(Text("12"))),
            "\n Invalid message. Field 48 ending at: 15. DataSize: 14. Parsing process terminated. \n");
  EXPECT_EQ(Fields(H2hBuilder().Raw(55, B({0x00, 0x09, 0x9F}))),
            "\n Invalid message. Field 55 ending at: 23. DataSize: 15. Parsing process terminated. \n");
  EXPECT_EQ(Fields(H2hBuilder().Raw(102, Text("05ABC"))),
            "\n Invalid message. Field 102 ending at: 27. DataSize: 25. Parsing process terminated. \n");
  // A secondary bitmap cut short.
  Bytes msg = test::Prefix(H2hBuilder().Fixed(70, "301").Build(), 15);
  EXPECT_EQ(AfterType(Decode(msg)),
            "\n Invalid message. \"Secondary Bitmap\" ending at: 20. DataSize: 15. Parsing process terminated. \n");
}

}  // namespace
}  // namespace pkt
