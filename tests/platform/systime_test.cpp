#include "platform/systime.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "support/record_builder.h"

namespace pkt {
namespace {

TSystemTime Time(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  test::Stamp st{y, mo, d, h, mi, s, ms};
  return TSystemTime::FromBytes(test::StampBytes(st).data());
}

TEST(TimeStamp, TextSkipsDayOfWeekAndPadsEveryField) {
  test::Stamp s{2016, 4, 6, 13, 29, 48, 5};
  s.dayOfWeek = 0xFFFF;
  EXPECT_EQ(TimeStampText(TSystemTime::FromBytes(test::StampBytes(s).data())), "2016-04-06 13:29:48.005");
  // Invalid values are shown as they are, unsigned.
  EXPECT_EQ(TimeStampText(Time(2016, 13, 6)), "2016-13-06 00:00:00.000");
  EXPECT_EQ(TimeStampText(Time(65535, 1, 1)), "65535-01-01 00:00:00.000");
}

TEST(TimeStamp, DateTimeValueCountsDaysSince1899) {
  EXPECT_EQ(DateTimeMs(Time(1899, 12, 30)), 0);
  EXPECT_EQ(DateTimeMs(Time(1900, 1, 1, 6)), 2 * 86400000LL + 6 * 3600000LL);
  EXPECT_DOUBLE_EQ(DateTimeValue(DateTimeMs(Time(2016, 4, 6))), 42466.0);
  EXPECT_DOUBLE_EQ(DateTimeValue(DateTimeMs(Time(2016, 4, 6, 12))), 42466.5);
  EXPECT_LT(DateTimeMs(Time(1, 1, 1)), 0);
  // Integer milliseconds: differences and bounds are exact.
  EXPECT_EQ(DateTimeMs(Time(2016, 4, 6, 10, 0, 0, 250)) - DateTimeMs(Time(2016, 4, 6, 10)), 250);
  EXPECT_EQ(DateTimeMs(Time(2017, 1, 1)) - DateTimeMs(Time(2016, 12, 31, 23, 59, 59, 999)), 1);
}

TEST(TimeStamp, ValidityFollowsTheGregorianCalendar) {
  std::int64_t ms = 0;
  EXPECT_TRUE(TryDateTimeMs(Time(2016, 2, 29), ms));
  EXPECT_TRUE(TryDateTimeMs(Time(2000, 2, 29), ms));
  EXPECT_FALSE(TryDateTimeMs(Time(1900, 2, 29), ms));
  EXPECT_FALSE(TryDateTimeMs(Time(2015, 2, 29), ms));
  EXPECT_FALSE(TryDateTimeMs(Time(2016, 4, 31), ms));
  EXPECT_TRUE(TryDateTimeMs(Time(9999, 12, 31, 23, 59, 59, 999), ms));
  for (const TSystemTime& bad : {Time(0, 1, 1), Time(10000, 1, 1), Time(2016, 0, 1), Time(2016, 13, 1), Time(2016, 1, 0),
                                 Time(2016, 1, 1, 24), Time(2016, 1, 1, 0, 60), Time(2016, 1, 1, 0, 0, 60),
                                 Time(2016, 1, 1, 0, 0, 0, 1000)})
    EXPECT_FALSE(TryDateTimeMs(bad, ms)) << TimeStampText(bad);
}

TEST(TimeStamp, InvalidDateTimeRaisesConvertErrorWithItsText) {
  try {
    DateTimeMs(Time(2016, 13, 6, 1, 2, 3, 4));
    FAIL() << "no error";
  } catch (const ConvertError& e) {
    EXPECT_STREQ(e.what(), "'2016-13-06 01:02:03.004' is not a valid date and time");
  }
}

TEST(TimeStamp, FileTimeCountsHundredNanosecondsSince1601) {
  std::uint64_t ft = 0;
  ASSERT_TRUE(TryFileTime(Time(1601, 1, 1), ft));
  EXPECT_EQ(ft, 0u);
  ASSERT_TRUE(TryFileTime(Time(1970, 1, 1), ft));
  EXPECT_EQ(ft, 116444736000000000ULL);
  ASSERT_TRUE(TryFileTime(Time(2016, 4, 6, 13, 29, 48, 5), ft));
  EXPECT_EQ(ft, 116444736000000000ULL + (1459949388005ULL * 10000));
  EXPECT_FALSE(TryFileTime(Time(1600, 12, 31), ft));
  EXPECT_FALSE(TryFileTime(Time(2016, 13, 6), ft));
}

}  // namespace
}  // namespace pkt
