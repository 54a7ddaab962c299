#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <locale>

#include "text/number.h"

namespace pkt {
namespace {

// A locale whose wide thousands separator and grouping are given.
struct Punct : std::numpunct<wchar_t> {
  Punct(wchar_t sep, std::string grouping) : sep_(sep), grouping_(std::move(grouping)) {}
  wchar_t do_thousands_sep() const override { return sep_; }
  std::string do_grouping() const override { return grouping_; }
  wchar_t sep_;
  std::string grouping_;
};

std::locale With(wchar_t sep, std::string grouping) {
  return std::locale(std::locale::classic(), new Punct(sep, std::move(grouping)));
}

TEST(GroupedNumber, EveryDigitGroupedByThrees) {
  EXPECT_EQ(GroupedNumber(0, " "), "0");
  EXPECT_EQ(GroupedNumber(999, " "), "999");
  EXPECT_EQ(GroupedNumber(1000, " "), "1 000");
  EXPECT_EQ(GroupedNumber(-1234567, " "), "-1 234 567");
  EXPECT_EQ(GroupedNumber(-100, " "), "-100");
  EXPECT_EQ(GroupedNumber(100000, "."), "100.000");
  EXPECT_EQ(GroupedNumber(std::numeric_limits<std::int64_t>::max(), " "), "9 223 372 036 854 775 807");
  EXPECT_EQ(GroupedNumber(std::numeric_limits<std::int64_t>::min(), " "), "-9 223 372 036 854 775 808");
  // A multi-byte separator is inserted whole.
  EXPECT_EQ(GroupedNumber(1234567, "\xE2\x80\xAF"), "1\xE2\x80\xAF" "234\xE2\x80\xAF" "567");
  // The one-argument form uses the user's separator.
  EXPECT_EQ(GroupedNumber(12345), "12" + ThousandsSeparator() + "345");
}

TEST(ThousandsSeparator, FromTheLocaleAsUtf8) {
  EXPECT_EQ(ThousandsSeparatorOf(With(L'.', "\3")), ".");
  EXPECT_EQ(ThousandsSeparatorOf(With(L'\u00A0', "\3")), "\xC2\xA0");
  EXPECT_EQ(ThousandsSeparatorOf(With(L'\u202F', "\3")), "\xE2\x80\xAF");
  // No grouping, no separator, or the classic locale: a blank.
  EXPECT_EQ(ThousandsSeparatorOf(With(L',', "")), " ");
  EXPECT_EQ(ThousandsSeparatorOf(With(L'\0', "\3")), " ");
  EXPECT_EQ(ThousandsSeparatorOf(std::locale::classic()), " ");
  EXPECT_FALSE(ThousandsSeparator().empty());
}

}  // namespace
}  // namespace pkt
