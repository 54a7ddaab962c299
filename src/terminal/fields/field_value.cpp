#include "terminal/fields/field_value.h"

#include <array>
#include <cstring>

#include "terminal/fields/field_format.h"
#include "terminal/fields/field_read.h"
#include "terminal/fields/renderer.h"
#include "text/codepage.h"
#include "text/tree.h"

namespace pkt {

namespace {

using Kind = TFieldValue::Kind;

// The text after "NAME: " of a field text, or a text of the name alone as an
// empty one; Absent for a text of any other form ("Error", "NAME ???").
TFieldValue ValueAfterName(const FieldRule& r, std::string_view shown) {
  TFieldValue v;
  const std::size_t n = std::strlen(r.name);
  if (shown.substr(0, n) != r.name) return v;
  if (shown.size() == n) {
    v.kind = Kind::Text;
  } else if (shown.substr(n, 2) == ": ") {
    v.kind = Kind::Text;
    v.text = shown.substr(n + 2);
  }
  return v;
}

// The field as the tree shows it, for the fields whose value is a text of
// their own making (a nested message, a structured record, a time range).
TFieldValue ValueOfShownNode(const FieldRule& r, const TTLVStorage& storage, const TTLV& item) {
  TreeNode top;
  AddFieldNode(top, storage, item);
  if (top.children.empty()) return {};
  return ValueAfterName(r, top.children.front()->text);
}

std::string Digits(unsigned __int128 v, std::uint8_t scale) {
  char buffer[48];
  char* const end = buffer + sizeof buffer;
  char* p = PutWideDecimalBackward(end, v);
  while (end - p < scale + 1) *--p = '0';
  return std::string(p, end);
}

// The conversion of the placeholder that shows a row's number (u, d, s...),
// or 0 when the row's format shows none; read from the formats once.
char NumberConversion(const FieldRule& r) {
  static const std::array<char, 256> conversions = [] {
    std::array<char, 256> c{};
    for (std::size_t i = 0; i < FieldRuleCount(); ++i) {
      TCompiledFormat format;
      if (format.Compile(FieldRules()[i].format))
        for (const auto& piece : format)
          if (piece.text == nullptr) c[FieldRules()[i].tag] = piece.ph.conversion;
    }
    return c;
  }();
  return conversions[r.tag];
}

// A number as the row's placeholder shows it: %u and %d reduce it to 32 bits.
TFieldValue NumberValue(const FieldRule& r, const TFieldReading& reading) {
  TFieldValue v;
  v.kind = Kind::Number;
  bool negative = reading.negative;
  unsigned __int128 magnitude = reading.magnitude;
  const char conversion = NumberConversion(r);
  if (conversion == 0) return ValueAfterName(r, r.format);  // a format that does not show the number
  if (conversion == 'u' || conversion == 'd') {
    const auto bits = static_cast<std::uint32_t>(
        negative ? 0u - static_cast<std::uint64_t>(magnitude) : static_cast<std::uint64_t>(magnitude));
    negative = conversion == 'd' && static_cast<std::int32_t>(bits) < 0;
    magnitude = negative ? 0u - bits : bits;
  }
  v.negative = negative && magnitude != 0;
  v.digits = conversion == 's' && !reading.digits.empty() ? std::string(reading.digits) : Digits(magnitude, 0);
  return v;
}

TFieldValue TextValue(const TFieldReading& reading) {
  TFieldValue v;
  v.kind = Kind::Text;
  switch (reading.coding) {
    case TFieldReading::Coding::Utf8: v.text = reading.text; break;
    case TFieldReading::Coding::Cp1251: v.text = Cp1251ToUtf8(reading.text); break;
    case TFieldReading::Coding::Stars: v.text.assign(reading.text.size(), '*'); break;
  }
  return v;
}

TFieldValue ShownValue(const FieldRule& r, const TFieldReading& reading) {
  TFieldValue v = ValueAfterName(r, reading.text);
  // An enumeration's name stands for its code.
  const bool failure = r.failure.kind == Fail::Quoted && reading.text.data() == r.failure.text;
  if (r.conv == Conv::Enumeration && !failure && v.kind == Kind::Text) {
    v.kind = Kind::Code;
    v.code = static_cast<std::uint32_t>(reading.magnitude);
  }
  return v;
}

}  // namespace

TFieldValue FieldValueOf(const TTLVStorage& storage, const TTLV& item) {
  const FieldRule* r = FieldRuleOf(item.GetTag());
  if (r == nullptr) return {};
  if (r->conv == Conv::Nested || r->conv == Conv::Structured) return ValueOfShownNode(*r, storage, item);
  TFieldReading reading;
  ReadField(storage, item, *r, TreeColumns(*r), reading);
  TFieldValue v;
  switch (reading.kind) {
    case TFieldReading::Kind::Nothing: break;
    case TFieldReading::Kind::Shown: return ShownValue(*r, reading);
    case TFieldReading::Kind::Number: return NumberValue(*r, reading);
    case TFieldReading::Kind::Decimal:
      v.kind = Kind::Decimal;
      v.negative = reading.negative;
      v.scale = reading.scale;
      v.digits = Digits(reading.magnitude, reading.scale);
      break;
    case TFieldReading::Kind::Code:
      v.kind = Kind::Code;
      v.code = static_cast<std::uint32_t>(reading.magnitude);
      v.text = reading.text;
      break;
    case TFieldReading::Kind::Text: return TextValue(reading);
    case TFieldReading::Kind::Bytes:
      v.kind = Kind::Bytes;
      v.bytes.assign(reading.bytes.begin(), reading.bytes.end());
      break;
    case TFieldReading::Kind::Times: return ValueOfShownNode(*r, storage, item);
  }
  return v;
}

const TTLV* NestedMessageItem(const TTLVStorage& storage, const TTLV& item) {
  constexpr std::uint32_t kExtendedCardData = 34;
  if (item.GetTag() != kExtendedCardData) return &item;
  const TTLV* first = nullptr;
  return storage.Find(kExtendedCardData, first) == TLV_OK ? first : nullptr;
}

std::vector<std::uint8_t> FieldTagsNamed(std::string_view name) {
  std::vector<std::uint8_t> tags;
  for (std::size_t i = 0; i < FieldRuleCount(); ++i)
    if (FieldRules()[i].name == name) tags.push_back(FieldRules()[i].tag);
  return tags;
}

}  // namespace pkt
