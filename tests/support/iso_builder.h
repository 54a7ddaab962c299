#pragma once
// Builds ISO 8583 messages of both dialects field by field: the bitmaps are set
// from the fields added (bit 1 and the secondary bitmap appear as soon as a
// field above 64 is), each field gets the length prefix its method names, and
// raw pieces can be put anywhere for malformed input.
#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/bytes.h"

namespace pkt::test {

// A length written as `digits` ASCII decimal digits.
inline Bytes DigitPrefix(std::size_t value, int digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*zu", digits, value);
  return Text(buf);
}

// A length 0..9999 as 2 bytes of packed BCD, most significant digits first.
inline Bytes BcdPrefix(unsigned value) {
  auto pack = [](unsigned two) { return static_cast<int>(((two / 10) << 4) | (two % 10)); };
  return B({pack(value / 100 % 100), pack(value % 100)});
}

// Field-48 elements: two-digit tag, two-digit length, value.
inline std::string Field48(std::initializer_list<std::pair<int, std::string_view>> elements) {
  std::string out;
  for (const auto& [tag, value] : elements) {
    char head[8];
    std::snprintf(head, sizeof head, "%02d%02zu", tag, value.size());
    out += head;
    out += value;
  }
  return out;
}

// One EMV element of field 55: the tag (one byte, or two for a value above
// 255), one length byte, the value.
inline Bytes EmvElement(unsigned tag, const Bytes& value) {
  Bytes out;
  if (tag > 0xFF) out.push_back(static_cast<std::uint8_t>(tag >> 8));
  out.push_back(static_cast<std::uint8_t>(tag & 0xFF));
  out.push_back(static_cast<std::uint8_t>(value.size()));
  Append(out, value);
  return out;
}

// The part both dialects share: fields by number, bitmap bits, a raw tail.
template <class Self>
class IsoBuilderBase {
 public:
  // Field data without a length prefix.
  Self& Fixed(int field, std::string_view data) { return Put(field, Text(data)); }
  Self& Fixed(int field, const Bytes& data) { return Put(field, data); }
  // Field data behind an ASCII decimal length prefix of 1, 2, 3 or 5 digits.
  Self& L(int field, std::string_view data) { return Prefixed(field, Text(data), 1); }
  Self& LL(int field, std::string_view data) { return Prefixed(field, Text(data), 2); }
  Self& LLL(int field, std::string_view data) { return Prefixed(field, Text(data), 3); }
  Self& LLLLL(int field, std::string_view data) { return Prefixed(field, Text(data), 5); }
  // Binary field data behind a 2-byte BCD length.
  Self& BcdBinary(int field, const Bytes& data) {
    Bytes b = BcdPrefix(static_cast<unsigned>(data.size()));
    Append(b, data);
    return Put(field, b);
  }
  // The bytes of a field's place, prefix included, exactly as given.
  Self& Raw(int field, const Bytes& bytes) { return Put(field, bytes); }
  // A bit set with nothing added to the field data (unknown fields, bit 65).
  Self& Bit(int field) {
    bits_.insert(field);
    return self();
  }
  // Bit 1 left clear even when fields above 64 are present.
  Self& NoSecondaryBit() {
    noSecondaryBit_ = true;
    return self();
  }
  // Bytes added after the last field.
  Self& Tail(const Bytes& bytes) {
    Append(tail_, bytes);
    return self();
  }

 protected:
  // The 16 bitmap bytes, primary then secondary; the second half only counts
  // when bit 1 is set.
  std::vector<std::uint8_t> BitmapBytes() const {
    std::vector<std::uint8_t> map(16, 0);
    std::set<int> bits = bits_;
    for (const auto& [f, data] : fields_) bits.insert(f);
    for (int f : bits)
      if (f > 64 && !noSecondaryBit_) bits.insert(1);
    for (int f : bits) map[(f - 1) / 8] |= static_cast<std::uint8_t>(0x80 >> ((f - 1) % 8));
    return map;
  }
  bool HasSecondary() const { return BitmapBytes()[0] & 0x80; }
  Bytes FieldBytes() const {
    Bytes out;
    for (const auto& [f, data] : fields_) Append(out, data);
    Append(out, tail_);
    return out;
  }

 private:
  Self& self() { return static_cast<Self&>(*this); }
  Self& Put(int field, const Bytes& bytes) {
    fields_[field] = bytes;
    return self();
  }
  Self& Prefixed(int field, const Bytes& data, int digits) {
    Bytes b = DigitPrefix(data.size(), digits);
    Append(b, data);
    return Put(field, b);
  }

  std::map<int, Bytes> fields_;
  std::set<int> bits_;
  bool noSecondaryBit_ = false;
  Bytes tail_;
};

inline std::string HexText(const std::uint8_t* bytes, std::size_t n) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
  return out;
}

// BFKO: 8-character header, 4-character type, bitmaps as 16 hex characters.
class BfkoBuilder : public IsoBuilderBase<BfkoBuilder> {
 public:
  BfkoBuilder(std::string_view header = "00000000", std::string_view type = "0200")
      : header_(Text(header)), type_(Text(type)) {}
  // Bitmap texts as given, in place of the ones the fields set.
  BfkoBuilder& PrimaryBitmapText(const Bytes& text) {
    primaryText_ = text;
    return *this;
  }
  BfkoBuilder& SecondaryBitmapText(const Bytes& text) {
    secondaryText_ = text;
    return *this;
  }

  Bytes Build() const {
    std::vector<std::uint8_t> map = BitmapBytes();
    Bytes out = header_;
    Append(out, type_);
    Append(out, primaryText_ ? *primaryText_ : Text(HexText(map.data(), 8)));
    if (secondaryText_)
      Append(out, *secondaryText_);
    else if (map[0] & 0x80)
      Append(out, Text(HexText(map.data() + 8, 8)));
    Append(out, FieldBytes());
    return out;
  }

 private:
  Bytes header_, type_;
  std::optional<Bytes> primaryText_, secondaryText_;
};

// Host-to-host: 4-character type, bitmaps as 8 binary bytes each.
class H2hBuilder : public IsoBuilderBase<H2hBuilder> {
 public:
  explicit H2hBuilder(std::string_view type = "1100") : type_(Text(type)) {}

  Bytes Build() const {
    std::vector<std::uint8_t> map = BitmapBytes();
    Bytes out = type_;
    out.insert(out.end(), map.begin(), map.begin() + ((map[0] & 0x80) ? 16 : 8));
    Append(out, FieldBytes());
    return out;
  }

 private:
  Bytes type_;
};

// The first `n` bytes of a message.
inline Bytes Prefix(const Bytes& msg, std::size_t n) { return Bytes(msg.begin(), msg.begin() + std::min(n, msg.size())); }

}  // namespace pkt::test
