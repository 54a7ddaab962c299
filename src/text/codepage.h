#pragma once
// The 8-bit code pages of the logs. Texts inside the program are UTF-8; bytes
// of a log that become text are cp1251 and are decoded where they become text;
// the export encodes back to cp1251. cp1251 <-> UTF-8 is a bijection over all
// 256 byte values (0x98, unassigned in cp1251, maps to U+0098), so every log
// byte that reaches an export comes back unchanged.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace pkt {

// cp1251 bytes to UTF-8.
std::string Cp1251ToUtf8(std::string_view bytes);
void AppendCp1251AsUtf8(std::string& out, std::string_view bytes);
// The same written at o, which has room for three bytes a byte; returns the end.
char* PutCp1251AsUtf8(char* o, std::string_view bytes);
// UTF-8 to cp1251: the inverse of Cp1251ToUtf8. The figure space U+2007 and
// the narrow no-break space U+202F (thousands separators of some locales)
// become the no-break space 0xA0. Any other character without a cp1251 byte,
// and each malformed UTF-8 sequence, becomes '?'.
std::string Utf8ToCp1251(std::string_view text);
void AppendUtf8AsCp1251(std::string& out, std::string_view text);
// The cp1251 byte of the UTF-8 sequence at p (p < end, *p at least 0x80) by
// the same rule, p moved past the sequence (past the lead byte only when the
// sequence is cut short, so that the byte that broke it is read afresh).
char Utf8SequenceToCp1251(const unsigned char*& p, const unsigned char* end);

// The cp1251 byte of each character below U+0800 ('?' where it has none).
extern const std::array<char, 0x800> kCp1251BelowU0800;

// Utf8SequenceToCp1251 with the two-byte sequences (Cyrillic letters, the
// signs of Latin-1) looked up in place; returns p past the sequence.
inline const unsigned char* NextUtf8SequenceAsCp1251(const unsigned char* p, const unsigned char* end, char& byte) {
  const unsigned lead = *p;
  if (lead - 0xC2u <= 0xDFu - 0xC2u && end - p >= 2 && (p[1] & 0xC0) == 0x80) {
    byte = kCp1251BelowU0800[((lead & 0x1Fu) << 6) | (p[1] & 0x3Fu)];
    return p + 2;
  }
  byte = Utf8SequenceToCp1251(p, end);
  return p;
}

// The OEM (cp866) to ANSI (cp1251) conversion of a byte buffer, in place.
// Bytes below 0x80 stay; letters and the signs that cp1251 also has map to
// their cp1251 bytes; pseudo-graphics become ASCII look-alikes: vertical lines
// '|', single horizontal lines '-', double horizontal lines '=', corners and
// junctions '+', shades, blocks and the black square '#'; the square root 'v'.
void OemToAnsi(char* buffer, std::size_t size);

}  // namespace pkt
