#pragma once
// The printf-style field formats of the tag table ("MF_TRN_NUMBER: %u"),
// applied by a small formatter that knows exactly the placeholders the table
// uses. It is typed (every argument says what it is), so a format can never
// read an argument of the wrong kind, and it writes straight into the field
// text without a temporary buffer: the export runs it for every field of every
// message of a log.
//
// Placeholders: %[0|-][width][.precision] followed by
//   u  unsigned 32-bit decimal       d  signed 32-bit decimal
//   X  unsigned 32-bit upper-case hexadecimal
//   s  text                          f  a fixed-point number in hundredths (only as %.2f)
//   %% a percent sign.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "text/text_buffer.h"

namespace pkt {

struct FieldArg {
  enum class Kind : std::uint8_t {
    Integer,     // for u, d, X: the value reduced to 32 bits by the placeholder
    Utf8,        // for s: a UTF-8 text
    Cp1251,      // for s: bytes of the log, converted to UTF-8 as they are written
    Stars,       // for s: `integer` asterisks (a masked text)
    Hundredths,  // for f: a signed count of hundredths, shown with two decimals
  };
  Kind kind = Kind::Integer;
  std::int64_t integer = 0;
  std::string_view text;

  static FieldArg Int(std::int64_t v) { return {Kind::Integer, v, {}}; }
  static FieldArg Utf8(std::string_view s) { return {Kind::Utf8, 0, s}; }
  static FieldArg Cp1251(std::string_view s) { return {Kind::Cp1251, 0, s}; }
  static FieldArg Stars(std::size_t n) { return {Kind::Stars, static_cast<std::int64_t>(n), {}}; }
  static FieldArg Hundredths(std::int64_t v) { return {Kind::Hundredths, v, {}}; }
};

// One placeholder of a format: %[0|-][width][.precision]conversion.
struct FormatPlaceholder {
  bool zeroPad = false;
  bool left = false;
  int width = 0;
  int precision = -1;
  char conversion = 0;
};

// A format read once into its pieces, for a field written millions of times
// (the export's numeric fields): the text of Put is that of
// AppendFieldFormat with the same format and arguments.
class TCompiledFormat {
 public:
  // False for a null format or one of more than kMaxPieces pieces (literal
  // runs and placeholders); such a format is left to AppendFieldFormat.
  bool Compile(const char* fmt);
  // The most bytes Put writes with these arguments.
  std::size_t Room(std::initializer_list<FieldArg> args) const;
  // Writes the text at o, which has Room(args) bytes; returns its end.
  char* Put(char* o, std::initializer_list<FieldArg> args) const;

  struct Piece {
    const char* text;  // literal bytes; null for a placeholder
    std::uint32_t size;
    FormatPlaceholder ph;
  };
  const Piece* begin() const { return pieces_; }
  const Piece* end() const { return pieces_ + count_; }

 private:
  static constexpr int kMaxPieces = 12;
  Piece pieces_[kMaxPieces] = {};
  int count_ = 0;
  std::size_t literalSize_ = 0;
};

// A signed count of hundredths with two decimals (-105 gives -1.05; zero
// shows without a sign) written at o, at most 24 bytes; returns the end.
char* PutHundredths(char* o, std::int64_t hundredths);

// Appends fmt with its placeholders replaced by args in order. A placeholder
// without an argument writes nothing; surplus arguments are ignored.
void AppendFieldFormat(std::string& out, const char* fmt, std::initializer_list<FieldArg> args);

// Appends each byte as two upper-case hexadecimal digits and a blank (the
// last one too): the bytes of HexBytesText, without a string of their own.
void AppendHexBytes(std::string& out, const std::uint8_t* bytes, std::size_t count);

// The placeholders of a format as a signature, one letter each: 'i' for u, d
// and X, 's' for s, 'f' for %.2f; "?" for anything the formatter does not
// know. Used at compile time to check every row of the tag table against the
// arguments its conversion passes.
struct FormatSignature {
  char letters[8] = {};
  int count = 0;
  bool bad = false;
};

constexpr FormatSignature SignatureOf(const char* fmt) {
  FormatSignature sig;
  if (fmt == nullptr) return sig;
  std::size_t i = 0;
  auto digit = [&](std::size_t k) { return fmt[k] >= '0' && fmt[k] <= '9'; };
  while (fmt[i] != '\0') {
    if (fmt[i++] != '%') continue;
    if (fmt[i] == '%') {
      ++i;
      continue;
    }
    while (fmt[i] == '0' || fmt[i] == '-') ++i;
    while (digit(i)) ++i;
    bool precision2 = false;
    if (fmt[i] == '.') {
      ++i;
      precision2 = fmt[i] == '2' && !digit(i + 1);
      while (digit(i)) ++i;
    }
    char letter = '?';
    switch (fmt[i]) {
      case 'u':
      case 'd':
      case 'X': letter = 'i'; break;
      case 's': letter = 's'; break;
      case 'f': letter = precision2 ? 'f' : '?'; break;
      default: break;
    }
    if (letter == '?' || sig.count == 7) {
      sig.bad = true;
      return sig;
    }
    sig.letters[sig.count++] = letter;
    ++i;
  }
  return sig;
}

// True when fmt's placeholders are exactly the letters of expected ("is", "ii", "" ...).
constexpr bool FormatTakes(const char* fmt, const char* expected) {
  FormatSignature sig = SignatureOf(fmt);
  if (sig.bad) return false;
  int n = 0;
  while (expected[n]) ++n;
  if (n != sig.count) return false;
  for (int i = 0; i < n; ++i)
    if (sig.letters[i] != expected[i]) return false;
  return true;
}

}  // namespace pkt
