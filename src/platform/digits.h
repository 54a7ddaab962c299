#pragma once
// Decimal digits written two at a time from a table: the export writes
// several numbers for every record and every field, and a division per digit
// is most of the cost of a short number.
#include <bit>
#include <cstdint>
#include <cstring>

#include "platform/bytes.h"

namespace pkt {

inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The magnitude of v, the lowest value included (its negation overflows in 64 signed bits).
inline std::uint64_t Magnitude(std::int64_t v) {
  return v < 0 ? 0u - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

// The two digits of v (below 100) at p.
inline void PutTwoDigits(char* p, unsigned v) { std::memcpy(p, kDigitPairs + 2 * v, 2); }

// The decimal digits of v written backwards so that they end at end (up to
// twenty bytes before it); returns the first digit.
inline char* PutDecimalBackward(char* end, std::uint64_t v) {
  char* p = end;
  while (v >= 100) {
    p -= 2;
    PutTwoDigits(p, static_cast<unsigned>(v % 100));
    v /= 100;
  }
  if (v >= 10) {
    p -= 2;
    PutTwoDigits(p, static_cast<unsigned>(v));
  } else {
    *--p = static_cast<char>('0' + v);
  }
  return p;
}

// The same for a value of 128 bits (up to 39 digits): a card number or a
// balance of twenty BCD digits does not fit in 64.
inline char* PutWideDecimalBackward(char* end, unsigned __int128 v) {
  char* p = end;
  // Nineteen digits at a time in 64 bits: 128-bit division is slow.
  constexpr std::uint64_t kChunk = 10000000000000000000ull;
  while (v >= kChunk) {
    const auto low = static_cast<std::uint64_t>(v % kChunk);
    v /= kChunk;
    char* const chunkStart = p - 19;
    p = PutDecimalBackward(p, low);
    while (p > chunkStart) *--p = '0';
  }
  return PutDecimalBackward(p, static_cast<std::uint64_t>(v));
}

// The number of decimal digits of v (1 for 0): the bit length gives the
// count to within one, a power of ten decides.
inline unsigned DecimalDigitCount(std::uint64_t v) {
  static constexpr std::uint64_t kPowers[20] = {
      1ull,          10ull,          100ull,          1000ull,          10000ull,
      100000ull,     1000000ull,     10000000ull,     100000000ull,     1000000000ull,
      10000000000ull, 100000000000ull, 1000000000000ull, 10000000000000ull, 100000000000000ull,
      1000000000000000ull, 10000000000000000ull, 100000000000000000ull, 1000000000000000000ull,
      10000000000000000000ull};
  const std::uint64_t w = v | 1;
  const unsigned bits = 64u - static_cast<unsigned>(__builtin_clzll(w));
  const unsigned t = (bits * 1233u) >> 12;  // about bits * log10(2)
  return t + (w >= kPowers[t] ? 1u : 0u);
}

// The decimal digits of v written forwards at o, straight into the output
// (a number built in a buffer of its own and copied would be read back
// before its bytes have settled); returns the end.
inline char* PutDecimal(char* o, std::uint64_t v) {
  char* const end = o + DecimalDigitCount(v);
  PutDecimalBackward(end, v);
  return end;
}

// Whether every nibble of up to eight bytes of packed BCD in w is a decimal
// digit: a nibble above 9 carries into bit 4 of its byte when 6 is added.
inline bool BcdWordDigits(std::uint64_t w) {
  constexpr std::uint64_t kLow = 0x0F0F0F0F0F0F0F0Full, kSix = 0x0606060606060606ull;
  return ((((w & kLow) + kSix) | (((w >> 4) & kLow) + kSix)) & 0x1010101010101010ull) == 0;
}

// Whether every nibble of n bytes of packed BCD is a decimal digit, eight
// bytes at a time (the words overlap rather than read past the bytes).
inline bool AllBcdDigits(const std::uint8_t* d, std::uint32_t n) {
  std::uint64_t w = 0;
  if (n >= 8) {
    for (std::uint32_t i = 0; i + 8 < n; i += 8) {
      std::memcpy(&w, d + i, 8);
      if (!BcdWordDigits(w)) return false;
    }
    std::memcpy(&w, d + n - 8, 8);
  } else if (n >= 4) {
    std::uint32_t head, tail;
    std::memcpy(&head, d, 4);
    std::memcpy(&tail, d + n - 4, 4);
    w = head | std::uint64_t{tail} << 32;
  } else {
    for (std::uint32_t i = 0; i < n; ++i) w = w << 8 | d[i];
  }
  return BcdWordDigits(w);
}

// Four bytes of packed BCD digits as their eight digits at o, each byte's
// high nibble first: the nibbles are spread a byte apart within one word.
inline void PutBcdQuad(char* o, const std::uint8_t* d) {
  std::uint64_t x = ReadLittleEndian32(d);  // d[k] in byte k
  x = (x | x << 16) & 0x0000FFFF0000FFFFull;
  x = (x | x << 8) & 0x00FF00FF00FF00FFull;  // d[k] in byte 2k
  constexpr std::uint64_t kNibbles = 0x000F000F000F000Full;
  x = ((x >> 4) & kNibbles) | (x & kNibbles) << 8 | 0x3030303030303030ull;
  if constexpr (std::endian::native == std::endian::big) x = __builtin_bswap64(x);
  std::memcpy(o, &x, 8);
}

// The decimal text of n bytes of packed BCD whose nibbles are all digits: the
// digits without the leading zeros ("0" for none), written at o, which has
// room for 2 * n + 1 bytes; returns the end.
inline char* PutBcdDigitsOf(char* o, const std::uint8_t* d, std::uint32_t n) {
  std::uint32_t i = 0;  // the first byte with a significant digit
  while (i < n && d[i] == 0) ++i;
  if (i == n) *o++ = '0';
  if (i < n && (d[i] >> 4) == 0) *o++ = static_cast<char>('0' + d[i++]);
  // Four bytes at a time; the last four are written in their place, over
  // digits the word before them wrote.
  const std::uint32_t pairs = n - i;  // the bytes left, two digits each
  if (pairs >= 4) {
    for (std::uint32_t k = 0; k + 4 < pairs; k += 4) PutBcdQuad(o + 2 * k, d + i + k);
    PutBcdQuad(o + 2 * (pairs - 4), d + n - 4);
    return o + 2 * pairs;
  }
  // A byte of two digits is the pair 10 * high + low of the digit pair table.
  for (; i < n; ++i, o += 2) PutTwoDigits(o, d[i] - 6u * (d[i] >> 4));
  return o;
}

}  // namespace pkt
