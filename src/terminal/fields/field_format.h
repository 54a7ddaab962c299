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
    BcdDigits,   // for s: packed BCD bytes whose nibbles are all digits, shown without leading zeros
  };
  Kind kind = Kind::Integer;
  std::int64_t integer = 0;
  std::string_view text;

  static FieldArg Int(std::int64_t v) { return {Kind::Integer, v, {}}; }
  static FieldArg Utf8(std::string_view s) { return {Kind::Utf8, 0, s}; }
  static FieldArg Cp1251(std::string_view s) { return {Kind::Cp1251, 0, s}; }
  static FieldArg Stars(std::size_t n) { return {Kind::Stars, static_cast<std::int64_t>(n), {}}; }
  static FieldArg Hundredths(std::int64_t v) { return {Kind::Hundredths, v, {}}; }
  static FieldArg BcdDigits(std::string_view bytes) { return {Kind::BcdDigits, 0, bytes}; }
};

// One placeholder of a format: %[0|-][width][.precision]conversion.
struct FormatPlaceholder {
  bool zeroPad = false;
  bool left = false;
  int width = 0;
  int precision = -1;
  char conversion = 0;
};

// The one reader of a format. Calls literal(text, size) for each run of
// literal text and placeholder(ph) for each placeholder, in order. "%%" is a
// literal percent sign, and so is a '%' left at the end without a conversion
// letter (its flags and width are dropped, as printf drops them).
template <class Literal, class Placeholder>
constexpr void ForEachFormatPiece(const char* fmt, Literal&& literal, Placeholder&& placeholder) {
  if (fmt == nullptr) return;
  const char* run = fmt;
  const char* p = fmt;
  while (*p != '\0') {
    if (*p != '%') {
      ++p;
      continue;
    }
    if (p != run) literal(run, static_cast<std::size_t>(p - run));
    if (p[1] == '%') {
      literal(p, 1);
      run = p += 2;
      continue;
    }
    FormatPlaceholder ph;
    for (++p; *p == '0' || *p == '-'; ++p) (*p == '0' ? ph.zeroPad : ph.left) = true;
    for (; *p >= '0' && *p <= '9'; ++p) ph.width = ph.width * 10 + (*p - '0');
    if (*p == '.') {
      ph.precision = 0;
      for (++p; *p >= '0' && *p <= '9'; ++p) ph.precision = ph.precision * 10 + (*p - '0');
    }
    run = p;
    if (*p == '\0') {
      literal("%", 1);
      break;
    }
    ph.conversion = *p;
    run = ++p;
    placeholder(ph);
  }
  if (p != run) literal(run, static_cast<std::size_t>(p - run));
}

// A format read once into its pieces: the tag table's formats are written
// millions of times by the export, and checked when the table is built.
class TCompiledFormat {
 public:
  // How a piece is written, worked out when the format is read: the
  // placeholders without width or precision (nearly all of the table's)
  // write their argument as it is.
  enum class Step : std::uint8_t {
    Literal,     // the piece's text
    Unsigned,    // "%u": the argument reduced to 32 bits, unsigned
    Signed,      // "%d": the argument reduced to 32 bits, signed
    Text,        // "%s", whatever its width: the text argument
    Hundredths,  // "%.2f": a count of hundredths with two decimals
    Padded,      // a number with a width, a precision or in hexadecimal
    Skipped,     // a conversion the formatter does not know: nothing
  };
  struct Piece {
    const char* text = nullptr;  // literal bytes; null for a placeholder
    std::uint32_t size = 0;
    FormatPlaceholder ph;
    Step step = Step::Literal;
  };
  // False for a null format or one of more than kMaxPieces pieces (literal
  // runs and placeholders).
  constexpr bool Compile(const char* fmt);
  // The argument that placeholder i takes, as a letter: 'i' for u, d and X,
  // 's' for s, 'f' for %.2f, '?' for anything else; 0 past the last (i below kMaxPieces).
  constexpr char Argument(int i) const { return letters_[i]; }
  constexpr int Arguments() const { return arguments_; }
  // The most bytes Put writes with these arguments.
  std::size_t Room(std::initializer_list<FieldArg> args) const;
  // Writes the text at o, which has Room(args) bytes; returns its end.
  char* Put(char* o, std::initializer_list<FieldArg> args) const { return Put(o, args, begin(), end()); }
  // The same for the pieces [from, to) only, the first of them taking the first argument.
  char* Put(char* o, std::initializer_list<FieldArg> args, const Piece* from, const Piece* to) const;
  // Appends the text to out.
  void Append(std::string& out, std::initializer_list<FieldArg> args) const;
  const Piece* begin() const { return pieces_; }
  const Piece* end() const { return pieces_ + count_; }

 private:
  static constexpr int kMaxPieces = 12;
  Piece pieces_[kMaxPieces] = {};
  char letters_[kMaxPieces] = {};
  int count_ = 0;
  int arguments_ = 0;
  std::size_t literalSize_ = 0;
};

constexpr bool TCompiledFormat::Compile(const char* fmt) {
  *this = TCompiledFormat();
  bool fits = fmt != nullptr;
  auto add = [&](const Piece& piece) {
    fits = fits && count_ < kMaxPieces;
    if (!fits) return;
    pieces_[count_++] = piece;
    literalSize_ += piece.size;
  };
  ForEachFormatPiece(
      fmt, [&](const char* text, std::size_t size) { add({text, static_cast<std::uint32_t>(size), {}}); },
      [&](const FormatPlaceholder& ph) {
        const bool plain = ph.width == 0 && ph.precision < 0;
        Step step = Step::Skipped;
        char letter = '?';
        switch (ph.conversion) {
          case 'u': step = plain ? Step::Unsigned : Step::Padded; letter = 'i'; break;
          case 'd': step = plain ? Step::Signed : Step::Padded; letter = 'i'; break;
          case 'X': step = Step::Padded; letter = 'i'; break;
          case 'f': step = Step::Hundredths; letter = ph.precision == 2 ? 'f' : '?'; break;
          case 's': step = Step::Text; letter = 's'; break;
        }
        add({nullptr, 0, ph, step});
        if (fits) letters_[arguments_++] = letter;
      });
  return fits;
}

// A signed count of hundredths with two decimals (-105 gives -1.05; zero
// shows without a sign) written at o, at most 24 bytes; returns the end.
char* PutHundredths(char* o, std::int64_t hundredths);

// Appends fmt with its placeholders replaced by args in order, the format
// read for this one call. A placeholder without an argument writes nothing;
// surplus arguments are ignored. A format that does not compile (see
// Compile; no format of the tag table) appends nothing.
void AppendFieldFormat(std::string& out, const char* fmt, std::initializer_list<FieldArg> args);

// True when fmt compiles and its placeholders take exactly the arguments of
// expected, one letter each as Argument says ("is", "ii", "" ...): every row
// of the tag table is checked so against what its conversion passes.
constexpr bool FormatTakes(const char* fmt, std::string_view expected) {
  TCompiledFormat format;
  if (!format.Compile(fmt) || format.Arguments() != static_cast<int>(expected.size())) return false;
  for (int i = 0; i < format.Arguments(); ++i)
    if (format.Argument(i) != expected[i]) return false;
  return true;
}

}  // namespace pkt
