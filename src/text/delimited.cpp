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

// The field in double quotes, each inner quote doubled; no quote lies before
// the byte at from. o has room for twice the field and the two quotes.
char* PutQuotedField(char* o, std::string_view field, std::size_t from) {
  *o++ = '"';
  std::memcpy(o, field.data(), from);
  o += from;
  for (std::size_t i = from; i < field.size(); ++i) {
    if (field[i] == '"') *o++ = '"';
    *o++ = field[i];
  }
  *o++ = '"';
  return o;
}

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
  const std::size_t at = out.size();
  out.resize(at + 2 * field.size() + 2);
  char* const end = PutQuotedField(out.data() + at, field, i);
  out.resize(static_cast<std::size_t>(end - out.data()));
}

void AppendDelimitedField(TTextBuffer& out, std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && !kNeedsQuote[static_cast<unsigned char>(field[i])]) ++i;
  if (i == field.size()) {
    out.Append(field);
    return;
  }
  out.Commit(PutQuotedField(out.Room(2 * field.size() + 2), field, i));
}

namespace {

// What a text holds that decides how it is written, looked at eight bytes at
// a time: bytes from 0x80 or double quotes (they need converting or
// doubling) and bytes 0x01 to 0x20 (they quote the field). Each byte is
// tested on its own seven low bits, so no carry runs from one byte into the
// next and a zero byte counts for nothing.
struct TTextClass {
  bool convert = false;
  bool quoted = false;
};

inline std::uint64_t WordAt(const unsigned char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

TTextClass ClassOf(std::string_view text) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kLow7 = kOnes * 0x7F;
  constexpr std::uint64_t kHigh = kOnes * 0x80;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  if (n < 8) {
    TTextClass c;
    for (std::size_t i = 0; i < n; ++i) {
      c.convert |= p[i] >= 0x80 || p[i] == '"';
      c.quoted |= p[i] != 0 && p[i] <= 0x20;
    }
    return c;
  }
  std::uint64_t convert = 0, quoted = 0;
  auto look = [&](std::uint64_t w) {
    const std::uint64_t low7 = w & kLow7;
    const std::uint64_t atLeast21 = (low7 + kOnes * (0x80 - 0x21)) | w;  // high bit: byte >= 0x21
    const std::uint64_t nonZero = (low7 + kLow7) | w;                     // high bit: byte != 0
    const std::uint64_t q = w ^ (kOnes * '"');
    const std::uint64_t notQuote = ((q & kLow7) + kLow7) | q;             // high bit: byte != '"'
    convert |= w | ~notQuote;
    quoted |= ~atLeast21 & nonZero;
  };
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) look(WordAt(p + i));
  // The last bytes within the last eight: looking at some twice changes nothing.
  if (i < n) look(WordAt(p + n - 8));
  return {(convert & kHigh) != 0, (quoted & kHigh) != 0};
}

// Copies n bytes in whole words where it can: the field texts are short and
// a call to the library's copy costs more than the copy.
inline char* CopyText(char* o, const char* p, std::size_t n) {
  if (n < 8) {
    for (std::size_t i = 0; i < n; ++i) o[i] = p[i];
    return o + n;
  }
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) std::memcpy(o + i, p + i, 8);
  if (i < n) std::memcpy(o + n - 8, p + n - 8, 8);
  return o + n;
}

}  // namespace

char* PutDelimitedUtf8Field(char* o, std::string_view utf8) {
  // Most texts of the export are ASCII without double quotes: they are
  // copied as they are, in quotes when they hold a blank or a control byte.
  const TTextClass c = ClassOf(utf8);
  if (!c.convert) {
    if (c.quoted) *o++ = '"';
    o = CopyText(o, utf8.data(), utf8.size());
    if (c.quoted) *o++ = '"';
    return o;
  }
  // The rest in one pass: the cp1251 bytes are written behind the place of an
  // opening quote (each double quote already doubled, as it makes the field
  // quoted anyway), and the quote is added or the place removed at the end.
  char* const at = o;
  char* const first = o + 1;
  o = first;
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
  if (quoted) {
    *at = '"';
    *o++ = '"';
    return o;
  }
  const std::size_t n = static_cast<std::size_t>(o - first);
  std::memmove(at, first, n);
  return at + n;
}

void AppendDelimitedUtf8Field(std::string& out, std::string_view utf8) {
  const std::size_t at = out.size();
  out.resize(at + DelimitedUtf8FieldRoom(utf8.size()));
  char* const end = PutDelimitedUtf8Field(out.data() + at, utf8);
  out.resize(static_cast<std::size_t>(end - out.data()));
}

void AppendDelimitedUtf8Field(TTextBuffer& out, std::string_view utf8) {
  out.Commit(PutDelimitedUtf8Field(out.Room(DelimitedUtf8FieldRoom(utf8.size())), utf8));
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
