#include "terminal/fields/field_value.h"

#include <cstring>

#include "platform/digits.h"
#include "terminal/fields/field_format.h"
#include "terminal/fields/field_read.h"
#include "terminal/fields/renderer.h"
#include "text/codepage.h"
#include "text/tree.h"

namespace pkt {

namespace {

using Kind = TFieldValue::Kind;

// Makes v an Absent value that keeps the room of its texts and bytes.
void Clear(TFieldValue& v) {
  v.kind = Kind::Absent;
  v.negative = false;
  v.scale = 0;
  v.digits.clear();
  v.code = 0;
  v.text.clear();
  v.bytes.clear();
}

// The text after "NAME: " of a field text, or a text of the name alone as an
// empty one; Absent for a text of any other form ("Error", "NAME ???").
void ValueAfterName(const FieldRule& r, std::string_view shown, TFieldValue& v) {
  const std::size_t n = std::strlen(r.name);
  if (shown.substr(0, n) != r.name) return;
  if (shown.size() == n) {
    v.kind = Kind::Text;
  } else if (shown.substr(n, 2) == ": ") {
    v.kind = Kind::Text;
    v.text.assign(shown.substr(n + 2));
  }
}

// The field as the tree shows it, for the fields whose value is a text of
// their own making (a nested message, a structured record, a time range).
void ValueOfShownNode(const FieldRule& r, const TTLVStorage& storage, const TTLV& item, TFieldValue& v) {
  TreeNode top;
  AddFieldNode(top, storage, item);
  if (!top.children.empty()) ValueAfterName(r, top.children.front()->text, v);
}

// The decimal digits of v, at least scale + 1 of them.
void PutDigits(unsigned __int128 v, std::uint8_t scale, std::string& digits) {
  char buffer[48];
  char* const end = buffer + sizeof buffer;
  char* p = PutWideDecimalBackward(end, v);
  while (end - p < scale + 1) *--p = '0';
  digits.assign(p, end);
}

// The conversion of the placeholder that shows a row's number (u, d, s...),
// or 0 when the row's format shows none, read from the row's plan.
char NumberConversion(const FieldRule& r) {
  char conversion = 0;
  for (const TCompiledFormat::Piece& piece : FieldFormatOf(r))
    if (piece.text == nullptr) conversion = piece.ph.conversion;
  return conversion;
}

// A number as the row's placeholder shows it: %u and %d reduce it to 32 bits.
void NumberValue(const FieldRule& r, const TFieldReading& reading, TFieldValue& v) {
  bool negative = reading.negative;
  unsigned __int128 magnitude = reading.magnitude;
  const char conversion = NumberConversion(r);
  if (conversion == 0) return ValueAfterName(r, r.format, v);  // a format that does not show the number
  if (conversion == 'u' || conversion == 'd') {
    const auto bits = static_cast<std::uint32_t>(
        negative ? 0u - static_cast<std::uint64_t>(magnitude) : static_cast<std::uint64_t>(magnitude));
    negative = conversion == 'd' && static_cast<std::int32_t>(bits) < 0;
    magnitude = negative ? 0u - bits : bits;
  }
  v.kind = Kind::Number;
  v.negative = negative && magnitude != 0;
  if (conversion == 's' && !reading.bcdDigits.empty()) {
    const auto* d = reinterpret_cast<const std::uint8_t*>(reading.bcdDigits.data());
    const auto n = static_cast<std::uint32_t>(reading.bcdDigits.size());
    v.digits.resize(2 * n + 1);
    v.digits.resize(static_cast<std::size_t>(PutBcdDigitsOf(v.digits.data(), d, n) - v.digits.data()));
  } else {
    PutDigits(magnitude, 0, v.digits);
  }
}

void TextValue(const TFieldReading& reading, TFieldValue& v) {
  v.kind = Kind::Text;
  switch (reading.coding) {
    case TFieldReading::Coding::Ascii: v.text.assign(reading.text); break;
    case TFieldReading::Coding::Cp1251: AppendCp1251AsUtf8(v.text, reading.text); break;
    case TFieldReading::Coding::Stars: v.text.assign(reading.text.size(), '*'); break;
  }
}

void ShownValue(const FieldRule& r, const TFieldReading& reading, TFieldValue& v) {
  ValueAfterName(r, reading.text, v);
  // An enumeration's name stands for its code.
  const bool failure = r.failure.kind == Fail::Quoted && reading.text.data() == r.failure.text;
  if (r.conv == Conv::Enumeration && !failure && v.kind == Kind::Text) {
    v.kind = Kind::Code;
    v.code = static_cast<std::uint32_t>(reading.magnitude);
  }
}

// The value of a reading of row r.
void ValueOfReading(const FieldRule& r, const TFieldReading& reading, TFieldValue& v) {
  switch (reading.kind) {
    case TFieldReading::Kind::Nothing: break;
    case TFieldReading::Kind::Shown: ShownValue(r, reading, v); break;
    case TFieldReading::Kind::Number: NumberValue(r, reading, v); break;
    case TFieldReading::Kind::Decimal:
      v.kind = Kind::Decimal;
      v.negative = reading.negative;
      v.scale = reading.scale;
      PutDigits(reading.magnitude, reading.scale, v.digits);
      break;
    case TFieldReading::Kind::Code:
      v.kind = Kind::Code;
      v.code = static_cast<std::uint32_t>(reading.magnitude);
      v.text.assign(reading.text);
      break;
    case TFieldReading::Kind::Text: TextValue(reading, v); break;
    case TFieldReading::Kind::Bytes:
      v.kind = Kind::Bytes;
      v.bytes.assign(reading.bytes.begin(), reading.bytes.end());
      break;
    case TFieldReading::Kind::Times: break;  // shown by its node
  }
}

}  // namespace

void FieldValueOf(const TTLVStorage& storage, const TTLV& item, TFieldValue& out) {
  Clear(out);
  const FieldRule* r = FieldRuleOf(item.GetTag());
  if (r == nullptr) return;
  if (r->conv == Conv::Nested || r->conv == Conv::Structured) return ValueOfShownNode(*r, storage, item, out);
  TFieldReading reading;
  ReadField(storage, item, *r, TreeColumns(*r), reading);
  if (reading.kind == TFieldReading::Kind::Times) return ValueOfShownNode(*r, storage, item, out);
  ValueOfReading(*r, reading, out);
}

TFieldValue FieldValueOf(const TTLVStorage& storage, const TTLV& item) {
  TFieldValue v;
  FieldValueOf(storage, item, v);
  return v;
}

std::vector<std::uint8_t> FieldTagsNamed(std::string_view name) {
  std::vector<std::uint8_t> tags;
  for (std::size_t i = 0; i < FieldRuleCount(); ++i)
    if (FieldRules()[i].name == name) tags.push_back(FieldRules()[i].tag);
  return tags;
}

}  // namespace pkt
