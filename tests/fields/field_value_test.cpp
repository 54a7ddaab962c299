// The typed value of a field agrees with the text the tree shows for it, for
// every row of the tag table and values of every width and kind.
#include <gtest/gtest.h>

#include <string>

#include "platform/bytes.h"
#include "render_helpers.h"
#include "terminal/fields/field_table.h"
#include "terminal/fields/field_value.h"

namespace pkt::test {
namespace {

using Kind = TFieldValue::Kind;

TFieldValue ValueOfField(std::uint32_t tag, const Bytes& value, const Bytes& before = {}) {
  TTLVStorage storage;
  Bytes message = before;
  Append(message, TlvBuilder().Item(tag, value).bytes());
  EXPECT_EQ(storage.Parse(message.data(), message.size()), TLV_OK);
  return FieldValueOf(storage, *storage.Item(storage.Count() - 1));
}

std::string FirstLine(const std::string& tree) { return tree.substr(0, tree.find('\n')); }

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  char two[2];
  for (std::uint8_t b : bytes) out.append(two, PutHexByte(two, b) - two);
  return out;
}

// The text a value stands for after "NAME: ", as the tree shows it.
std::string ShownOf(const FieldRule& r, const TFieldValue& v) {
  std::string sign = v.negative ? "-" : "";
  switch (v.kind) {
    case Kind::Number: return sign + v.digits;
    case Kind::Decimal: {
      const std::size_t point = v.digits.size() - v.scale;
      return sign + v.digits.substr(0, point) + "." + v.digits.substr(point);
    }
    case Kind::Code:
      if (r.conv == Conv::ResponseCode) {
        char hex[3] = {};
        PutHexByte(hex, static_cast<std::uint8_t>(v.code));
        return std::string(v.code < 16 ? hex + 1 : hex) + " " + v.text;
      }
      return v.text;
    case Kind::Text: return v.text;
    case Kind::Bytes: return Hex(v.bytes);
    case Kind::Absent: break;
  }
  return {};
}

// Checks the value of one field against its tree text.
void ExpectAgrees(const FieldRule& r, const std::string& shown, const TFieldValue& v, const std::string& what) {
  const std::string name = r.name;
  SCOPED_TRACE("tag " + std::to_string(r.tag) + " " + what + ": " + shown);
  if (v.kind == Kind::Absent) {
    EXPECT_TRUE(shown.rfind(name + ": ", 0) != 0 && shown != name);
    return;
  }
  if (shown == name) {
    EXPECT_EQ(v.kind, Kind::Text);
    EXPECT_EQ(v.text, "");
    return;
  }
  ASSERT_EQ(shown.rfind(name + ": ", 0), 0u);
  std::string after = shown.substr(name.size() + 2);
  if (v.kind == Kind::Bytes) std::erase_if(after, [](char c) { return c == ' ' || c == '[' || c == ']'; });
  EXPECT_EQ(after, ShownOf(r, v));
}

const std::vector<Bytes>& Samples() {
  static const std::vector<Bytes> samples = {
      {},
      B({0x05}),
      B({0xFE}),
      B({0x00, 0x7B}),
      B({0x12, 0x34, 0x56, 0x78}),
      B({0xFF, 0xFF, 0xFF, 0xFE}),
      B({0x7D, 0x0C, 0x1F, 0x0E, 0x1E, 0x3B}),
      Bcd("20305"),
      Bcd("78260103617117487373"),
      B({0x9F, 0xA0, 0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x34, 0x56}),
      Repeat(16, 0xAB),
      Repeat(33, 0x41),
      B({'O', 'K', ' ', 0xCF, 0xF0, 0xE8, 0x00, 'x'}),
  };
  return samples;
}

TEST(FieldValue, AgreesWithTheTreeForEveryRowAndValue) {
  for (std::size_t i = 0; i < FieldRuleCount(); ++i) {
    const FieldRule& r = FieldRules()[i];
    if (r.tag == 1) continue;  // the root, never an item of its own
    for (const Bytes& sample : Samples())
      ExpectAgrees(r, FirstLine(TreeOfField(r.tag, sample)), ValueOfField(r.tag, sample),
                   std::to_string(sample.size()) + " bytes");
    TTLVStorage empty;
    TTLV absent(r.tag, 0, tlvValue);
    ExpectAgrees(r, FirstLine(TreeOfAbsent(r.tag)), FieldValueOf(empty, absent), "absent");
  }
}

// A value filled in place, field after field, holds nothing of the field before.
TEST(FieldValue, FilledInPlaceHoldsOnlyTheLastField) {
  TFieldValue reused;
  for (std::size_t i = 0; i < FieldRuleCount(); ++i) {
    if (FieldRules()[i].tag == 1) continue;  // the root, never an item of its own
    for (const Bytes& sample : Samples()) {
      TTLVStorage storage;
      const Bytes message = TlvBuilder().Item(FieldRules()[i].tag, sample).bytes();
      ASSERT_EQ(storage.Parse(message.data(), message.size()), TLV_OK);
      const TTLV& item = *storage.Item(storage.Count() - 1);
      FieldValueOf(storage, item, reused);
      EXPECT_EQ(reused, FieldValueOf(storage, item)) << "tag " << int(FieldRules()[i].tag);
    }
  }
}

TEST(FieldValue, NumbersStayExactAtAnyLength) {
  const TFieldValue card = ValueOfField(8, Bcd("78260103617117487373"));
  EXPECT_EQ(card.kind, Kind::Number);
  EXPECT_EQ(card.digits, "78260103617117487373");
  const TFieldValue sum = ValueOfField(29, Bcd("00203000"));
  EXPECT_EQ(sum.kind, Kind::Decimal);
  EXPECT_EQ(sum.digits, "2030");
  EXPECT_EQ(sum.scale, 2);
  const TFieldValue small = ValueOfField(29, Bcd("00000500"));
  EXPECT_EQ(small.digits, "005");
  const TFieldValue filial = ValueOfField(142, B({0xFF, 0xFF, 0xFF, 0xFE}));
  EXPECT_TRUE(filial.negative);
  EXPECT_EQ(filial.digits, "2");
}

TEST(FieldValue, CodesKeepTheirNumberBesideTheirText) {
  const TFieldValue type = ValueOfField(2, B({8}));
  EXPECT_EQ(type.kind, Kind::Code);
  EXPECT_EQ(type.code, 8u);
  EXPECT_EQ(FirstLine(TreeOfField(2, B({8}))), "MF_TYPE_ID: " + type.text);
  const TFieldValue response = ValueOfField(31, B({0x1F}));
  EXPECT_EQ(response.code, 31u);
  const TFieldValue scheme = ValueOfField(129, B({2}));
  EXPECT_EQ(scheme.kind, Kind::Code);
  EXPECT_EQ(scheme.code, 2u);
  EXPECT_EQ(scheme.text, "ЭКП");
}

TEST(FieldValue, FailuresAreAbsentOrTheTextTheTreeShows) {
  EXPECT_EQ(ValueOfField(3, B({1})).kind, Kind::Absent);  // left out
  const TFieldValue unread = ValueOfField(51, B({1, 2}));  // "MF_MINPRICESERVICEID: ???"
  EXPECT_EQ(unread.kind, Kind::Text);
  EXPECT_EQ(unread.text, "???");
  EXPECT_EQ(ValueOfField(229, B({})).kind, Kind::Absent);   // "Error"
  EXPECT_EQ(ValueOfField(109, B({})).digits, "0");           // zeroed
  EXPECT_EQ(ValueOfField(7, B({0xF0})).kind, Kind::Number);  // one byte of two widths
  EXPECT_EQ(ValueOfField(250, B({1})).kind, Kind::Absent);   // no row
}

TEST(FieldValue, FieldsShownByNameAreEmptyTexts) {
  const TFieldValue nested = ValueOfField(50, TlvBuilder().Byte(3, 1).bytes());
  EXPECT_EQ(nested.kind, Kind::Text);
  EXPECT_EQ(nested.text, "");
  const TFieldValue hex = ValueOfField(153, B({0xAB, 0x01}));
  EXPECT_EQ(hex.kind, Kind::Bytes);
  EXPECT_EQ(hex.bytes, (std::vector<std::uint8_t>{0xAB, 0x01}));
}

TEST(FieldValue, NamesGivenToTwoTagsFindBoth) {
  EXPECT_EQ(FieldTagsNamed("MF_CERT_DATA"), (std::vector<std::uint8_t>{156, 159}));
  EXPECT_EQ(FieldTagsNamed("MF_CARD_ID"), (std::vector<std::uint8_t>{8}));
  EXPECT_TRUE(FieldTagsNamed("MF_NOTHING").empty());
}

}  // namespace
}  // namespace pkt::test
