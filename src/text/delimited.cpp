#include "text/delimited.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "text/codepage.h"

namespace pkt {
namespace {

// The bytes that make a field quoted: 0x01 to 0x20 and the double quote.
constexpr std::array<bool, 256> MakeNeedsQuote() {
  std::array<bool, 256> t{};
  for (int b = 0x01; b <= 0x20; ++b) t[b] = true;
  t['"'] = true;
  return t;
}
constexpr std::array<bool, 256> kNeedsQuote = MakeNeedsQuote();

template <typename Fields>
void AppendJoined(std::string& out, const Fields& fields) {
  if (fields.size() == 1 && std::string_view(*fields.begin()).empty()) {
    out.append("\"\"");
    return;
  }
  bool first = true;
  for (const auto& field : fields) {
    if (!first) out.push_back('\t');
    first = false;
    AppendDelimitedField(out, field);
  }
}

}  // namespace

void AppendDelimitedField(std::string& out, std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && !kNeedsQuote[static_cast<unsigned char>(field[i])]) ++i;
  if (i == field.size()) {
    out.append(field);
    return;
  }
  out.reserve(out.size() + field.size() + 2);
  out.push_back('"');
  std::size_t start = 0;
  // No quote lies before i: it would have stopped the scan there.
  for (std::size_t q = field.find('"', i); q != std::string_view::npos; q = field.find('"', q + 1)) {
    out.append(field.substr(start, q + 1 - start));  // up to and including the quote
    out.push_back('"');                              // doubled
    start = q + 1;
  }
  out.append(field.substr(start));
  out.push_back('"');
}

void AppendDelimitedUtf8Field(std::string& out, std::string_view utf8) {
  // One pass: the cp1251 bytes are written behind the place of an opening
  // quote (each double quote already doubled, as it makes the field quoted
  // anyway), and the quotes are added or the place removed at the end. At most
  // two bytes for each byte of the text, the two enclosing quotes, and room
  // for a last eight-byte store.
  const std::size_t at = out.size();
  out.resize(at + 2 * utf8.size() + 2 + 8);
  char* const first = out.data() + at + 1;
  char* o = first;
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const auto* const end = p + utf8.size();
  // Eight bytes at a time: the bytes up to the first one that needs a look
  // (from 0x80, a double quote, or, while the field is not known to be
  // quoted, below 0x21) are copied at once, and that byte is handled alone.
  // The tests find the first such byte exactly; a zero byte, which needs no
  // quotes, is merely looked at.
  static_assert(std::endian::native == std::endian::little, "the first byte of a word is its lowest");
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  bool quoted = false;
  while (p < end) {
    const std::size_t left = static_cast<std::size_t>(end - p);
    std::uint64_t w = 0;
    if (left >= 8) {
      std::memcpy(&w, p, 8);
    } else if (utf8.size() >= 8) {
      // The last bytes of a longer text: the eight that end it, shifted down.
      std::memcpy(&w, end - 8, 8);
      w >>= 8 * (8 - left);
    } else {
      for (std::size_t i = 0; i < left; ++i) w |= std::uint64_t(p[i]) << (8 * i);
    }
    const std::uint64_t q = w ^ (kOnes * '"');
    std::uint64_t look = w | ((q - kOnes) & ~q);
    if (!quoted) look |= (w - kOnes * 0x21) & ~w;
    look &= kHigh;
    std::size_t plain = look ? static_cast<std::size_t>(__builtin_ctzll(look)) / 8 : 8;
    if (plain > left) plain = left;
    std::memcpy(o, &w, 8);  // the loaded bytes: past the end of the text nothing is read
    o += plain;
    p += plain;
    if (p == end || plain == 8) continue;
    const unsigned char b = *p;
    if (b >= 0x80) {
      // A word of Cyrillic converts character by character.
      do {
        p = NextUtf8SequenceAsCp1251(p, end, *o++);
      } while (p < end && *p >= 0x80);
      continue;
    }
    if (kNeedsQuote[b]) {
      quoted = true;
      if (b == '"') *o++ = '"';
    }
    *o++ = static_cast<char>(b);
    ++p;
  }
  char* const base = out.data();
  if (quoted) {
    base[at] = '"';
    *o++ = '"';
    out.resize(static_cast<std::size_t>(o - base));
  } else {
    const std::size_t n = static_cast<std::size_t>(o - first);
    std::memmove(base + at, first, n);
    out.resize(at + n);
  }
}

void AppendDelimitedText(std::string& out, const std::vector<std::string>& fields) { AppendJoined(out, fields); }

void AppendDelimitedText(std::string& out, std::initializer_list<std::string_view> fields) {
  AppendJoined(out, fields);
}

void AppendDelimitedLine(std::string& out, const std::vector<std::string>& fields) {
  AppendJoined(out, fields);
  out.append("\r\n");
}

void AppendDelimitedLine(std::string& out, std::initializer_list<std::string_view> fields) {
  AppendJoined(out, fields);
  out.append("\r\n");
}

std::string DelimitedText(const std::vector<std::string>& fields) {
  std::string out;
  AppendJoined(out, fields);
  return out;
}

}  // namespace pkt
