#pragma once
// Builds terminal-protocol TLV strings item by item.
#include <cstdint>
#include <string_view>

#include "support/bytes.h"

namespace pkt::test {

// The length field of an item: one byte below 0x80, else 0x82 with two bytes,
// else 0x83 with three bytes (big-endian).
inline Bytes TlvLength(std::uint32_t length) {
  if (length < 0x80) return B({int(length)});
  if (length <= 0xFFFF) return B({0x82, int(length >> 8), int(length & 0xFF)});
  return B({0x83, int(length >> 16), int((length >> 8) & 0xFF), int(length & 0xFF)});
}

// The tag field: one byte for 0..30, else 0x1F followed by the tag.
inline Bytes TlvTag(std::uint32_t tag) {
  if (tag <= 30) return B({int(tag)});
  return B({0x1F, int(tag)});
}

class TlvBuilder {
 public:
  // A whole item: tag, shortest length form, value.
  TlvBuilder& Item(std::uint32_t tag, const Bytes& value) {
    Append(bytes_, TlvTag(tag));
    Append(bytes_, TlvLength(static_cast<std::uint32_t>(value.size())));
    Append(bytes_, value);
    return *this;
  }
  // The root header (tag 1) announcing length; the items that follow are inside it.
  TlvBuilder& Root(std::uint32_t length) {
    Append(bytes_, TlvTag(1));
    Append(bytes_, TlvLength(length));
    return *this;
  }
  // A root header announcing every byte added after it (call last).
  Bytes WithRoot() const {
    Bytes out = TlvTag(1);
    Append(out, TlvLength(static_cast<std::uint32_t>(bytes_.size())));
    Append(out, bytes_);
    return out;
  }
  TlvBuilder& Byte(std::uint32_t tag, std::uint8_t v) { return Item(tag, B({v})); }
  TlvBuilder& Word(std::uint32_t tag, std::uint16_t v) {
    Bytes b;
    PutBE16(b, v);
    return Item(tag, b);
  }
  TlvBuilder& DWord(std::uint32_t tag, std::uint32_t v) {
    Bytes b;
    PutBE32(b, v);
    return Item(tag, b);
  }
  // Packed BCD of a string of decimal digits, two per byte; an odd count gets a leading 0.
  TlvBuilder& Bcd(std::uint32_t tag, std::string_view digits) {
    std::string d(digits);
    if (d.size() % 2) d.insert(d.begin(), '0');
    Bytes b;
    for (std::size_t i = 0; i < d.size(); i += 2) b.push_back(static_cast<std::uint8_t>(((d[i] - '0') << 4) | (d[i + 1] - '0')));
    return Item(tag, b);
  }
  TlvBuilder& Str(std::uint32_t tag, std::string_view text) { return Item(tag, Text(text)); }
  TlvBuilder& Nested(std::uint32_t tag, const TlvBuilder& inner) { return Item(tag, inner.bytes()); }
  // Bytes added as they are (for malformed input).
  TlvBuilder& Raw(const Bytes& b) {
    Append(bytes_, b);
    return *this;
  }

  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// The body of a terminal log record: frame header (message number at 0, size
// at 6, the size counting the TLV and 16 more bytes), then the TLV string.
// size overrides the size field when given.
inline Bytes TerminalFrameBody(std::uint32_t number, const Bytes& tlv, int size = -1) {
  Bytes body;
  PutLE32(body, number);
  PutLE16(body, 0);
  PutLE16(body, size >= 0 ? std::uint32_t(size) : std::uint32_t(tlv.size() + 16));
  body.resize(26, 0);
  Append(body, tlv);
  return body;
}

// The body of a host-to-host TLV record: frame header (message number at 1,
// size at 6, the size counting the TLV and 32 more bytes), then the TLV.
inline Bytes HostFrameBody(std::uint32_t number, const Bytes& tlv, int size = -1) {
  Bytes body{0};
  PutLE32(body, number);
  body.push_back(0);
  PutLE16(body, size >= 0 ? std::uint32_t(size) : std::uint32_t(tlv.size() + 32));
  body.resize(40, 0);
  Append(body, tlv);
  return body;
}

}  // namespace pkt::test
