// The formatter of the field formats: the placeholders the tag table uses,
// with printf's padding rules, and the compile-time check of a format.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/digits.h"
#include "terminal/fields/field_format.h"
#include "terminal/fields/field_table.h"

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

// A compiled format writes its text within the room it asks for, and the
// same text into room of its own as appended to a string, for every format of
// the tag table and the formatter's own odd cases, with arguments of every
// kind and of the extreme values (the sanitizer build sees a write past it).
TEST(FieldFormat, ACompiledFormatWritesWhatTheFormatterWrites) {
  using A = FieldArg;
  std::vector<const char*> formats = {"%u.%.2u", "[%4u|%-4u|%04u|%.4d]", "a%ub%sc 100%% x%", "%", "x%05", "%%%%",
                                      "%.0u|%.0d", "%s", "", "%0X %s", "%.2f %.2f"};
  for (std::size_t i = 0; i < FieldRuleCount(); ++i) formats.push_back(FieldRules()[i].format);
  const std::vector<std::vector<A>> argumentLists = {
      {},
      {A::Int(0), A::Int(0), A::Int(0), A::Int(0)},
      {A::Int(-1), A::Int(0xFFFFFFFFLL), A::Int(INT64_MIN), A::Int(7)},
      {A::Int(1234567), A::Int(5), A::Hundredths(-105), A::Int(42)},
      {A::Hundredths(INT64_MIN), A::Hundredths(INT64_MAX), A::Stars(3), A::Int(9)},
      {A::Utf8("два слова"), A::Cp1251(std::string_view("\xC0\x98\xFF", 3)), A::Stars(0), A::Utf8("")},
  };
  for (const char* fmt : formats) {
    if (fmt == nullptr) continue;
    TCompiledFormat compiled;
    ASSERT_TRUE(compiled.Compile(fmt)) << fmt;
    for (const std::vector<A>& args : argumentLists) {
      // The formatter takes an initializer list: each list of none or four is spelled out.
      auto check = [&](std::initializer_list<A> list) {
        std::string expected;
        AppendFieldFormat(expected, fmt, list);
        const std::size_t size = compiled.Room(list);
        const auto room = std::make_unique<char[]>(size);  // exactly the room: no terminator behind it
        char* const end = compiled.Put(room.get(), list);
        EXPECT_LE(end - room.get(), static_cast<std::ptrdiff_t>(size)) << fmt;
        EXPECT_EQ(std::string(room.get(), end), expected) << fmt;
      };
      if (args.empty()) {
        check({});
      } else {
        check({args[0], args[1], args[2], args[3]});
      }
    }
  }
  TCompiledFormat tooLong;
  EXPECT_FALSE(tooLong.Compile("%u%u%u%u%u%u%u%u%u%u%u%u%u"));
  EXPECT_FALSE(tooLong.Compile(nullptr));
}

TEST(Digits, CountAndForwardWritingAtEveryPowerOfTen) {
  std::vector<std::uint64_t> values = {0, UINT64_MAX};
  for (std::uint64_t p = 1; p <= UINT64_MAX / 10; p *= 10) {
    values.insert(values.end(), {p - 1, p, p + 1, 2 * p, 9 * p + (p - 1)});
  }
  values.push_back(10000000000000000000ull);
  for (std::uint64_t v : values) {
    const std::string expected = std::to_string(v);
    EXPECT_EQ(DecimalDigitCount(v), expected.size()) << v;
    char out[24];
    EXPECT_EQ(std::string(out, PutDecimal(out, v)), expected);
  }
  char out[32];
  EXPECT_EQ(std::string(out, PutHundredths(out, -105)), "-1.05");
  EXPECT_EQ(std::string(out, PutHundredths(out, INT64_MIN)), "-92233720368547758.08");
}

}  // namespace
}  // namespace pkt
