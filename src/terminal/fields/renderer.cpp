// The engine of the field renderer: the item's tag selects its row of the tag
// table; the row says how the value is read, converted and formatted and what
// is shown when it cannot be read. Both front ends run this engine and differ
// only through the export column of the rows.
#include "terminal/fields/renderer.h"

#include <array>
#include <cstring>
#include <memory>

#include "platform/bytes.h"
#include "platform/digits.h"
#include "platform/systime.h"
#include "terminal/catalogues.h"
#include "terminal/fields/field_format.h"
#include "terminal/fields/field_read.h"
#include "terminal/fields/field_table.h"
#include "text/codepage.h"
#include "text/delimited.h"

namespace pkt {

namespace {


// How the export can write a row's field straight into its line, without a
// text of its own: when the row's conversion gives only numbers (digits, a
// sign, a decimal point) and its format's literal text is ASCII without
// double quotes, the field text needs no conversion, and whether it is
// quoted follows from the literal text alone: numbers never hold a blank,
// and space padding is allowed only where the literal text quotes anyway.
enum class DirectForm : std::uint8_t { None, Plain, Quoted };

DirectForm DirectFormOf(const TCompiledFormat& format) {
  bool blank = false, spacePadded = false;
  for (const TCompiledFormat::Piece& piece : format) {
    if (piece.text == nullptr) {
      spacePadded |= piece.ph.width > 0 && (piece.ph.left || !piece.ph.zeroPad);
      continue;
    }
    for (std::uint32_t i = 0; i < piece.size; ++i) {
      const auto c = static_cast<unsigned char>(piece.text[i]);
      if (c >= 0x80 || c == '"') return DirectForm::None;
      blank |= c <= 0x20;
    }
  }
  if (spacePadded && !blank) return DirectForm::None;
  return blank ? DirectForm::Quoted : DirectForm::Plain;
}

bool GivesOnlyNumbers(Conv conv) {
  switch (conv) {
    case Conv::Plain:
    case Conv::Decimal:
    case Conv::Amount:
    case Conv::Amount64:
    case Conv::Fraction:
    case Conv::Low32:
    case Conv::NumberText:
    case Conv::Thousandths: return true;
    default: return false;
  }
}

// The direct form of a row and its format read into pieces.
struct TDirectRow {
  DirectForm form = DirectForm::None;
  TCompiledFormat format;
};

// The direct rows of every tag, worked out once.
const TDirectRow& DirectRowOf(const FieldRule& r) {
  static const std::array<TDirectRow, 256> rows = [] {
    std::array<TDirectRow, 256> f{};
    for (std::uint32_t tag = 0; tag < 256; ++tag) {
      const FieldRule* rule = FieldRuleOf(tag);
      if (!rule || !GivesOnlyNumbers(rule->conv)) continue;
      if (f[tag].format.Compile(rule->format)) f[tag].form = DirectFormOf(f[tag].format);
    }
    return f;
  }();
  return rows[r.tag];
}

// The export bytes of the fields whose text follows from their one-byte code
// alone (message type names, response code texts, day masks), made once for
// every code when first asked for: the export writes the same few names
// millions of times, and converting their Cyrillic is the dearest part of a
// field. The bytes are those the field's reading writes.
struct TByValueField {
  bool empty = false;
  std::string bytes;
};

bool TextFollowsFromValue(Conv conv) {
  return conv == Conv::MessageType || conv == Conv::ResponseCode || conv == Conv::WeekDays;
}

const TByValueField& ByValueField(std::uint8_t tag, std::uint8_t value);

// The placeholders of each row's format, one letter each ('i', 's', 'f'),
// worked out once: they say which arguments a reading is written with.
const FormatSignature& SignatureOfRow(const FieldRule& r) {
  static const std::array<FormatSignature, 256> rows = [] {
    std::array<FormatSignature, 256> s{};
    for (std::size_t i = 0; i < FieldRuleCount(); ++i) s[FieldRules()[i].tag] = SignatureOf(FieldRules()[i].format);
    return s;
  }();
  return rows[r.tag];
}

// Hexadecimal bytes: "[ AA BB ]" behind a hex row's prefix, "AA BB " behind
// the raw debit date's, 32 digits without separators for a certificate.
void WriteBytes(const FieldRule& r, std::string_view bytes, std::string& text) {
  const auto* b = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (r.conv == Conv::Rule && r.special == Special::CertificateUid) {
    char digits[32];
    for (std::size_t i = 0; i < 16; ++i) PutHexByte(digits + 2 * i, b[i]);
    AppendFieldFormat(text, r.format, {FieldArg::Utf8(std::string_view(digits, sizeof digits))});
    return;
  }
  text.assign(r.format);
  const bool brackets = r.conv == Conv::Hex;
  if (brackets) text.append("[ ");
  AppendHexBytes(text, b, bytes.size());
  if (brackets) text.append(" ]");
}

// The third step of a field: its reading written through the row's format.
// format takes the arguments the format's placeholders ask for.
template <class Format>
void WriteReading(const FieldRule& r, const TFieldReading& rd, std::string& text, Format&& format) {
  using Kind = TFieldReading::Kind;
  const FormatSignature& sig = SignatureOfRow(r);
  const auto signedMagnitude = [&] {
    const auto m = static_cast<std::int64_t>(static_cast<std::uint64_t>(rd.magnitude));
    return rd.negative ? -m : m;
  };
  char digits[48];
  const auto decimal = [&](unsigned __int128 v) {
    char* const end = digits + sizeof digits;
    const char* first = PutWideDecimalBackward(end, v);
    return FieldArg::Utf8(std::string_view(first, end - first));
  };
  switch (rd.kind) {
    case Kind::Nothing: return;
    case Kind::Shown: text.assign(rd.text); return;
    case Kind::Number:
      if (sig.count == 1 && sig.letters[0] == 's' && !rd.digits.empty()) return format({FieldArg::Utf8(rd.digits)});
      if (sig.count == 1 && sig.letters[0] == 's') {
        // A signed number as a text: its sign in front of the digits.
        char* const end = digits + sizeof digits;
        char* first = PutWideDecimalBackward(end, rd.magnitude);
        if (rd.negative) *--first = '-';
        return format({FieldArg::Utf8(std::string_view(first, end - first))});
      }
      return format({FieldArg::Int(signedMagnitude())});
    case Kind::Decimal:
      if (sig.letters[0] == 'f') return format({FieldArg::Hundredths(signedMagnitude())});
      if (sig.letters[0] == 's')
        return format({decimal(rd.magnitude / 100), FieldArg::Int(static_cast<std::uint32_t>(rd.magnitude % 100))});
      return format({FieldArg::Int(static_cast<std::uint32_t>(rd.magnitude / 100)),
                     FieldArg::Int(static_cast<std::uint32_t>(rd.magnitude % 100))});
    case Kind::Code:
      if (sig.count == 2) return format({FieldArg::Int(signedMagnitude()), FieldArg::Utf8(rd.text)});
      return format({FieldArg::Utf8(rd.text)});
    case Kind::Text:
      if (r.conv == Conv::Hex) return void(text.assign(r.format).append(rd.text));
      if (rd.coding == TFieldReading::Coding::Stars) return format({FieldArg::Stars(rd.text.size())});
      if (rd.coding == TFieldReading::Coding::Cp1251) return format({FieldArg::Cp1251(rd.text)});
      return format({FieldArg::Utf8(rd.text)});
    case Kind::Bytes: return WriteBytes(r, rd.bytes, text);
    case Kind::Times:
      return format({FieldArg::Int(rd.quad[0]), FieldArg::Int(rd.quad[1]), FieldArg::Int(rd.quad[2]),
                     FieldArg::Int(rd.quad[3])});
  }
}

// A field with a value read by its row's reader or special rule. Kept out of
// line: its reading holds a text buffer, which must not sit in every frame of
// a nested message's recursion.
// Returns true when the field went straight onto the export line.
__attribute__((noinline)) bool ScalarField(FieldPlace place, const TTLVStorage& storage, const TTLV& item,
                                           const FieldRule& r, std::string& text) {
  TFieldReading rd;
  ReadField(storage, item, r, place.isExport() ? ExportColumns(r) : TreeColumns(r), rd);
  ExportLine* const line = place.line();
  if (line && rd.kind == TFieldReading::Kind::Code) {
    const TByValueField& kept = ByValueField(r.tag, static_cast<std::uint8_t>(rd.magnitude));
    line->FieldBytes(kept.bytes, kept.empty);
    return true;
  }
  const TDirectRow* direct = line ? &DirectRowOf(r) : nullptr;
  if (direct && (direct->form == DirectForm::None || rd.kind == TFieldReading::Kind::Shown)) direct = nullptr;
  bool written = false;
  WriteReading(r, rd, text, [&](std::initializer_list<FieldArg> args) {
    if (direct == nullptr) return AppendFieldFormat(text, r.format, args);
    line->PutDirect(direct->format, direct->form == DirectForm::Quoted, args);
    written = true;
  });
  return written;
}

const TByValueField& ByValueField(std::uint8_t tag, std::uint8_t value) {
  static const auto rows = [] {
    std::array<std::unique_ptr<std::array<TByValueField, 256>>, 256> made;
    for (std::size_t i = 0; i < FieldRuleCount(); ++i) {
      const FieldRule& r = FieldRules()[i];
      if (!TextFollowsFromValue(r.conv) || r.reader != Reader::Byte) continue;
      made[r.tag] = std::make_unique<std::array<TByValueField, 256>>();
      for (unsigned code = 0; code < 256; ++code) {
        // The field of a message that holds it alone, written as the tree writes it.
        const std::uint8_t message[] = {0x1F, r.tag, 1, static_cast<std::uint8_t>(code)};
        TTLVStorage storage;
        storage.Parse(message, sizeof message);
        TFieldReading rd;
        ReadField(storage, *storage.Item(storage.Count() - 1), r, ExportColumns(r), rd);
        std::string text;
        WriteReading(r, rd, text,
                     [&](std::initializer_list<FieldArg> args) { AppendFieldFormat(text, r.format, args); });
        TByValueField& field = (*made[r.tag])[code];
        AppendDelimitedUtf8Field(field.bytes, text);
        field.empty = text.empty();
      }
    }
    return made;
  }();
  return (*rows[tag])[value];
}

// The export's quick rows: the commonest fields of a log (numbers, amounts
// and BCD digits behind their name, dates, plain texts, transaction tokens,
// message type names, the message root) written straight into the line from
// the value, without the general case's text, argument list and
// placeholder interpretation. A quick row covers only a value that reads
// cleanly; anything else (a failed read, a card number too long for 64 bits,
// a name not yet kept) is left to the general case, so the bytes are always
// those of the general case.
enum class QuickShape : std::uint8_t {
  None,
  Number,      // literal text around one "%u" or "%d"
  Digits,      // literal text around one "%s" of a BCD value's decimal digits
  UnitsCents,  // literal text around "%u.%.2u"
  Hundredths,  // literal text around one "%.2f"
  Stamp,       // literal text around one "%s" of a six-byte date and time
  Text,        // literal text around one "%s" of a text that needs no conversion
  Token,       // literal text around one "%s" of a transaction token's text
  ByValue,     // a name kept per one-byte value
  Fixed,       // the row's fixed text
};

struct TQuickRow {
  QuickShape shape = QuickShape::None;
  Reader reader = Reader::None;
  Conv conv = Conv::Plain;
  bool signedNumber = false;  // the placeholder is "%d"
  bool twoWidths = false;     // a one-byte value is read as well as the reader's width
  std::uint8_t tag = 0;
  std::uint16_t buffer = 0;   // Text: the export's text buffer
  std::uint8_t prefixSize = 0;
  std::uint8_t suffixSize = 0;
  char prefix[48] = {};  // the opening quote and the literal text before the number
  char suffix[16] = {};  // the literal text after it and the closing quote
  std::string bytes;     // Fixed: the field in its export form
  bool empty = false;    // Fixed: the text is empty
};

bool IsPlainPlaceholder(const TCompiledFormat::Piece& p, char conversion) {
  return p.text == nullptr && p.ph.conversion == conversion && p.ph.width == 0 && p.ph.precision < 0 && !p.ph.zeroPad &&
         !p.ph.left;
}

// The quick form of a row: its format must be a literal prefix, the
// placeholders of its shape and a literal suffix, its literal text ASCII
// without double quotes (so that the quoting follows from the format alone).
// The quick shape of a row whose format's first placeholder is at p (a row
// of two widths is a number); sets signedNumber for a "%d".
QuickShape ShapeOfRow(const FieldRule& r, const TCompiledFormat::Piece* p, const TCompiledFormat::Piece* end,
                      bool quotedAnyway, bool twoWidths, bool& signedNumber) {
  const bool plainReader = r.reader != Reader::None && r.reader != Reader::Text && r.reader != Reader::Raw;
  // The placeholder at p: of this conversion, or of it without flags, width or precision.
  auto at = [&](char conversion) { return p != end && p->text == nullptr && p->ph.conversion == conversion; };
  auto plainAt = [&](char conversion) { return p != end && IsPlainPlaceholder(*p, conversion); };
  switch (twoWidths ? Conv::Plain : r.conv) {
    case Conv::Plain:
    case Conv::Low32:
    case Conv::NumberText:
      signedNumber = plainAt('d');
      return plainReader && (plainAt('u') || plainAt('d')) ? QuickShape::Number : QuickShape::None;
    case Conv::Decimal: return plainReader && plainAt('s') ? QuickShape::Digits : QuickShape::None;
    case Conv::Amount:
    case Conv::Thousandths:
      // "%u.%.2u": the whole, a point, the hundredths in two digits.
      if (plainReader && end - p >= 3 && plainAt('u') && p[1].text && p[1].size == 1 && p[1].text[0] == '.' &&
          p[2].text == nullptr && p[2].ph.conversion == 'u' && p[2].ph.precision == 2 && p[2].ph.width == 0 &&
          !p[2].ph.left)
        return QuickShape::UnitsCents;
      return QuickShape::None;
    case Conv::Fraction: return plainReader && at('f') ? QuickShape::Hundredths : QuickShape::None;
    case Conv::Rule:
      return r.special == Special::DateTime && quotedAnyway && at('s') ? QuickShape::Stamp : QuickShape::None;
    case Conv::Token: return quotedAnyway && at('s') ? QuickShape::Token : QuickShape::None;
    case Conv::Text:
      return r.reader == Reader::Text && quotedAnyway && at('s') ? QuickShape::Text : QuickShape::None;
    default: return QuickShape::None;
  }
}

// The literal text before and after the value, with the quotes; false when
// it does not fit the row.
bool SetQuickPieces(TQuickRow& q, const TCompiledFormat::Piece* prefix, const TCompiledFormat::Piece* suffix,
                    bool quoted) {
  const std::size_t prefixSize = (prefix ? prefix->size : 0) + (quoted ? 1 : 0);
  const std::size_t suffixSize = (suffix ? suffix->size : 0) + (quoted ? 1 : 0);
  if (prefixSize > sizeof q.prefix || suffixSize > sizeof q.suffix) return false;
  char* o = q.prefix;
  if (quoted) *o++ = '"';
  if (prefix) std::memcpy(o, prefix->text, prefix->size);
  o = q.suffix;
  if (suffix) o = static_cast<char*>(std::memcpy(o, suffix->text, suffix->size)) + suffix->size;
  if (quoted) *o = '"';
  q.prefixSize = static_cast<std::uint8_t>(prefixSize);
  q.suffixSize = static_cast<std::uint8_t>(suffixSize);
  return true;
}

// The quick form of a row: its format must be a literal prefix, the
// placeholders of its shape and a literal suffix, its literal text ASCII
// without double quotes (so that the quoting follows from the format alone).
// A text of the log, or a time stamp, may hold blanks: only a format that
// quotes anyway keeps the quoting independent of them.
void MakeQuickForm(const FieldRule& r, TQuickRow& q) {
  TCompiledFormat format;
  if (!format.Compile(r.format)) return;
  const DirectForm direct = DirectFormOf(format);
  if (direct == DirectForm::None) return;
  const TCompiledFormat::Piece* p = format.begin();
  const TCompiledFormat::Piece* const end = format.end();
  const TCompiledFormat::Piece* prefix = p != end && p->text ? p++ : nullptr;
  const bool twoWidths = r.conv == Conv::Rule && r.special == Special::TwoWidths &&
                         (r.reader == Reader::Word || r.reader == Reader::DWord);
  bool signedNumber = false;
  const QuickShape shape = ShapeOfRow(r, p, end, direct == DirectForm::Quoted, twoWidths, signedNumber);
  if (shape == QuickShape::None) return;
  p += shape == QuickShape::UnitsCents ? 3 : 1;
  const TCompiledFormat::Piece* suffix = p != end && p->text ? p++ : nullptr;
  if (p != end || !SetQuickPieces(q, prefix, suffix, direct == DirectForm::Quoted)) return;
  q.signedNumber = signedNumber;
  q.twoWidths = twoWidths;
  const std::uint16_t buffer = r.exportRule.buffer != 0 ? r.exportRule.buffer : r.buffer;
  q.buffer = buffer <= kLargestTextBuffer ? buffer : kLargestTextBuffer;
  q.shape = shape;
}

const std::array<TQuickRow, 256>& QuickRows() {
  static const std::array<TQuickRow, 256> rows = [] {
    std::array<TQuickRow, 256> q{};
    for (std::uint32_t tag = 0; tag < 256; ++tag) {
      const FieldRule* r = FieldRuleOf(tag);
      if (r == nullptr || r->exportRule.noCase) continue;
      q[tag].tag = static_cast<std::uint8_t>(tag);
      q[tag].reader = r->reader;
      q[tag].conv = r->conv;
      if (r->conv == Conv::Fixed) {
        AppendDelimitedUtf8Field(q[tag].bytes, r->format);
        q[tag].empty = *r->format == '\0';
        q[tag].shape = QuickShape::Fixed;
      } else if (TextFollowsFromValue(r->conv) && r->reader == Reader::Byte) {
        q[tag].shape = QuickShape::ByValue;
      } else {
        MakeQuickForm(*r, q[tag]);
      }
    }
    return q;
  }();
  return rows;
}

// The prefix of a quick row at o, copied whole (its unused bytes are
// overwritten by what follows); returns where the value goes.
// Eight bytes at a time through registers: a block copy of a few dozen bytes
// would otherwise become a string instruction, slow to start.
template <std::size_t N>
void CopyWords(char* o, const char* p) {
  static_assert(N % 8 == 0);
#pragma GCC unroll 8
  for (std::size_t i = 0; i < N; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    std::memcpy(o + i, &w, 8);
  }
}

char* PutQuickPrefix(char* o, const TQuickRow& q) {
  CopyWords<sizeof q.prefix>(o, q.prefix);
  return o + q.prefixSize;
}
void EndQuickField(ExportLine& line, const TQuickRow& q, char* o, bool empty = false) {
  CopyWords<sizeof q.suffix>(o, q.suffix);
  line.EndField(o + q.suffixSize, empty);
}
constexpr std::size_t kQuickRoom = sizeof(TQuickRow::prefix) + sizeof(TQuickRow::suffix);

// A BCD value's decimal digits. When every nibble is a digit they are the
// nibbles themselves without the leading zeros, whatever the length (a card
// number of twenty digits needs no 128-bit arithmetic); a value with other
// nibbles is left to the general case.
bool QuickDigitsField(ExportLine& line, const TQuickRow& q, std::uint32_t length, const std::uint8_t* d) {
  const std::uint32_t maxDigits = q.reader == Reader::Bcd14 ? 14 : 20;
  if (2 * std::uint64_t{length} > maxDigits) return false;
  char* const o = PutQuickPrefix(line.BeginField(kQuickRoom + maxDigits + 1), q);
  char* const end = PutBcdDigits(o, d, length);
  if (end == nullptr) return false;  // nothing is kept of a field not ended
  EndQuickField(line, q, end);
  return true;
}

// A text that is ASCII without double quotes: it reads the same in cp1251 and
// UTF-8, and the row's format quotes it anyway.
bool QuickAsciiField(ExportLine& line, const TQuickRow& q, const std::uint8_t* text, std::size_t n) {
  if (!IsAsciiWithoutQuotes(std::string_view(reinterpret_cast<const char*>(text), n))) return false;
  char* o = PutQuickPrefix(line.BeginField(kQuickRoom + n), q);
  TTextBuffer::CopyBytes(o, reinterpret_cast<const char*>(text), n);
  EndQuickField(line, q, o + n);
  return true;
}

// A time stamp of six bytes, or a text of the log that is ASCII without
// double quotes (it reads the same in cp1251 and UTF-8 and the row's format
// quotes it anyway).
bool QuickTextField(ExportLine& line, const TQuickRow& q, std::uint32_t length, const std::uint8_t* d) {
  if (q.shape == QuickShape::Stamp) {
    if (length != 6) return false;
    char* o = PutQuickPrefix(line.BeginField(kQuickRoom + kTimeStampTextMax), q);
    EndQuickField(line, q, PutTimeStampText(o, DecodeDateTime6(d)));
    return true;
  }
  // Read as GetString reads it: 1 to buffer - 1 bytes, up to the first zero byte.
  if (length == 0 || length >= q.buffer) return false;
  const void* zero = std::memchr(d, 0, length);
  return QuickAsciiField(line, q, d, zero ? static_cast<const std::uint8_t*>(zero) - d : length);
}

// Writes the field of a quick row; false when the general case must write it.
// A quick row's number read from the value's bytes as the row's reader reads
// it (for Int also as a signed number); false when it does not read cleanly.
bool ReadQuickNumber(const TQuickRow& q, const TTLVStorage& storage, const TTLV& item, std::uint64_t& value,
                     std::int64_t& signedValue) {
  const std::uint32_t length = item.GetLength();
  const std::uint8_t* d = item.GetData();
  switch (q.twoWidths && length == 1 ? Reader::Byte : q.reader) {
    case Reader::Byte:
      value = d[0];
      return length == 1;
    case Reader::Word:
      if (length != 2) return false;
      value = ReadBigEndian16(d);
      return true;
    case Reader::DWord:
    case Reader::Int:
      if (length != 4) return false;
      value = ReadBigEndian32(d);
      signedValue = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
      return true;
    case Reader::Bcd14:
    case Reader::Bcd20: return storage.GetBCD(item, q.reader == Reader::Bcd14 ? 14 : 20, value) == TLV_OK;
    default: return false;
  }
}

// The text of a quick row's number at o: a number as its placeholder reduces
// it to 32 bits, a whole and two decimals, or rounded hundredths.
char* PutQuickNumber(char* o, const TQuickRow& q, std::uint64_t value, std::int64_t signedValue) {
  switch (q.shape) {
    case QuickShape::Number: {
      // The argument of the general case, reduced to 32 bits by the placeholder.
      std::int64_t arg;
      switch (q.conv) {
        case Conv::Low32: arg = static_cast<std::uint32_t>(value); break;
        case Conv::NumberText: arg = static_cast<std::int32_t>(static_cast<std::uint32_t>(value)); break;
        default: arg = q.reader == Reader::Int ? signedValue : static_cast<std::int64_t>(value); break;
      }
      const auto bits = static_cast<std::uint32_t>(arg);
      const auto asSigned = static_cast<std::int64_t>(static_cast<std::int32_t>(bits));
      if (q.signedNumber && asSigned < 0) *o++ = '-';
      if (q.signedNumber) return PutDecimal(o, asSigned < 0 ? 0u - static_cast<std::uint64_t>(asSigned) : asSigned);
      return PutDecimal(o, bits);
    }
    case QuickShape::UnitsCents: {
      const std::uint64_t scale = q.conv == Conv::Amount ? 10000 : 1000;
      const std::uint64_t cents = q.conv == Conv::Amount ? value / 100 % 100 : value / 10 % 100;
      o = PutDecimal(o, static_cast<std::uint32_t>(value / scale));
      *o++ = '.';
      PutTwoDigits(o, static_cast<unsigned>(cents));
      return o + 2;
    }
    case QuickShape::Hundredths: return PutHundredths(o, RoundToHundredths(static_cast<std::int64_t>(value)));
    default: return o;
  }
}

// Writes the field of a quick row; false when the general case must write it.
bool QuickField(ExportLine& line, const TQuickRow& q, const TTLVStorage& storage, const TTLV& current) {
  if (q.shape == QuickShape::Fixed) {
    line.FieldBytes(q.bytes, q.empty);
    return true;
  }
  if (q.shape == QuickShape::Token) {
    TCatalogueText buffer;
    const std::string_view token = TransactionTokenText(storage, q.tag, buffer);
    return QuickAsciiField(line, q, reinterpret_cast<const std::uint8_t*>(token.data()), token.size());
  }
  // The value of the first item with the row's tag, read as the row's reader reads it.
  const TTLV* const item = storage.FirstWithTag(current);
  if (item == nullptr || item->GetData() == nullptr) return false;
  const std::uint32_t length = item->GetLength();
  const std::uint8_t* d = item->GetData();
  if (q.shape == QuickShape::Stamp || q.shape == QuickShape::Text) return QuickTextField(line, q, length, d);
  const bool bcd = q.reader == Reader::Bcd14 || q.reader == Reader::Bcd20;
  if (bcd && q.shape == QuickShape::Digits) return QuickDigitsField(line, q, length, d);
  std::uint64_t value = 0;
  std::int64_t signedValue = 0;
  if (!ReadQuickNumber(q, storage, *item, value, signedValue)) return false;
  if (q.shape == QuickShape::ByValue) {
    const TByValueField& kept = ByValueField(q.tag, static_cast<std::uint8_t>(value));
    line.FieldBytes(kept.bytes, kept.empty);
    return true;
  }
  char* const o = PutQuickPrefix(line.BeginField(kQuickRoom + 48), q);
  EndQuickField(line, q, PutQuickNumber(o, q, value, signedValue));
  return true;
}

// Tags the renderer does not know, and tags the export writes as such: the
// tag in hexadecimal and the bytes of the first item with the tag.
void UnknownField(FieldPlace place, const TTLVStorage& storage, const TTLV& item, int depth) {
  std::string local;
  std::string& text = place.Scratch(depth, local);
  AppendFieldFormat(text, "Неизвестное поле 0x%.2X", {FieldArg::Int(item.GetTag())});
  const TTLV* found;
  if (storage.Find(item.GetTag(), found) == TLV_OK) {
    text.append(" [ ");
    AppendHexBytes(text, found->GetData(), found->GetLength());
    text.append(" ]");
  }
  place.FinalText(text);
}

void RenderField(FieldPlace place, const TTLVStorage& storage, const TTLV& item, int depth);

// How each of the four fields that hold a whole TLV string behaves.
struct NestedForm {
  std::uint8_t tag;
  bool firstItem;         // renders the first item with the tag, not the item it was called with
  bool headerWhenParsed;  // adds its header only when the value parses
  bool finalStep;         // ends with the common final step (an empty string in the export)
};
constexpr NestedForm kNestedForms[] = {
    {34, true, false, true},    // MF_EXTENDED_CARD_DATA
    {50, false, false, false},  // MF_OUT_OF_BAND
    {67, false, true, false},   // MF_SERVICE_INFO
    {179, false, false, true},  // MF_PRODUCT_DATA_RECORD
};

// A value that is itself a message: its items are rendered under the header
// from a storage of their own. Below the nesting limit the items are left out,
// so a message nested ever deeper cannot exhaust the stack.
void NestedField(FieldPlace place, const TTLVStorage& storage, const TTLV& item, const FieldRule& r, int depth) {
  NestedForm form{r.tag, false, false, true};
  for (const NestedForm& f : kNestedForms)
    if (f.tag == r.tag) form = f;

  FieldPlace header = place;
  if (!form.headerWhenParsed) header = place.Add(r.format);
  const TTLV* value = NestedMessageItem(storage, item);
  if (value == nullptr) return;

  TTLVStorage inner;
  if (inner.Parse(value->GetData(), value->GetLength()) != TLV_OK) {
    if (!form.headerWhenParsed) place.Final(std::string());
    return;
  }
  if (form.headerWhenParsed) header = place.Add(r.format);
  if (depth < kMaxFieldNesting) {
    for (std::uint32_t i = 0; i < inner.Count(); ++i) RenderField(header, inner, *inner.Item(i), depth + 1);
  }
  if (form.finalStep) place.Final(std::string());
}

// The quick row of an item on an export line, when it has one and its value
// reads cleanly.
inline bool WroteQuickly(FieldPlace place, const TTLVStorage& storage, const TTLV& item) {
  ExportLine* const line = place.line();
  if (line == nullptr || item.GetTag() >= 256) return false;
  // The table is made once; afterwards only the guard of the pointer is looked at.
  static const TQuickRow* const rows = QuickRows().data();
  const TQuickRow& q = rows[item.GetTag()];
  return q.shape != QuickShape::None && QuickField(*line, q, storage, item);
}

void RenderField(FieldPlace place, const TTLVStorage& storage, const TTLV& item, int depth) {
  // A field at depth 0 was offered to its quick row by AddField.
  if (depth > 0 && WroteQuickly(place, storage, item)) return;
  const FieldRule* r = FieldRuleOf(item.GetTag());
  if (r == nullptr || (place.isExport() && r->exportRule.noCase)) {
    UnknownField(place, storage, item, depth);
    return;
  }

  std::string local;
  std::string& text = place.Scratch(depth, local);
  switch (r->conv) {
    case Conv::Nested:
      NestedField(place, storage, item, *r, depth);
      return;
    case Conv::Structured:
      if (r->structured && r->structured(place, storage, item, text) == CaseEnd::ReturnDirectly) return;
      break;
    default:
      if (ScalarField(place, storage, item, *r, text)) return;
      break;
  }
  place.FinalText(text);
}

}  // namespace

const TTLV* NestedMessageItem(const TTLVStorage& storage, const TTLV& item) {
  for (const NestedForm& f : kNestedForms) {
    if (f.tag != item.GetTag() || !f.firstItem) continue;
    const TTLV* first = nullptr;
    return storage.Find(f.tag, first) == TLV_OK ? first : nullptr;
  }
  return &item;
}

void AddField(FieldPlace place, const TTLVStorage& storage, const TTLV& item) {
  // Most fields of an export take the quick way: without the general case's frame.
  if (!WroteQuickly(place, storage, item)) RenderField(place, storage, item, 0);
}

void AddExportLine(ExportLine& line, TTextBuffer& out, bool afterPrefix, const TTLVStorage& storage,
                   const TTLV& item) {
  // A quick field is the whole line and ends it in its own room.
  line.BeginWholeLine(out, afterPrefix);
  if (WroteQuickly(FieldPlace::Export(line), storage, item)) return;
  line.KeepLineOpen();
  RenderField(FieldPlace::Export(line), storage, item, 0);
  line.End();
  out.Append2('\r', '\n');
}

void AddFieldNode(TreeNode& parent, const TTLVStorage& storage, const TTLV& item) {
  RenderField(FieldPlace::Tree(parent), storage, item, 0);
}

void AddFieldLines(std::vector<std::string>& lines, const TTLVStorage& storage, const TTLV& item) {
  RenderField(FieldPlace::Export(lines), storage, item, 0);
}

}  // namespace pkt
