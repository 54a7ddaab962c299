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


namespace {

// What a text holds that decides how it is written, looked at eight bytes at
// a time: bytes from 0x80 or double quotes (they need converting or
// doubling) and bytes 0x01 to 0x20 (they quote the field). Each byte is
// tested on its own seven low bits, so no carry runs from one byte into the
// next and a zero byte counts for nothing.
struct TTextClass {
  bool convert = false;  // a byte from 0x80 or a double quote
  bool quoted = false;   // a byte 0x01 to 0x20
  bool quote = false;    // a double quote
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
      c.quote |= p[i] == '"';
      c.convert |= p[i] >= 0x80;
      c.quoted |= p[i] != 0 && p[i] <= 0x20;
    }
    c.convert |= c.quote;
    return c;
  }
  std::uint64_t high = 0, quote = 0, quoted = 0;
  auto look = [&](std::uint64_t w) {
    const std::uint64_t low7 = w & kLow7;
    const std::uint64_t atLeast21 = (low7 + kOnes * (0x80 - 0x21)) | w;  // high bit: byte >= 0x21
    const std::uint64_t nonZero = (low7 + kLow7) | w;                     // high bit: byte != 0
    const std::uint64_t q = w ^ (kOnes * '"');
    const std::uint64_t notQuote = ((q & kLow7) + kLow7) | q;             // high bit: byte != '"'
    high |= w;
    quote |= ~notQuote;
    quoted |= ~atLeast21 & nonZero;
  };
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) look(WordAt(p + i));
  // The last bytes within the last eight: looking at some twice changes nothing.
  if (i < n) look(WordAt(p + n - 8));
  return {((high | quote) & kHigh) != 0, (quoted & kHigh) != 0, (quote & kHigh) != 0};
}

}  // namespace

bool IsAsciiWithoutQuotes(std::string_view text) { return !ClassOf(text).convert; }

char* PutDelimitedField(char* o, std::string_view field) {
  // The class looks at eight bytes at a time; a byte quotes the field exactly
  // when it is a double quote or one of 0x01 to 0x20.
  const TTextClass c = ClassOf(field);
  if (c.quoted || c.quote) return PutQuotedField(o, field, 0);
  TTextBuffer::CopyBytes(o, field.data(), field.size());
  return o + field.size();
}

void AppendDelimitedField(TTextBuffer& out, std::string_view field) {
  out.Commit(PutDelimitedField(out.Room(2 * field.size() + 2), field));
}

char* PutDelimitedUtf8Field(char* o, std::string_view utf8) {
  // Most texts of the export are ASCII without double quotes: they are
  // copied as they are, in quotes when they hold a blank or a control byte.
  const TTextClass c = ClassOf(utf8);
  if (!c.convert) {
    if (c.quoted) *o++ = '"';
    TTextBuffer::CopyBytes(o, utf8.data(), utf8.size());
    o += utf8.size();
    if (c.quoted) *o++ = '"';
    return o;
  }
  // Cyrillic or double quotes: converted and doubled byte by byte. The bytes
  // that quote a field are ASCII, which the conversion keeps, so the text's
  // class already tells whether the field is quoted.
  const bool quoted = c.quoted || c.quote;
  if (quoted) *o++ = '"';
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const auto* const end = p + utf8.size();
  while (p < end) {
    const unsigned char b = *p;
    if (b < 0x80) {
      if (b == '"') *o++ = '"';
      *o++ = static_cast<char>(b);
      ++p;
    } else {
      p = NextUtf8SequenceAsCp1251(p, end, *o++);
    }
  }
  if (quoted) *o++ = '"';
  return o;
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
