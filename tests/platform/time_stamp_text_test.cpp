// TimeStampText is written by hand for speed; it must give what the format
// "%.4u-%.2u-%.2u %.2u:%.2u:%.2u.%.3u" gives for every value of every field.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/systime.h"

namespace pkt {
namespace {

std::string Printed(const TSystemTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4u-%.2u-%.2u %.2u:%.2u:%.2u.%.3u", unsigned(t.wYear), unsigned(t.wMonth),
                unsigned(t.wDay), unsigned(t.wHour), unsigned(t.wMinute), unsigned(t.wSecond),
                unsigned(t.wMilliseconds));
  return buf;
}

TEST(TimeStampText, MatchesTheFormatAtEveryWidthBoundary) {
  const std::uint16_t values[] = {0, 1, 9, 10, 59, 99, 100, 999, 1000, 2016, 9999, 10000, 65535};
  std::uint16_t TSystemTime::*fields[] = {&TSystemTime::wYear,   &TSystemTime::wMonth,  &TSystemTime::wDay,
                                          &TSystemTime::wHour,   &TSystemTime::wMinute, &TSystemTime::wSecond,
                                          &TSystemTime::wMilliseconds};
  for (auto field : fields) {
    for (std::uint16_t v : values) {
      TSystemTime t;
      t.wYear = 2016;
      t.wMonth = 4;
      t.wDay = 6;
      t.*field = v;
      EXPECT_EQ(TimeStampText(t), Printed(t)) << v;
    }
  }
  TSystemTime widest;
  for (auto field : fields) widest.*field = 65535;
  EXPECT_EQ(TimeStampText(widest), Printed(widest));
}

}  // namespace
}  // namespace pkt
