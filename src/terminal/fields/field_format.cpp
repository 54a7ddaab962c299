#include "terminal/fields/field_format.h"
#include "platform/bytes.h"

#include <algorithm>
#include <cstring>

#include "platform/digits.h"
#include "text/codepage.h"

namespace pkt {

namespace {

// Digits of v in base 10 or 16 (upper case), written backwards from end; returns the first.
char* Digits(std::uint64_t v, unsigned base, char* end) {
  char* p = end;
  // Each base with its own constant divisor: no division instruction.
  if (base == 16) {
    do {
      *--p = kHexDigits[v & 0xF];
      v >>= 4;
    } while (v != 0);
    return p;
  }
  return PutDecimalBackward(p, v);
}

using Placeholder = FormatPlaceholder;

// Where a field text is written: room already made for the whole of it (see
// TCompiledFormat::Room).
struct TextOut {
  char*& p;
  void Append(const char* s, std::size_t n) {
    TTextBuffer::CopyBytes(p, s, n);
    p += n;
  }
  void Append(std::string_view v) { Append(v.data(), v.size()); }
  void Append(char c) { *p++ = c; }
  void Fill(std::size_t n, char c) {
    std::memset(p, c, n);
    p += n;
  }
  void Cp1251(std::string_view bytes) { p = PutCp1251AsUtf8(p, bytes); }
  void BcdDigits(std::string_view bytes) {
    const auto* d = reinterpret_cast<const std::uint8_t*>(bytes.data());
    p = PutBcdDigitsOf(p, d, static_cast<std::uint32_t>(bytes.size()));
  }
  void Hundredths(std::int64_t v) { p = PutHundredths(p, v); }
  void Decimal(std::uint64_t v) { p = PutDecimal(p, v); }
};

void AppendPadded(TextOut& out, const Placeholder& ph, bool negative, std::string_view digits) {
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

// A number reduced to 32 bits by its placeholder: its magnitude, and for a
// "%d" whether it is below zero.
std::uint32_t Magnitude32(bool asSigned, std::int64_t value, bool& negative) {
  const auto bits = static_cast<std::uint32_t>(value);
  negative = asSigned && static_cast<std::int32_t>(bits) < 0;
  return negative ? 0u - bits : bits;
}

// A number with a width, a precision or in hexadecimal.
void AppendPaddedInteger(TextOut& out, const Placeholder& ph, std::int64_t value) {
  char buffer[24];
  char* end = buffer + sizeof buffer;
  bool negative = false;
  const std::uint32_t magnitude = Magnitude32(ph.conversion == 'd', value, negative);
  char* first = Digits(magnitude, ph.conversion == 'X' ? 16 : 10, end);
  AppendPadded(out, ph, negative, std::string_view(first, end - first));
}

void AppendText(TextOut& out, const FieldArg& arg) {
  switch (arg.kind) {
    case FieldArg::Kind::Utf8: out.Append(arg.text); break;
    case FieldArg::Kind::Cp1251: out.Cp1251(arg.text); break;
    case FieldArg::Kind::Stars: out.Fill(static_cast<std::size_t>(arg.integer), '*'); break;
    case FieldArg::Kind::Integer: {
      char buffer[24];
      char* end = buffer + sizeof buffer;
      char* p = Digits(Magnitude(arg.integer), 10, end);
      if (arg.integer < 0) *--p = '-';
      out.Append(p, end - p);
      break;
    }
    case FieldArg::Kind::Hundredths: out.Hundredths(arg.integer); break;
    case FieldArg::Kind::BcdDigits: out.BcdDigits(arg.text); break;
  }
}

void AppendArgument(TextOut& out, TCompiledFormat::Step step, const Placeholder& ph, const FieldArg& arg) {
  using Step = TCompiledFormat::Step;
  switch (step) {
    case Step::Unsigned:
    case Step::Signed: {
      bool negative = false;
      const std::uint32_t magnitude = Magnitude32(step == Step::Signed, arg.integer, negative);
      if (negative) out.Append('-');
      out.Decimal(magnitude);
      break;
    }
    case Step::Padded: AppendPaddedInteger(out, ph, arg.integer); break;
    case Step::Hundredths: out.Hundredths(arg.integer); break;
    case Step::Text: AppendText(out, arg); break;
    case Step::Literal:
    case Step::Skipped: break;
  }
}

// The pieces of a compiled format written with args in order. A placeholder
// without an argument writes nothing; surplus arguments are ignored.
void PutPieces(TextOut out, const TCompiledFormat::Piece* from, const TCompiledFormat::Piece* to,
               std::initializer_list<FieldArg> args) {
  const FieldArg* next = args.begin();
  // Most fields written straight into a line are one placeholder between literal texts.
  if (to - from == 1 && from->step != TCompiledFormat::Step::Literal && next != args.end())
    return AppendArgument(out, from->step, from->ph, *next);
  for (const TCompiledFormat::Piece* p = from; p != to; ++p) {
    if (p->step == TCompiledFormat::Step::Literal) {
      out.Append(p->text, p->size);
    } else if (next != args.end()) {
      AppendArgument(out, p->step, p->ph, *next++);
    }
  }
}

}  // namespace

char* PutHundredths(char* o, std::int64_t hundredths) {
  const std::uint64_t m = Magnitude(hundredths);
  if (hundredths < 0) *o++ = '-';
  o = PutDecimal(o, m / 100);
  *o++ = '.';
  PutTwoDigits(o, static_cast<unsigned>(m % 100));
  return o + 2;
}

std::size_t TCompiledFormat::Room(std::initializer_list<FieldArg> args) const {
  std::size_t room = literalSize_;
  const FieldArg* next = args.begin();
  for (int i = 0; i < count_ && next != args.end(); ++i) {
    const Piece& piece = pieces_[i];
    if (piece.text != nullptr) continue;
    const FieldArg& arg = *next++;
    if (piece.ph.conversion == 's') {
      switch (arg.kind) {
        case FieldArg::Kind::Utf8: room += arg.text.size(); break;
        case FieldArg::Kind::Cp1251: room += 3 * arg.text.size(); break;  // at most three UTF-8 bytes a byte
        case FieldArg::Kind::Stars: room += arg.integer > 0 ? static_cast<std::size_t>(arg.integer) : 0; break;
        case FieldArg::Kind::BcdDigits: room += 2 * arg.text.size() + 1; break;
        default: room += 24; break;
      }
    } else {
      room += static_cast<std::size_t>(piece.ph.width) + static_cast<std::size_t>(std::max(piece.ph.precision, 0)) + 24;
    }
  }
  return room;
}

char* TCompiledFormat::Put(char* o, std::initializer_list<FieldArg> args, const Piece* from, const Piece* to) const {
  PutPieces(TextOut{o}, from, to, args);
  return o;
}

void TCompiledFormat::Append(std::string& out, std::initializer_list<FieldArg> args) const {
  const std::size_t at = out.size();
  out.resize(at + Room(args));
  out.resize(static_cast<std::size_t>(Put(out.data() + at, args) - out.data()));
}

void AppendFieldFormat(std::string& out, const char* fmt, std::initializer_list<FieldArg> args) {
  TCompiledFormat format;
  if (format.Compile(fmt)) format.Append(out, args);
}

}  // namespace pkt
