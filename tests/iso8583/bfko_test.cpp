#include <gtest/gtest.h>

#include <string>

#include "iso8583/bfko.h"
#include "support/iso_builder.h"

namespace pkt {
namespace {

using test::BfkoBuilder;
using test::Bytes;
using test::Text;

std::string Decode(const Bytes& msg) { return DecodeIso8583MsgToLog(msg.data(), msg.size()); }

// What follows the "Message type" line: the field lines and the ending.
std::string AfterType(const std::string& listing) {
  std::size_t at = listing.find("\nMessage type ");
  if (at == std::string::npos) return "<no message type line>";
  return listing.substr(listing.find('\n', at + 1) + 1);
}

std::string Fields(const BfkoBuilder& b) { return AfterType(Decode(b.Build())); }

TEST(BfkoDecode, TooShortMessageGivesOnlyTheSizeMessage) {
  Bytes msg = test::Prefix(BfkoBuilder().Fixed(4, "000000001000").Build(), 27);
  EXPECT_EQ(Decode(msg), "\nIncorrect message size 27. \n");
  EXPECT_EQ(DecodeIso8583MsgToLog(nullptr, 0), "\nIncorrect message size 0. \n");
}

TEST(BfkoDecode, EmptyBitmapListsDumpSizeHeaderAndType) {
  EXPECT_EQ(Decode(BfkoBuilder("HEADER01", "0800").Build()),
            "Message hex dump:\n"
            "0000 48 45 41 44 45 52 30 31 30 38 30 30 30 30 30 30   HEADER0108000000\n"
            "0010 30 30 30 30 30 30 30 30 30 30 30 30               000000000000\n"
            "\n"
            "Message size 28\n"
            "Header HEADER01\n"
            "Message type 0800\n");

  // 32 bytes: the dump ends with the label of an empty third line.
  std::string listing = Decode(BfkoBuilder().Tail(Text("ABCD")).Build());
  EXPECT_NE(listing.find("   000000000000ABCD\n0020 \nMessage size 32\nHeader "), std::string::npos) << listing;

  // Header and type end at their first zero byte.
  listing = Decode(BfkoBuilder(std::string_view("HEAD\0ER1", 8), std::string_view("08\0" "0", 4)).Build());
  EXPECT_NE(listing.find("\nHeader HEAD\nMessage type 08\n"), std::string::npos) << listing;
}

TEST(BfkoDecode, FixedFieldIsSplitIntoSubFields) {
  EXPECT_EQ(Fields(BfkoBuilder().Fixed(3, "0010000")),
            "P0003 Processing Code LEN=7 OFFS=28 '0010000'\n"
            "    P0003-01 Transaction code LEN=3 OFFS=28 '001'\n"
            "    P0003-02 From account type LEN=2 OFFS=31 '00'\n"
            "    P0003-03 To account type LEN=2 OFFS=33 '00'\n");

  // Zero bytes: dots in the field line, the sub-field text ends at the zero.
  EXPECT_EQ(Fields(BfkoBuilder().Fixed(3, std::string_view("0\0" "1\0" "000", 7))),
            "P0003 Processing Code LEN=7 OFFS=28 '0.1.000'\n"
            "    P0003-01 Transaction code LEN=3 OFFS=28 '0'\n"
            "    P0003-02 From account type LEN=2 OFFS=31 ''\n"
            "    P0003-03 To account type LEN=2 OFFS=33 '00'\n");
}

TEST(BfkoDecode, VariableFieldsReadTheirPrefixes) {
  EXPECT_EQ(Fields(BfkoBuilder().LL(2, "4000001234567899")), "P0002 PAN LEN=16 OFFS=30 '4000001234567899'\n");
  // One and five digits (secondary fields: the data start after the second bitmap).
  EXPECT_EQ(Fields(BfkoBuilder().LL(2, "4000001234567899").L(110, "12345").LLLLL(124, "AB")),
            "P0002 PAN LEN=16 OFFS=46 '4000001234567899'\n"
            "P0110 Numeric Message LEN=5 OFFS=63 '12345'\n"
            "P0124 Miscellaneous transaction attributes2 LEN=2 OFFS=73 'AB'\n");
  // LLL, and an empty field.
  EXPECT_EQ(Fields(BfkoBuilder().LLL(55, "").Fixed(61, "CARDISSUERDATA")),
            "P0055 ICC data LEN=0 OFFS=31 ''\n"
            "P0061 Card Issuer Data LEN=14 OFFS=31 'CARDISSUERDATA'\n");
}

TEST(BfkoDecode, Field48ElementsUntilAnUnknownTag) {
  std::string f48 = test::Field48({{1, "OPER"}, {36, "79001234567"}, {4, "XYZ"}});
  f48.resize(31, ' ');
  EXPECT_EQ(Fields(BfkoBuilder().Fixed(48, f48).Fixed(49, "643")),
            "P0048 Message Control data LEN=31 OFFS=28 '0104OPER3611790012345670403XYZ '\n"
            "    P0048-01 User Login LEN=4 OFFS=28 'OPER'\n"
            "    P0048-36 Mobile Phone Number LEN=11 OFFS=36 '79001234567'\n"
            "P0049 Trans Currency code LEN=3 OFFS=59 '643'\n");

  // Blank padding is an unknown tag; a single trailing character is no element.
  f48 = test::Field48({{27, std::string(26, 'A')}});
  f48 += "0";
  EXPECT_EQ(Fields(BfkoBuilder().Fixed(48, f48)),
            "P0048 Message Control data LEN=31 OFFS=28 '" + f48 + "'\n"
            "    P0048-27 Action code LEN=26 OFFS=28 '" + std::string(26, 'A') + "'\n");
}

TEST(BfkoDecode, Field48ElementsThatDoNotFitEndTheListing) {
  std::string f48 = "0140" + std::string(27, 'A');
  EXPECT_EQ(Fields(BfkoBuilder().Fixed(48, f48).Fixed(49, "643")),
            "P0048 Message Control data LEN=31 OFFS=28 '" + f48 + "'\n"
            "\n Invalid BFKO-message. Element 01 of field 48 ending at: 72. Field ending at: 59. "
            "Parsing process terminated. \n");

  // A known tag in the last two characters has no room for its length.
  f48 = test::Field48({{1, std::string(25, 'B')}}) + "01";
  EXPECT_EQ(Fields(BfkoBuilder().Fixed(48, f48)),
            "P0048 Message Control data LEN=31 OFFS=28 '" + f48 + "'\n"
            "    P0048-01 User Login LEN=25 OFFS=28 '" + std::string(25, 'B') + "'\n"
            "\n Invalid BFKO-message. Element 01 of field 48 ending at: 61. Field ending at: 59. "
            "Parsing process terminated. \n");

  // Length characters below "0" give a negative length.
  f48 = "01-5" + std::string(27, 'C');
  EXPECT_EQ(Fields(BfkoBuilder().Fixed(48, f48)),
            "P0048 Message Control data LEN=31 OFFS=28 '" + f48 + "'\n"
            "\n Incorrect size of element 01 of field 48. Parsing process terminated. \n");
}

TEST(BfkoDecode, PrimaryWalkFailures) {
  // Unknown field: the listing's last line is a single blank.
  std::string listing = Decode(BfkoBuilder().Fixed(4, "000000001000").Bit(5).Build());
  EXPECT_EQ(AfterType(listing),
            "P0004 Amount transaction LEN=12 OFFS=28 '000000001000'\n"
            "ERROR: Unknown field ID 5. Parsing process terminated.\n ");

  EXPECT_EQ(Fields(BfkoBuilder().Raw(2, Text("1A234567890"))),
            "\n Incorrect field 2 size. Parsing process terminated. \n");

  // Field data beyond the message.
  EXPECT_EQ(Fields(BfkoBuilder().Bit(4).Tail(Text("00000"))),
            "\n Invalid BFKO-message. Field ending at: 40. DataSize: 33. Parsing process terminated. \n");
  // A length prefix beyond the message.
  EXPECT_EQ(Fields(BfkoBuilder().Bit(2).Tail(Text("1"))),
            "\n Invalid BFKO-message. Field ending at: 30. DataSize: 29. Parsing process terminated. \n");
  EXPECT_EQ(Fields(BfkoBuilder().Fixed(4, "000000001000").Bit(62).Tail(Text("00"))),
            "P0004 Amount transaction LEN=12 OFFS=28 '000000001000'\n"
            "\n Invalid BFKO-message. Field ending at: 43. DataSize: 42. Parsing process terminated. \n");
  // A secondary bitmap cut short.
  EXPECT_EQ(Fields(BfkoBuilder().PrimaryBitmapText(Text("8000000000000000")).Tail(Text("00000000"))),
            "\n Invalid BFKO-message. Field ending at: 44. DataSize: 36. Parsing process terminated. \n");
}

TEST(BfkoDecode, SecondaryWalk) {
  // Offsets continue after the secondary bitmap; sub-fields of a secondary field.
  EXPECT_EQ(Fields(BfkoBuilder().Fixed(70, "301").Fixed(105, "000000100000000000050000" "1")),
            "P0070 Network Management Code LEN=3 OFFS=44 '301'\n"
            "P0105 Account balance data LEN=25 OFFS=47 '0000001000000000000500001'\n"
            "    P0105-01 Common balance LEN=12 OFFS=47 '000000100000'\n"
            "    P0105-02 Available balance LEN=12 OFFS=59 '000000050000'\n"
            "    P0105-03 Balance currency type LEN=1 OFFS=71 '1'\n");

  // Bit 1 clear: no secondary bitmap, whatever follows the primary fields.
  EXPECT_EQ(Fields(BfkoBuilder().Fixed(4, "000000001000").Fixed(70, "301").NoSecondaryBit()),
            "P0004 Amount transaction LEN=12 OFFS=28 '000000001000'\n");

  // Bit 65 announces a third bitmap.
  EXPECT_EQ(Fields(BfkoBuilder().Fixed(4, "000000001000").Bit(65)),
            "P0004 Amount transaction LEN=12 OFFS=44 '000000001000'\n"
            "\n Tertiary bitmap is exist. Parsing process terminated. \n");
  EXPECT_EQ(Fields(BfkoBuilder().Fixed(70, "301").Bit(66)),
            "ERROR: Unknown field identified by bit 2. Parsing process terminated.\n ");

  // Prefix characters are not checked here: ":" counts as 10.
  EXPECT_EQ(Fields(BfkoBuilder().Raw(102, Text("0:ACCOUNT-01"))),
            "P0102 Account Identification 1 LEN=10 OFFS=46 'ACCOUNT-01'\n");
  // ... but a negative length is refused.
  EXPECT_EQ(Fields(BfkoBuilder().Raw(102, Text("/0ACCOUNT-01"))),
            "\n Incorrect field 102 size. Parsing process terminated. \n");
  // Bounds and size limit apply as in the primary walk.
  EXPECT_EQ(Fields(BfkoBuilder().Raw(102, Text("3")).NoSecondaryBit().Bit(1)),
            "\n Invalid BFKO-message. Field ending at: 46. DataSize: 45. Parsing process terminated. \n");
  EXPECT_EQ(Fields(BfkoBuilder().LLLLL(124, std::string(1001, 'y'))),
            "\n Insufficient msg-buffer space (1001/1000) to decode BFKO-message. Parsing process terminated. \n");
}

TEST(BfkoBitmap, HexTextConversion) {
  auto convert = [](std::string_view text) {
    std::uint8_t map[8];
    HexTextToBitmap(reinterpret_cast<const std::uint8_t*>(text.data()), map);
    return test::HexText(map, 8);
  };
  EXPECT_EQ(convert("F23C46D129E0a0ff"), "F23C46D129E0A0FF");
  EXPECT_EQ(convert("4G00000000000000"), "4000000000000000");  // the broken pair keeps its high half
  EXPECT_EQ(convert("C0000000000000X0"), "C000000000000000");
  EXPECT_EQ(convert(std::string_view("40\0" "0000000000000", 16)), "4000000000000000");
  EXPECT_EQ(convert(std::string_view("400\0" "000000000000", 16)), "0000000000000000");  // odd count

  // The decoder walks whatever bits were converted.
  EXPECT_EQ(Fields(BfkoBuilder().PrimaryBitmapText(Text("100Z000000000000")).Fixed(4, "000000001000")),
            "P0004 Amount transaction LEN=12 OFFS=28 '000000001000'\n");
}

// A dictionary changed so that the failures no built-in field can cause show.
constexpr EXT_FIELD_DESC kShortSubFields[] = {{1, 3, "Part one"}, {2, 3, "Part two"}};
constexpr FIELD_DESC kChangedFields[] = {
    {2, TIsoLength::Bcd, 0, "Binary data", TIsoData::Binary},
    {3, TIsoLength::Fixed, 7, "Processing Code"},
    {4, static_cast<TIsoLength>(9), 5, "Odd length code"},
};
constexpr TSubFieldTable kChangedSubFields[] = {{3, kShortSubFields}};
constexpr TIsoDictionary kChanged{kChangedFields, kChangedSubFields};

std::string DecodeChanged(const BfkoBuilder& b) {
  Bytes msg = b.Build();
  return AfterType(DecodeIso8583MsgToLog(msg.data(), msg.size(), kChanged));
}

TEST(BfkoDecode, BinaryFieldsAndInternalErrors) {
  EXPECT_EQ(DecodeChanged(BfkoBuilder().BcdBinary(2, test::B({0xAB, 0x00, 0xEF}))),
            "P0002 Binary data LEN=3 OFFS=30 'AB00EF'\n");
  EXPECT_EQ(DecodeChanged(BfkoBuilder().BcdBinary(2, {})),
            "\n Internal error: couldn't convert binary data of #2 tag. Parsing process terminated. \n");
  EXPECT_EQ(DecodeChanged(BfkoBuilder().Raw(2, test::B({0x0A, 0x01, 0x00}))),
            "\n Incorrect field 2 size. Parsing process terminated. \n");
  EXPECT_EQ(DecodeChanged(BfkoBuilder().Fixed(3, "0010000")),
            "P0003 Processing Code LEN=7 OFFS=28 '0010000'\n"
            "\n\n DecodeIso8583MsgToLog:Internal error: 'ParseComplexData:: wrong len'.\n");
  EXPECT_EQ(DecodeChanged(BfkoBuilder().Fixed(4, "12345")),
            "\n Incorrect field 4 size. Parsing process terminated. \n");
}

TEST(BfkoParseComplexData, RefusesTablesAndFieldsThatDoNotFit) {
  TDecodeLog log;
  Bytes msg = Text("0010000");
  EXPECT_THROW(ParseComplexData(log, kShortSubFields, 3, msg, 0, 7), TISO8583ParseError);
  EXPECT_THROW(ParseComplexData(log, BFKO_FIELD3_SUBFIELDS, 3, msg, 1, 7), TISO8583ParseError);
  EXPECT_EQ(log.text(), "");
  try {
    ParseComplexData(log, kShortSubFields, 3, msg, 0, 7);
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "ParseComplexData:: wrong len");
  }
}

}  // namespace
}  // namespace pkt
