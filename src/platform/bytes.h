#pragma once
// Small readers of the logs' binary values, written once: hexadecimal digits,
// little- and big-endian numbers, packed BCD. Callers check the bounds; these
// read exactly the bytes they are given.
#include <cstddef>
#include <cstdint>

namespace pkt {

inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// The two upper-case hexadecimal digits of b at o; returns the end.
inline char* PutHexByte(char* o, std::uint8_t b) {
  o[0] = kHexDigits[b >> 4];
  o[1] = kHexDigits[b & 0x0F];
  return o + 2;
}

inline std::uint16_t ReadBigEndian16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }
inline std::uint32_t ReadBigEndian24(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
}
inline std::uint32_t ReadBigEndian32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
inline std::uint16_t ReadLittleEndian16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadLittleEndian32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
inline std::uint64_t ReadLittleEndian64(const std::uint8_t* p) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// The digit pair of one packed BCD byte, 10 * high + low nibble (a nibble
// above 9 counts with its binary value, so a byte gives at most 165).
inline unsigned BcdPair(std::uint8_t b) { return (b >> 4) * 10u + (b & 0x0Fu); }

// The exact value of n packed BCD bytes, the first the most significant: up to
// nineteen bytes fit (card numbers and balances have up to ten). Nine bytes
// fit in 64 bits whatever their nibbles; the rest are added in 128 bits.
inline unsigned __int128 BcdValue128(const std::uint8_t* d, std::size_t n) {
  const std::size_t head = n < 9 ? n : 9;
  std::uint64_t first = 0;
  for (std::size_t i = 0; i < head; ++i) first = first * 100 + BcdPair(d[i]);
  unsigned __int128 v = first;
  for (std::size_t i = head; i < n; ++i) v = v * 100 + BcdPair(d[i]);
  return v;
}

}  // namespace pkt
