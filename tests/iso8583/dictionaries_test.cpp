#include <gtest/gtest.h>

#include "iso8583/iso8583.h"

namespace pkt {
namespace {

TEST(IsoDictionaries, BitmapAnnouncersAreInNeitherDialect) {
  for (TIsoDialect d : {TIsoDialect::Bfko, TIsoDialect::HostToHost}) {
    EXPECT_EQ(FindField(d, 1), nullptr);
    EXPECT_EQ(FindField(d, 65), nullptr);
  }
  EXPECT_EQ(FindField(TIsoDialect::None, 2), nullptr);
}

TEST(IsoDictionaries, LengthCodingDiffersByDialect) {
  const FIELD_DESC* f110 = FindField(TIsoDialect::Bfko, 110);
  ASSERT_NE(f110, nullptr);
  EXPECT_STREQ(f110->name, "Numeric Message");
  EXPECT_EQ(f110->lengthType, TIsoLength::L);
  EXPECT_EQ(FindField(TIsoDialect::Bfko, 124)->lengthType, TIsoLength::LLLLL);

  const FIELD_DESC* bfko3 = FindField(TIsoDialect::Bfko, 3);
  const FIELD_DESC* h2h3 = FindField(TIsoDialect::HostToHost, 3);
  EXPECT_STREQ(bfko3->name, "Processing Code");
  EXPECT_STREQ(h2h3->name, "Processing Code");
  EXPECT_EQ(bfko3->length, 7);
  EXPECT_EQ(h2h3->length, 6);
  EXPECT_EQ(BfkoSubFields(3).size(), 3u);
  EXPECT_STREQ(BfkoSubFields(121)[1].name, "Transaction recieve mode");
  EXPECT_TRUE(BfkoSubFields(48).empty());

  const FIELD_DESC* h2h55 = FindField(TIsoDialect::HostToHost, 55);
  EXPECT_STREQ(h2h55->name, "Binary Field 55");
  EXPECT_EQ(h2h55->lengthType, TIsoLength::Bcd);
  EXPECT_EQ(h2h55->data, TIsoData::Binary);
  EXPECT_STREQ(FindField(TIsoDialect::HostToHost, 128)->name, "Secondary MAC Data");
}

TEST(IsoDictionaries, Field48TagsResolveByFirstMatch) {
  for (int tag = 57; tag <= 65; ++tag) EXPECT_STREQ(Field48TagName(tag), "Payment Specific data") << tag;
  EXPECT_STREQ(Field48TagName(1), "User Login");
  EXPECT_STREQ(Field48TagName(92), "CVV2");
  EXPECT_EQ(Field48TagName(4), nullptr);
  EXPECT_EQ(Field48TagName(56), nullptr);
  EXPECT_EQ(Field48TagName(0), nullptr);
}

TEST(IsoDictionaries, EmvTagsAreOneNumber) {
  EXPECT_STREQ(EmvTagName(0x9F36), "app_trans_count");
  EXPECT_STREQ(EmvTagName(0x5A), "app_prim_acc_num");
  EXPECT_STREQ(EmvTagName(0x8A), "Authorisation Response Code");
  EXPECT_EQ(EmvTagName(0x9F), nullptr);
  EXPECT_EQ(EmvTagName(0x369F), nullptr);
}

TEST(IsoRouting, RecordKindsChooseTheDialect) {
  EXPECT_EQ(IsoDialectOfKind(rkIsoIncoming), TIsoDialect::HostToHost);
  EXPECT_EQ(IsoDialectOfKind(rkIsoOutgoing), TIsoDialect::HostToHost);
  EXPECT_EQ(IsoDialectOfKind(rkBfkoIncoming), TIsoDialect::Bfko);
  EXPECT_EQ(IsoDialectOfKind(rkBfkoOutgoing), TIsoDialect::Bfko);
  for (int k : {0, 7, 8, 9, 12, 15, 255}) EXPECT_EQ(IsoDialectOfKind(static_cast<TRecordKind>(k)), TIsoDialect::None);
}

TEST(IsoRouting, MessageLengthPrefixOfEachDialect) {
  const std::uint8_t digits[] = {'0', '1', '2', '3', 'x'};
  EXPECT_EQ(IsoMessageLength(TIsoDialect::HostToHost, digits, 5), 123);
  EXPECT_EQ(IsoMessageLength(TIsoDialect::HostToHost, digits, 4), 0);  // nothing behind the prefix
  const std::uint8_t notDigits[] = {'0', '1', ' ', '3', 'x'};
  EXPECT_EQ(IsoMessageLength(TIsoDialect::HostToHost, notDigits, 5), 0);

  const std::uint8_t be[] = {0x00, 0x00, 0x01, 0x02};
  EXPECT_EQ(IsoMessageLength(TIsoDialect::Bfko, be, 4), 258);
  const std::uint8_t negative[] = {0xFF, 0xFF, 0xFF, 0xFE};
  EXPECT_EQ(IsoMessageLength(TIsoDialect::Bfko, negative, 4), -2);
  EXPECT_EQ(IsoMessageLength(TIsoDialect::Bfko, be, 3), 0);  // body shorter than the prefix
  EXPECT_EQ(IsoMessageLength(TIsoDialect::None, be, 4), 0);
}

}  // namespace
}  // namespace pkt
