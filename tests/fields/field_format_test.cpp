// The formatter of the field formats: the placeholders the tag table uses,
// with printf's padding rules, and the compile-time check of a format.
#include <gtest/gtest.h>

#include "terminal/fields/field_format.h"

namespace pkt {
namespace {

std::string F(const char* fmt, std::initializer_list<FieldArg> args) {
  std::string out;
  AppendFieldFormat(out, fmt, args);
  return out;
}

TEST(FieldFormat, PlaceholdersFollowPrintf) {
  using A = FieldArg;
  EXPECT_EQ(F("%u.%.2u", {A::Int(12), A::Int(5)}), "12.05");
  EXPECT_EQ(F("%u|%d", {A::Int(-1), A::Int(0xFFFFFFFFLL)}), "4294967295|-1");
  EXPECT_EQ(F("%0X %.2X", {A::Int(10), A::Int(9)}), "A 09");
  EXPECT_EQ(F("[%4u|%-4u|%04u|%.4d]", {A::Int(7), A::Int(7), A::Int(7), A::Int(-7)}), "[   7|7   |0007|-0007]");
  EXPECT_EQ(F("%s %s %s", {A::Cp1251(std::string_view("\xC0\xC8", 2)), A::Stars(3), A::Int(-42)}), "АИ *** -42");
  EXPECT_EQ(F("%.2f|%.2f|%.2f", {A::Hundredths(101), A::Hundredths(-5), A::Hundredths(0)}), "1.01|-0.05|0.00");
  // Missing arguments write nothing; a lone % at the end and %% stay.
  EXPECT_EQ(F("a%ub%sc 100%% x%", {A::Int(1)}), "a1bc 100% x%");
  static_assert(FormatTakes("MF_TRZ_RESPCODE: %0X %s", "is") && !FormatTakes("MF_TRZ_AMOUNT: %f", "f"));
}

}  // namespace
}  // namespace pkt
