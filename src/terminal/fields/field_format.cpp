#include "terminal/fields/field_format.h"

#include <cstring>

#include "platform/digits.h"
#include "text/codepage.h"

namespace pkt {

namespace {

// Digits of v in base 10 or 16 (upper case), written backwards from end; returns the first.
char* Digits(std::uint64_t v, unsigned base, char* end) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char* p = end;
  // Each base with its own constant divisor: no division instruction.
  if (base == 16) {
    do {
      *--p = kDigits[v & 0xF];
      v >>= 4;
    } while (v != 0);
    return p;
  }
  return PutDecimalBackward(p, v);
}

struct Placeholder {
  bool zeroPad = false;
  bool left = false;
  int width = 0;
  int precision = -1;
  char conversion = 0;
};

// The two places a field text is written: a string of its own (the tree, the
// list of strings, the export's field buffers) or straight into the export's
// block buffer.
struct StringOut {
  std::string& s;
  void Append(const char* p, std::size_t n) { s.append(p, n); }
  void Append(std::string_view v) { s.append(v); }
  void Append(char c) { s.push_back(c); }
  void Fill(std::size_t n, char c) { s.append(n, c); }
  void Cp1251(std::string_view bytes) { AppendCp1251AsUtf8(s, bytes); }
};

struct BufferOut {
  TTextBuffer& b;
  void Append(const char* p, std::size_t n) { b.Append(p, n); }
  void Append(std::string_view v) { b.Append(v); }
  void Append(char c) { b.Append(c); }
  void Fill(std::size_t n, char c) {
    char* p = b.Room(n);
    std::memset(p, c, n);
    b.Commit(p + n);
  }
  void Cp1251(std::string_view bytes) {
    std::string utf8;
    AppendCp1251AsUtf8(utf8, bytes);
    b.Append(utf8);
  }
};

template <class Out>
void AppendPadded(Out& out, const Placeholder& ph, bool negative, std::string_view digits) {
  if (ph.width == 0 && ph.precision < 0) {  // "%u", "%d", "%X": the digits as they are
    if (negative) out.Append('-');
    out.Append(digits);
    return;
  }
  // printf: a precision gives the minimum digit count (and disables zero padding);
  // precision 0 with the value 0 shows no digits.
  std::size_t zeros = 0;
  if (ph.precision >= 0) {
    if (ph.precision == 0 && digits == "0") digits = {};
    if (digits.size() < static_cast<std::size_t>(ph.precision)) zeros = ph.precision - digits.size();
  }
  std::size_t body = (negative ? 1 : 0) + zeros + digits.size();
  std::size_t fill = ph.width > 0 && body < static_cast<std::size_t>(ph.width) ? ph.width - body : 0;
  bool zeroFill = ph.zeroPad && !ph.left && ph.precision < 0;
  if (fill && !ph.left && !zeroFill) out.Fill(fill, ' ');
  if (negative) out.Append('-');
  if (fill && zeroFill) out.Fill(fill, '0');
  if (zeros) out.Fill(zeros, '0');
  out.Append(digits);
  if (fill && ph.left) out.Fill(fill, ' ');
}

template <class Out>
void AppendInteger(Out& out, const Placeholder& ph, std::int64_t value) {
  char buffer[24];
  char* end = buffer + sizeof buffer;
  bool negative = false;
  std::uint64_t magnitude;
  switch (ph.conversion) {
    case 'd': {
      auto v = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
      negative = v < 0;
      magnitude = negative ? 0u - static_cast<std::uint64_t>(static_cast<std::int64_t>(v)) : static_cast<std::uint64_t>(v);
      break;
    }
    case 'X':
      magnitude = static_cast<std::uint32_t>(value);
      break;
    default:  // 'u'
      magnitude = static_cast<std::uint32_t>(value);
      break;
  }
  char* first = Digits(magnitude, ph.conversion == 'X' ? 16 : 10, end);
  AppendPadded(out, ph, negative, std::string_view(first, end - first));
}

// A signed count of hundredths with two decimals: -105 gives -1.05. A value
// of zero hundredths shows without a sign.
template <class Out>
void AppendHundredths(Out& out, std::int64_t hundredths) {
  char buffer[32];
  char* end = buffer + sizeof buffer;
  bool negative = hundredths < 0;
  std::uint64_t m = negative ? 0u - static_cast<std::uint64_t>(hundredths) : static_cast<std::uint64_t>(hundredths);
  char* p = end;
  *--p = char('0' + m % 10);
  *--p = char('0' + (m / 10) % 10);
  *--p = '.';
  p = Digits(m / 100, 10, p);
  if (negative) *--p = '-';
  out.Append(p, end - p);
}

template <class Out>
void AppendText(Out& out, const FieldArg& arg) {
  switch (arg.kind) {
    case FieldArg::Kind::Utf8: out.Append(arg.text); break;
    case FieldArg::Kind::Cp1251: out.Cp1251(arg.text); break;
    case FieldArg::Kind::Stars: out.Fill(static_cast<std::size_t>(arg.integer), '*'); break;
    case FieldArg::Kind::Integer: {
      char buffer[24];
      char* end = buffer + sizeof buffer;
      bool negative = arg.integer < 0;
      std::uint64_t m = negative ? 0u - static_cast<std::uint64_t>(arg.integer) : static_cast<std::uint64_t>(arg.integer);
      char* p = Digits(m, 10, end);
      if (negative) *--p = '-';
      out.Append(p, end - p);
      break;
    }
    case FieldArg::Kind::Hundredths: AppendHundredths(out, arg.integer); break;
  }
}

template <class Out>
void FormatInto(Out out, const char* fmt, std::initializer_list<FieldArg> args) {
  if (fmt == nullptr) return;
  // The field texts are built in buffers that keep their capacity from field
  // to field, so no reservation is made here.
  const FieldArg* next = args.begin();
  const FieldArg* last = args.end();
  const char* literal = fmt;
  const char* p = fmt;
  while (*p != '\0') {
    // The literal text runs to the next placeholder or to the end.
    p = std::strchr(p, '%');
    if (p == nullptr) {
      out.Append(std::string_view(literal));
      return;
    }
    if (p != literal) out.Append(literal, p - literal);
    ++p;
    if (*p == '%') {
      out.Append('%');
      literal = ++p;
      continue;
    }
    Placeholder ph;
    for (; *p == '0' || *p == '-'; ++p) (*p == '0' ? ph.zeroPad : ph.left) = true;
    for (; *p >= '0' && *p <= '9'; ++p) ph.width = ph.width * 10 + (*p - '0');
    if (*p == '.') {
      ph.precision = 0;
      for (++p; *p >= '0' && *p <= '9'; ++p) ph.precision = ph.precision * 10 + (*p - '0');
    }
    ph.conversion = *p;
    if (*p == '\0') {  // a format ending in a lone '%' keeps it
      out.Append('%');
      literal = p;
      break;
    }
    ++p;
    literal = p;
    if (next == last) continue;
    const FieldArg& arg = *next++;
    switch (ph.conversion) {
      case 'u':
      case 'd':
      case 'X': AppendInteger(out, ph, arg.integer); break;
      case 'f': AppendHundredths(out, arg.integer); break;
      case 's': AppendText(out, arg); break;
      default: break;  // unknown conversions are left out (the table's formats are checked when built)
    }
  }
  if (p != literal) out.Append(literal, p - literal);
}

}  // namespace

void AppendHexBytes(std::string& out, const std::uint8_t* bytes, std::size_t count) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::size_t at = out.size();
  out.resize(at + 3 * count);
  char* p = out.data() + at;
  for (std::size_t i = 0; i < count; ++i) {
    *p++ = kHex[bytes[i] >> 4];
    *p++ = kHex[bytes[i] & 0x0F];
    *p++ = ' ';
  }
}

void AppendFieldFormat(std::string& out, const char* fmt, std::initializer_list<FieldArg> args) {
  FormatInto(StringOut{out}, fmt, args);
}

void AppendFieldFormat(TTextBuffer& out, const char* fmt, std::initializer_list<FieldArg> args) {
  FormatInto(BufferOut{out}, fmt, args);
}

}  // namespace pkt
