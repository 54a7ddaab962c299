// The authorization query, the coupon lists, the coupon period, the discount
// sum, and the bounds of every structured case on values of any length.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "structured/render_case.h"
#include "support/structured_builder.h"
#include "terminal/structured/record_table.h"

namespace pkt::test {
namespace {

// ---- MF_AUTHORIZATION_QUERY -----------------------------------------------------------

// "Тест" in the OEM code page (cp866).
const Bytes kOemTest = B({0x92, 0xA5, 0xE1, 0xE2});

Bytes Query(const Bytes& name, int type = 3, int tag = 0x1234) {
  TlvBuilder q;
  q.Byte(39, static_cast<std::uint8_t>(type)).Word(40, static_cast<std::uint16_t>(tag)).Item(38, name);
  return q.bytes();
}

TEST(AuthorizationQuery, ShowsTypeTagAndTheOemNameAsText) {
  Rendering r = RenderValue(RenderAuthorizationQuery, 36, Query(kOemTest, 200, 0xFFFF));
  EXPECT_EQ(r.Tree(),
            "MF_AUTHORIZATION_QUERY\n  MF_AUTHORIZATION_QUERY_TYPE: 200\n  MF_AUTHORIZATION_QUERY_TAG: 65535\n"
            "  MF_AUTHORIZATION_QUERY_NAME: Тест\n");
  EXPECT_EQ(r.lines, (Lines{"MF_AUTHORIZATION_QUERY", "MF_AUTHORIZATION_QUERY_TYPE: 200",
                            "MF_AUTHORIZATION_QUERY_TAG: 65535", "MF_AUTHORIZATION_QUERY_NAME: Тест"}));

  // The longest name that fits its buffer, and a name cut at its first zero byte.
  Rendering longest = RenderValue(RenderAuthorizationQuery, 36, Query(Bytes(99, 'Q')));
  EXPECT_EQ(longest.lines.back(), "MF_AUTHORIZATION_QUERY_NAME: " + std::string(99, 'Q'));
  Rendering cut = RenderValue(RenderAuthorizationQuery, 36, Query(B({'A', 'B', 0, 'C'})));
  EXPECT_EQ(cut.lines.back(), "MF_AUTHORIZATION_QUERY_NAME: AB");
}

TEST(AuthorizationQuery, ParsesTheItemItWasCalledWith) {
  Bytes message = TlvBuilder().Item(36, Query(Text("one"))).Item(36, Query(Text("two"), 1, 2)).WithRoot();
  Rendering r = RenderMessage(RenderAuthorizationQuery, 36, message);
  EXPECT_NE(r.Tree().find("NAME: one\n"), std::string::npos);
  EXPECT_NE(r.Tree().find("NAME: two\n"), std::string::npos);
}

TEST(AuthorizationQuery, AnyUnreadablePartGivesQuestionMarks) {
  struct {
    const char* what;
    Bytes value;
  } rows[] = {
      {"empty value", {}},
      {"not a TLV string", B({0x20, 0x01, 0x00})},
      {"item longer than the value", B({0x1F, 39, 5, 1})},
      {"no type", TlvBuilder().Word(40, 1).Str(38, "x").bytes()},
      {"type of two bytes", TlvBuilder().Item(39, B({1, 2})).Word(40, 1).Str(38, "x").bytes()},
      {"tag of one byte", TlvBuilder().Byte(39, 1).Item(40, B({1})).Str(38, "x").bytes()},
      {"no name", TlvBuilder().Byte(39, 1).Word(40, 1).bytes()},
      {"empty name", Query({})},
      {"name of 100 bytes", Query(Bytes(100, 'Q'))},
  };
  for (const auto& row : rows) {
    Rendering r = RenderValue(RenderAuthorizationQuery, 36, row.value);
    EXPECT_EQ(r.Tree(), "MF_AUTHORIZATION_QUERY: ???\n") << row.what;
    EXPECT_EQ(r.lines, Lines{"MF_AUTHORIZATION_QUERY: ???"}) << row.what;
  }
}

// ---- MF_TRZ_COUPON and MF_TRZ_COUPON_EX ----------------------------------------------------

Coupon SampleCoupon() {
  Coupon c;
  c.status = 0x2F;  // REJECTED 5, low bits not shown
  c.emitent = 1101;
  c.filial = 7;
  c.series = 0xABCD;
  c.number = 0x123456;
  c.nominal = 20;
  c.service = 95;
  c.rejectCode = 62;
  c.checked = DateTime6(26, 4, 6, 9, 5, 0);
  c.isnCode = 0x0201;
  return c;
}

Bytes CouponValue(std::initializer_list<Bytes> records, std::size_t trailing = 0) {
  Bytes v = CouponListHeader();
  for (const Bytes& r : records) Append(v, r);
  Append(v, Bytes(trailing, 0x99));
  return v;
}

TEST(TrzCoupon, OneSubHeaderPerCouponWithItsLines) {
  Coupon second = SampleCoupon();
  second.status = 0xFF;
  second.emitent = 65535;
  Bytes value = CouponValue({SampleCoupon().Record(false), second.Record(false)}, 10);
  Rendering r = RenderValue(RenderTrzCoupon, 47, value);
  EXPECT_EQ(r.Tree(),
            "MF_TRZ_COUPON\n"
            "  Coupon\n"
            "    EMITENT_ID: 1101\n    FILIAL_ID: 7\n    SERIES: 43981\n    COUPON_NUM: 1193046\n"
            "    RECORD_NUMBER: 0\n    REJECTED: 5\n    REJECTCODE: 62\n    NOMINAL: 20\n    SERVICE_ID: 95\n"
            "  Coupon\n"
            "    EMITENT_ID: 65535\n    FILIAL_ID: 7\n    SERIES: 43981\n    COUPON_NUM: 1193046\n"
            "    RECORD_NUMBER: 1\n    REJECTED: 31\n    REJECTCODE: 62\n    NOMINAL: 20\n    SERVICE_ID: 95\n");
  // The export is flat, names the service byte KORVANCODE and ends with the empty field text.
  ASSERT_EQ(r.lines.size(), 1u + 2 * 10 + 1);
  EXPECT_EQ(r.lines[0], "MF_TRZ_COUPON");
  EXPECT_EQ(r.lines[1], "Coupon");
  EXPECT_EQ(r.lines[10], "KORVANCODE: 95");
  EXPECT_EQ(r.lines[17], "REJECTED: 31");
  EXPECT_EQ(r.lines.back(), "");
}

TEST(TrzCoupon, ValuesWithoutAWholeRecordGiveTheHeaderAlone) {
  for (std::size_t n : {0, 1, 19, 20, 52}) {
    Rendering r = RenderValue(RenderTrzCoupon, 47, Bytes(n, 0x31));
    EXPECT_EQ(r.Tree(), "MF_TRZ_COUPON\n") << n;
    EXPECT_EQ(r.lines, (Lines{"MF_TRZ_COUPON", ""})) << n;
  }
  Rendering one = RenderValue(RenderTrzCoupon, 47, CouponValue({SampleCoupon().Record(false)}, 10));
  EXPECT_EQ(one.lines.size(), 1u + 10 + 1);

  Rendering absent = RenderAbsent(RenderTrzCoupon, 47);
  EXPECT_EQ(absent.Tree(), "MF_TRZ_COUPON: ???\n");
  EXPECT_EQ(absent.lines, Lines{"MF_TRZ_COUPON: ???"});
}

TEST(TrzCouponEx, ShowsTheCheckTimeAndIsnCodeInBothFrontEnds) {
  Rendering r = RenderValue(RenderTrzCouponEx, 150, CouponValue({SampleCoupon().Record(true)}, 34));
  const Lines lines{"RECORD_NUMBER: 0",  "SL_WL_DATE_TIME: 2016-04-06 09:05:00.000",
                    "EMITENT_ID: 1101",  "FILIAL_ID: 7",
                    "SERIES: 43981",     "COUPON_NUM: 1193046",
                    "NOMINAL: 20",       "SERVICE_ID: 95",
                    "COUPON_ISN_CODE: 513", "REJECTED: 5",
                    "REJECTCODE: 62"};
  std::string tree = "MF_TRZ_COUPON_EX\n  Coupon\n";
  for (const std::string& l : lines) tree += "    " + l + "\n";
  EXPECT_EQ(r.Tree(), tree);
  Lines exported{"MF_TRZ_COUPON_EX", "Coupon"};
  exported.insert(exported.end(), lines.begin(), lines.end());
  exported.push_back("");
  EXPECT_EQ(r.lines, exported);

  EXPECT_EQ(RenderValue(RenderTrzCouponEx, 150, Bytes(54, 0)).Tree(), "MF_TRZ_COUPON_EX\n");
  EXPECT_EQ(RenderAbsent(RenderTrzCouponEx, 150).lines, Lines{"MF_TRZ_COUPON_EX: ???"});
}

TEST(TrzCoupon, LeavesTheThreadsTableClosedWithTheImageKept) {
  Bytes value = CouponValue({SampleCoupon().Record(false)});
  RenderValue(RenderTrzCoupon, 47, value);
  RecordTable& table = RecordTable::ForThisThread();
  EXPECT_FALSE(table.IsOpen(RecordTable::kCouponSlot));
  EXPECT_FALSE(table.IsOpen(RecordTable::kCouponExSlot));
  ASSERT_NE(table.First(RecordTable::kCouponSlot), nullptr);
  EXPECT_EQ(table.RecordBuffer(RecordTable::kCouponSlot)[1], 0x2F);
  table.CloseAll();
}

// ---- MF_ONLINE_COUPON_PERIOD ----------------------------------------------------------------

TEST(OnlineCouponPeriod, ShowsBothDatesUnvalidated) {
  EXPECT_EQ(RenderValue(RenderOnlineCouponPeriod, 197, B({116, 4, 6, 116, 12, 31})).lines,
            Lines{"MF_ONLINE_COUPON_PERIOD: 06-04-2016 - 31-12-2016"});
  EXPECT_EQ(RenderValue(RenderOnlineCouponPeriod, 197, B({255, 0, 99, 0, 255, 255})).Tree(),
            "MF_ONLINE_COUPON_PERIOD: 99-00-2155 - 255-255-1900\n");
  for (std::size_t n : {0, 5, 7}) {
    const std::string text = "MF_ONLINE_COUPON_PERIOD: Invalid size: " + std::to_string(n);
    EXPECT_EQ(RenderValue(RenderOnlineCouponPeriod, 197, Bytes(n, 1)).lines, Lines{text});
  }
  EXPECT_EQ(RenderAbsent(RenderOnlineCouponPeriod, 197).Tree(), "");
}

// ---- MF_DISCOUNT_SUM ----------------------------------------------------------------------------

Rendering Discount(const char* bcdDigits, int type) {
  TlvBuilder m;
  if (type >= 0) m.Byte(204, static_cast<std::uint8_t>(type));
  m.Bcd(202, bcdDigits);
  return RenderMessage(RenderDiscountSum, 202, m.WithRoot());
}

TEST(DiscountSum, TheTypeChoosesHundredthsOrTenThousandths) {
  struct {
    const char* bcd;
    int type;
    const char* text;
  } rows[] = {
      {"012345", 0, "MF_DISCOUNT_SUM: 123.45"}, {"012345", 1, "MF_DISCOUNT_SUM: 123.45"},
      {"012345", 2, "MF_DISCOUNT_SUM: 1.23"},   {"012345", 7, "MF_DISCOUNT_SUM: 1.23"},
      {"", 1, "MF_DISCOUNT_SUM: 0.00"},         {"05", 1, "MF_DISCOUNT_SUM: 0.05"},
      {"99", 255, "MF_DISCOUNT_SUM: 0.00"},
  };
  for (const auto& row : rows) {
    Rendering r = Discount(row.bcd, row.type);
    EXPECT_EQ(r.lines, Lines{row.text}) << row.bcd << " type " << row.type;
    EXPECT_EQ(r.Tree(), std::string(row.text) + "\n");
  }
}

TEST(DiscountSum, ShowsEveryDigitOfSumsBeyond32And64Bits) {
  // 42 949 672.96 in hundredths: the whole part is 2^32 units.
  EXPECT_EQ(Discount("4294967296", 0).lines, Lines{"MF_DISCOUNT_SUM: 42949672.96"});
  EXPECT_EQ(Discount("429496729600", 1).lines, Lines{"MF_DISCOUNT_SUM: 4294967296.00"});
  // Twenty digits exceed 64 bits.
  EXPECT_EQ(Discount("12345678901234567890", 0).lines, Lines{"MF_DISCOUNT_SUM: 123456789012345678.90"});
  EXPECT_EQ(Discount("99999999999999999999", 2).lines, Lines{"MF_DISCOUNT_SUM: 9999999999999999.99"});
  // Nibbles above 9 count with their binary value, as in every packed BCD reading.
  EXPECT_EQ(DiscountSumText(2, B({0x1F, 0x00, 0x00}).data(), 3), "MF_DISCOUNT_SUM: 25.00");
}

TEST(DiscountSum, MissingOrUnreadableParts) {
  EXPECT_EQ(Discount("012345", -1).lines, Lines{"MF_DISCOUNT_TYPE not found!"});
  Bytes wideType = TlvBuilder().Item(204, B({1, 0})).Bcd(202, "12").WithRoot();
  EXPECT_EQ(RenderMessage(RenderDiscountSum, 202, wideType).lines, Lines{"MF_DISCOUNT_TYPE not found!"});
  Bytes tooLong = TlvBuilder().Byte(204, 1).Item(202, Bytes(11, 0x11)).WithRoot();
  EXPECT_EQ(RenderMessage(RenderDiscountSum, 202, tooLong).Tree(), "MF_DISCOUNT_SUM not found!\n");
  // Called for an item whose tag is not in the storage.
  Rendering absent = RenderAbsent(RenderDiscountSum, 202);
  EXPECT_EQ(absent.lines, Lines{"MF_DISCOUNT_TYPE not found!"});
}

// ---- bounds --------------------------------------------------------------------------------------

TEST(StructuredFields, RenderValuesOfEveryLengthAroundTheirRecords) {
  struct {
    StructuredCase fn;
    std::uint32_t tag;
    std::size_t record;
  } cases[] = {
      {RenderDcData, 22, 16},           {RenderOnlineCardRanges, 35, 9}, {RenderAuthorizationQuery, 36, 8},
      {RenderTrzCoupon, 47, 53},        {RenderCommitTokensList, 48, 17}, {RenderRollbackTokensList, 49, 17},
      {RenderPurseActionList, 144, 26}, {RenderPurseChangeTrnz, 145, 36}, {RenderTrzCouponEx, 150, 55},
      {RenderOnlineCouponPeriod, 197, 6}, {RenderDiscountSum, 202, 10},  {RenderCreditKeyData, 209, 22},
      {RenderTariffsHistory, 210, 13},  {RenderCpEmitRulesData, 211, 2},
  };
  for (const auto& c : cases) {
    for (std::size_t n = 0; n <= 2 * c.record + 1; ++n) {
      // The field is the last item, so its value ends where the message ends.
      TlvBuilder m;
      m.Byte(204, 1);
      m.Item(c.tag, Bytes(n, 0xFF));
      Rendering r = RenderMessage(c.fn, c.tag, m.WithRoot());
      EXPECT_FALSE(r.lines.empty()) << "tag " << c.tag << ", " << n << " bytes";
    }
  }
}

}  // namespace
}  // namespace pkt::test
