#include "text/codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace pkt {
namespace {

// The characters of the cp1251 bytes 0x80 to 0xFF. 0x98 is unassigned in the
// code page; it stands for U+0098 so that no byte is lost on the way to text
// and back.
constexpr char16_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

// The UTF-8 form of each high byte, ready to append.
struct Utf8Char {
  std::uint8_t size;
  char bytes[3];
};

constexpr std::array<Utf8Char, 128> MakeUtf8Forms() {
  std::array<Utf8Char, 128> forms{};
  for (int i = 0; i < 128; ++i) {
    char16_t c = kCp1251High[i];
    if (c < 0x800) {
      forms[i] = {2, {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F)), 0}};
    } else {
      forms[i] = {3, {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))}};
    }
  }
  return forms;
}
constexpr std::array<Utf8Char, 128> kUtf8Forms = MakeUtf8Forms();

// Character -> cp1251 byte for every character above U+007F that has one,
// sorted by character for a binary search. Two spaces that number formats use
// as thousands separators (figure space U+2007, narrow no-break space U+202F)
// have no byte of their own and are written as the no-break space 0xA0; this
// adds targets without changing what any byte decodes to.
struct Reverse {
  char16_t c;
  std::uint8_t byte;
};

constexpr std::size_t kReverseSize = 128 + 2;

constexpr std::array<Reverse, kReverseSize> MakeReverse() {
  std::array<Reverse, kReverseSize> r{};
  for (int i = 0; i < 128; ++i) r[i] = {kCp1251High[i], std::uint8_t(0x80 + i)};
  r[128] = {0x2007, 0xA0};
  r[129] = {0x202F, 0xA0};
  // Insertion sort: constexpr and run once at compile time.
  for (std::size_t i = 1; i < r.size(); ++i) {
    for (std::size_t j = i; j > 0 && r[j - 1].c > r[j].c; --j) {
      Reverse t = r[j];
      r[j] = r[j - 1];
      r[j - 1] = t;
    }
  }
  return r;
}
constexpr std::array<Reverse, kReverseSize> kReverse = MakeReverse();

// The cp1251 byte of a character, or '?' when it has none.
char ByteOf(std::uint32_t c) {
  if (c < 0x80) return char(c);
  if (c >= 0x0410 && c <= 0x044F) return char(0xC0 + (c - 0x0410));  // А..я, the common case
  if (c > 0xFFFF) return '?';
  auto it = std::lower_bound(kReverse.begin(), kReverse.end(), c,
                             [](const Reverse& r, std::uint32_t v) { return r.c < v; });
  return it != kReverse.end() && it->c == c ? char(it->byte) : '?';
}

// cp866 bytes 0x80 to 0xFF as cp1251 bytes. Letters go to their cp1251
// letters, and the signs that cp1251 also has keep their meaning (°, ·, №, ¤,
// the no-break space). The pseudo-graphics of the OEM page have no cp1251
// equivalent; they become the ASCII characters that draw the same shape in
// plain text: vertical lines '|', single horizontal lines '-', double
// horizontal lines '=', corners and junctions '+', shades and blocks (░▒▓█▄▌▐▀
// and ■) '#'. The bullet operator ∙ becomes the middle dot, the square root √
// the letter 'v'.
constexpr std::uint8_t kOemToAnsi[128] = {
    // 80-9F: А..Я
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,
    0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,
    // A0-AF: а..п
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,
    // B0-BF: ░ ▒ ▓ │ ┤ ╡ ╢ ╖ ╕ ╣ ║ ╗ ╝ ╜ ╛ ┐
    '#', '#', '#', '|', '+', '+', '+', '+', '+', '+', '|', '+', '+', '+', '+', '+',
    // C0-CF: └ ┴ ┬ ├ ─ ┼ ╞ ╟ ╚ ╔ ╩ ╦ ╠ ═ ╬ ╧
    '+', '+', '+', '+', '-', '+', '+', '+', '+', '+', '+', '+', '+', '=', '+', '+',
    // D0-DF: ╨ ╤ ╥ ╙ ╘ ╒ ╓ ╫ ╪ ┘ ┌ █ ▄ ▌ ▐ ▀
    '+', '+', '+', '+', '+', '+', '+', '+', '+', '+', '+', '#', '#', '#', '#', '#',
    // E0-EF: р..я
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,
    // F0-FF: Ё ё Є є Ї ї Ў ў ° ∙ · √ № ¤ ■ no-break space
    0xA8, 0xB8, 0xAA, 0xBA, 0xAF, 0xBF, 0xA1, 0xA2, 0xB0, 0xB7, 0xB7, 'v', 0xB9, 0xA4, '#', 0xA0,
};

// The cp1251 byte of every character below U+0800 (the characters of two-byte
// UTF-8 sequences), '?' for those without one: ByteOf as one look-up.
constexpr std::array<char, 0x800> MakeTwoByteForms() {
  std::array<char, 0x800> t{};
  for (std::size_t c = 0; c < t.size(); ++c) t[c] = c < 0x80 ? char(c) : '?';
  for (const Reverse& r : kReverse)
    if (r.c < 0x800) t[r.c] = char(r.byte);
  return t;
}

}  // namespace

extern constinit const std::array<char, 0x800> kCp1251BelowU0800 = MakeTwoByteForms();

char* PutCp1251AsUtf8(char* o, std::string_view bytes) {
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      *o++ = c;
      continue;
    }
    // All three bytes are copied (the room holds them); the next character
    // overwrites the ones the form does not use.
    const Utf8Char& u = kUtf8Forms[b - 0x80];
    std::memcpy(o, u.bytes, 3);
    o += u.size;
  }
  return o;
}

void AppendCp1251AsUtf8(std::string& out, std::string_view bytes) {
  // An ASCII text (most addresses and names) is its own UTF-8, and a short
  // one keeps fitting in the string itself.
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return void(out.append(bytes));
  const std::size_t at = out.size();
  out.resize(at + 3 * bytes.size());
  out.resize(static_cast<std::size_t>(PutCp1251AsUtf8(out.data() + at, bytes) - out.data()));
}

std::string Cp1251ToUtf8(std::string_view bytes) {
  std::string out;
  AppendCp1251AsUtf8(out, bytes);
  return out;
}

char Utf8SequenceToCp1251(const unsigned char*& p, const unsigned char* end) {
  unsigned char b = *p;
  // Sequence length and the smallest character it may encode (shorter
  // encodings of a character are malformed).
  int need;
  std::uint32_t c, least;
  if (b >= 0xC2 && b <= 0xDF) {
    need = 1, c = b & 0x1F, least = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2, c = b & 0x0F, least = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3, c = b & 0x07, least = 0x10000;
  } else {
    ++p;
    return '?';  // a stray continuation byte or an impossible lead byte
  }
  ++p;
  int got = 0;
  while (got < need && p < end && (*p & 0xC0) == 0x80) {
    c = (c << 6) | (*p & 0x3F);
    ++p;
    ++got;
  }
  // A truncated sequence becomes one '?' and the byte that broke it is read afresh.
  if (got < need || c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return '?';
  return ByteOf(c);
}

void AppendUtf8AsCp1251(std::string& out, std::string_view text) {
  // Every character and every malformed sequence gives one byte, so the
  // cp1251 text is never longer than the UTF-8: it is written in place and
  // the string cut to its length afterwards.
  const std::size_t at = out.size();
  out.resize(at + text.size());
  char* o = out.data() + at;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    // Eight ASCII bytes at a time, the usual case.
    if (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      if ((word & 0x8080808080808080ull) == 0) {
        std::memcpy(o, p, 8);
        o += 8;
        p += 8;
        continue;
      }
    }
    if (*p < 0x80) {
      *o++ = char(*p++);
      continue;
    }
    p = NextUtf8SequenceAsCp1251(p, end, *o++);
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
}

std::string Utf8ToCp1251(std::string_view text) {
  std::string out;
  AppendUtf8AsCp1251(out, text);
  return out;
}

void OemToAnsi(char* buffer, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    auto b = static_cast<unsigned char>(buffer[i]);
    if (b >= 0x80) buffer[i] = static_cast<char>(kOemToAnsi[b - 0x80]);
  }
}

}  // namespace pkt
