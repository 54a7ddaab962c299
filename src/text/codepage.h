#pragma once
// The 8-bit code pages of the logs. Texts inside the program are UTF-8; bytes
// of a log that become text are cp1251 and are decoded where they become text;
// the export encodes back to cp1251. cp1251 <-> UTF-8 is a bijection over all
// 256 byte values (0x98, unassigned in cp1251, maps to U+0098), so every log
// byte that reaches an export comes back unchanged.
#include <cstddef>
#include <string>
#include <string_view>

namespace pkt {

// cp1251 bytes to UTF-8.
std::string Cp1251ToUtf8(std::string_view bytes);
void AppendCp1251AsUtf8(std::string& out, std::string_view bytes);
// UTF-8 to cp1251: the inverse of Cp1251ToUtf8. The figure space U+2007 and
// the narrow no-break space U+202F (thousands separators of some locales)
// become the no-break space 0xA0. Any other character without a cp1251 byte,
// and each malformed UTF-8 sequence, becomes '?'.
std::string Utf8ToCp1251(std::string_view text);
void AppendUtf8AsCp1251(std::string& out, std::string_view text);

// The OEM (cp866) to ANSI (cp1251) conversion of a byte buffer, in place.
// Bytes below 0x80 stay; letters and the signs that cp1251 also has map to
// their cp1251 bytes; pseudo-graphics become ASCII look-alikes: vertical lines
// '|', single horizontal lines '-', double horizontal lines '=', corners and
// junctions '+', shades, blocks and the black square '#'; the square root 'v'.
void OemToAnsi(char* buffer, std::size_t size);

}  // namespace pkt
