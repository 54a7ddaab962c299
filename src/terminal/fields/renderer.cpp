// The engine of the field renderer: the item's tag selects its row of the tag
// table; the row says how the value is read, converted and formatted and what
// is shown when it cannot be read. Both front ends run this engine and differ
// only through the export column of the rows.
#include "terminal/fields/renderer.h"

#include <array>
#include <cstring>
#include <memory>

#include "platform/digits.h"
#include "terminal/catalogues.h"
#include "terminal/fields/field_format.h"
#include "terminal/fields/field_table.h"
#include "text/codepage.h"
#include "text/delimited.h"

namespace pkt {

namespace {

// Ten-thousandths rounded to hundredths, a half away from zero (1.005 gives
// 1.01 and -1.005 gives -1.01), in integers: the decimal value is exact, so no
// binary rounding can turn a half into less.
std::int64_t RoundToHundredths(std::int64_t tenThousandths) {
  bool negative = tenThousandths < 0;
  std::uint64_t m = negative ? 0u - static_cast<std::uint64_t>(tenThousandths) : static_cast<std::uint64_t>(tenThousandths);
  std::uint64_t h = m / 100 + (m % 100 >= 50 ? 1 : 0);
  return negative ? -static_cast<std::int64_t>(h) : static_cast<std::int64_t>(h);
}

// The exact value of a packed BCD value read as `value`: twenty digits do not
// fit in 64 bits, so a value of ten bytes or more is added up again digit by
// digit in 128 bits (a nibble above 9 counting with its binary value, as the
// storage's reader counts it). Card numbers and balances are shown from this
// value, so a long number is never shown wrapped or negative.
unsigned __int128 ExactBcd(const TTLVStorage& storage, const FieldRule& r, std::uint64_t value) {
  // A value read with at most 14 digits has at most seven bytes: it fits.
  if (r.reader != Reader::Bcd20) return value;
  const std::uint32_t tag = r.tag;
  const TTLV* item;
  if (storage.Find(tag, item) != TLV_OK || item->GetLength() < 10) return value;
  // An item without bytes reads as zeros, as ByteAt reads it.
  const std::uint8_t* data = item->GetData();
  if (data == nullptr) return 0;
  // Nine bytes fit in 64 bits whatever their nibbles (at most 165 a byte);
  // the rest are added in 128 bits.
  const std::uint32_t length = item->GetLength();
  const std::uint32_t head = length < 9 ? length : 9;
  std::uint64_t first = 0;
  for (std::uint32_t i = 0; i < head; ++i) first = first * 100 + (data[i] >> 4) * 10 + (data[i] & 0xF);
  unsigned __int128 v = first;
  for (std::uint32_t i = head; i < length; ++i) v = v * 100 + (data[i] >> 4) * 10 + (data[i] & 0xF);
  return v;
}

std::string_view DecimalText(unsigned __int128 v, char (&buffer)[48]) {
  char* end = buffer + sizeof buffer;
  char* p = end;
  // Nineteen digits at a time in 64 bits: 128-bit division is slow.
  constexpr std::uint64_t kChunk = 10000000000000000000ull;
  while (v >= kChunk) {
    auto low = static_cast<std::uint64_t>(v % kChunk);
    v /= kChunk;
    char* const chunkStart = p - 19;
    p = PutDecimalBackward(p, low);
    while (p > chunkStart) *--p = '0';
  }
  // Two digits a step for the rest (card numbers have up to twenty).
  p = PutDecimalBackward(p, static_cast<std::uint64_t>(v));
  return std::string_view(p, end - p);
}

// The tree and the export read a few texts into buffers of different sizes,
// and give a few fields a different failure text.
struct FrontEndColumns {
  std::uint16_t buffer;
  Failure failure;
};

FrontEndColumns ColumnsFor(const FieldRule& r, FieldPlace place) {
  FrontEndColumns c{r.buffer, r.failure};
  if (place.isExport()) {
    if (r.exportRule.buffer != 0) c.buffer = r.exportRule.buffer;
    if (r.exportRule.failure.kind != Fail::None) c.failure = r.exportRule.failure;
  }
  return c;
}

// How the export can write a row's field straight into its line, without a
// text of its own: when the row's conversion gives only numbers (digits, a
// sign, a decimal point) and its format's literal text is ASCII without
// double quotes, the field text needs no conversion, and whether it is
// quoted follows from the literal text alone: numbers never hold a blank,
// and space padding is allowed only where the literal text quotes anyway.
enum class DirectForm : std::uint8_t { None, Plain, Quoted };

DirectForm DirectFormOfFormat(const char* fmt) {
  if (fmt == nullptr) return DirectForm::None;
  bool quoted = false;
  bool spacePadded = false;
  for (const char* p = fmt; *p != '\0'; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c == '%' && p[1] != '%' && p[1] != '\0') {
      bool zero = false, left = false;
      for (++p; *p == '0' || *p == '-'; ++p) (*p == '0' ? zero : left) = true;
      const bool width = *p >= '1' && *p <= '9';
      while ((*p >= '0' && *p <= '9') || *p == '.') ++p;
      spacePadded |= width && (left || !zero);
      if (*p == '\0') break;
      continue;
    }
    if (c == '%' && p[1] == '%') ++p;
    if (c >= 0x80 || c == '"') return DirectForm::None;
    quoted |= c <= 0x20;
  }
  if (spacePadded && !quoted) return DirectForm::None;
  return quoted ? DirectForm::Quoted : DirectForm::Plain;
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

// The direct form of every tag's row, worked out once.
DirectForm DirectFormOf(const FieldRule& r) {
  static const std::array<DirectForm, 256> forms = [] {
    std::array<DirectForm, 256> f{};
    for (std::uint32_t tag = 0; tag < 256; ++tag) {
      const FieldRule* rule = FieldRuleOf(tag);
      if (rule && GivesOnlyNumbers(rule->conv)) f[tag] = DirectFormOfFormat(rule->format);
    }
    return f;
  }();
  return forms[r.tag];
}

// The export bytes of the fields whose text follows from their one-byte value
// alone (message type names, response code texts, day masks), kept by each
// rendering thread once made: the export writes the same few names millions
// of times, and converting their Cyrillic is the dearest part of a field.
struct TByValueField {
  bool made = false;
  bool empty = false;
  std::string bytes;
};

bool TextFollowsFromValue(Conv conv) {
  return conv == Conv::MessageType || conv == Conv::ResponseCode || conv == Conv::WeekDays;
}

TByValueField& ByValueField(std::uint8_t tag, std::uint8_t value) {
  thread_local std::array<std::unique_ptr<std::array<TByValueField, 256>>, 256> cache;
  auto& row = cache[tag];
  if (!row) row = std::make_unique<std::array<TByValueField, 256>>();
  return (*row)[value];
}

// A field with one value read by a reader of the storage. Kept out of line:
// it holds the text buffer, which must not sit in every frame of a nested
// message's recursion.
// Returns true when the field went straight onto the export line.
__attribute__((noinline)) bool ScalarField(FieldPlace place, const TTLVStorage& storage, const FieldRule& r,
                                           std::string& text) {
  const FrontEndColumns columns = ColumnsFor(r, place);
  ExportLine* const line = place.line();
  const DirectForm direct = line ? DirectFormOf(r) : DirectForm::None;
  bool written = false;
  auto format = [&](std::initializer_list<FieldArg> args) {
    if (direct == DirectForm::None) {
      AppendFieldFormat(text, r.format, args);
      return;
    }
    const bool quoted = direct == DirectForm::Quoted;
    AppendFieldFormat(line->BeginDirect(quoted), r.format, args);
    line->EndDirect(quoted);
    written = true;
  };
  std::uint64_t value = 0;
  std::int64_t signedValue = 0;  // the Int reader's value
  char buffer[kLargestTextBuffer];
  std::size_t length = 0;
  int rc = TLV_OK;
  switch (r.reader) {
    case Reader::Byte: {
      std::uint8_t v = 0;
      rc = storage.GetByte(r.tag, v);
      value = v;
      break;
    }
    case Reader::Word: {
      std::uint16_t v = 0;
      rc = storage.GetWord(r.tag, v);
      value = v;
      break;
    }
    case Reader::DWord: {
      std::uint32_t v = 0;
      rc = storage.GetDWord(r.tag, v);
      value = v;
      break;
    }
    case Reader::Int: {
      std::int32_t v = 0;
      rc = storage.GetInt(r.tag, v);
      signedValue = v;
      value = static_cast<std::uint32_t>(v);
      break;
    }
    case Reader::Bcd14:
    case Reader::Bcd20: {
      std::uint64_t v = 0;
      rc = storage.GetBCD(r.tag, r.reader == Reader::Bcd14 ? 14 : 20, v);
      value = v;
      break;
    }
    case Reader::Text: {
      std::uint32_t capacity = columns.buffer <= sizeof buffer ? columns.buffer : sizeof buffer;
      rc = storage.GetString(r.tag, buffer, capacity);
      if (rc == TLV_OK) length = strnlen(buffer, capacity);
      break;
    }
    case Reader::None:
    case Reader::Raw:
      break;
  }

  if (rc != TLV_OK) {
    switch (columns.failure.kind) {
      case Fail::Quoted: text.assign(columns.failure.text); return false;
      case Fail::Zero: value = 0; signedValue = 0; length = 0; break;
      case Fail::Omit:
      case Fail::None: return false;
    }
  }

  TByValueField* byValue = nullptr;
  if (line && rc == TLV_OK && value < 256 && TextFollowsFromValue(r.conv)) {
    byValue = &ByValueField(r.tag, static_cast<std::uint8_t>(value));
    if (byValue->made) {
      line->FieldBytes(byValue->bytes, byValue->empty);
      return true;
    }
  }

  switch (r.conv) {
    case Conv::Plain:
      format({FieldArg::Int(r.reader == Reader::Int ? signedValue : static_cast<std::int64_t>(value))});
      break;
    case Conv::MessageType: {
      TCatalogueText name;
      format({FieldArg::Utf8(MessageTypeName(static_cast<std::uint8_t>(value), name))});
      break;
    }
    case Conv::ResponseCode: {
      TCatalogueText response;
      format({FieldArg::Int(static_cast<std::int64_t>(value)),
              FieldArg::Utf8(ResponseCodeText(static_cast<std::uint8_t>(value), response))});
      break;
    }
    case Conv::WeekDays:
      format({FieldArg::Utf8(WeekDaysText(static_cast<std::uint8_t>(value)))});
      break;
    case Conv::Decimal: {
      char digits[48];
      unsigned __int128 exact = rc == TLV_OK ? ExactBcd(storage, r, value) : 0;
      format({FieldArg::Utf8(DecimalText(exact, digits))});
      break;
    }
    case Conv::Amount:
      format({FieldArg::Int(static_cast<std::uint32_t>(value / 10000)),
              FieldArg::Int(static_cast<std::uint32_t>(value / 100 % 100))});
      break;
    case Conv::Amount64: {
      char digits[48];
      unsigned __int128 exact = rc == TLV_OK ? ExactBcd(storage, r, value) : 0;
      format({FieldArg::Utf8(DecimalText(exact / 10000, digits)),
              FieldArg::Int(static_cast<std::uint32_t>(exact / 100 % 100))});
      break;
    }
    case Conv::Fraction:
      format({FieldArg::Hundredths(RoundToHundredths(static_cast<std::int64_t>(value)))});
      break;
    case Conv::Low32:
      format({FieldArg::Int(static_cast<std::uint32_t>(value))});
      break;
    case Conv::NumberText:
      format({FieldArg::Int(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)))});
      break;
    case Conv::Thousandths:
      format({FieldArg::Int(static_cast<std::uint32_t>(value / 1000)),
              FieldArg::Int(static_cast<std::uint32_t>(value / 10 % 100))});
      break;
    case Conv::Text:
      format({FieldArg::Cp1251(std::string_view(buffer, length))});
      break;
    case Conv::OemText:
      // The terminal wrote this text in its OEM code page.
      if (rc == TLV_OK) OemToAnsi(buffer, length);
      format({FieldArg::Cp1251(std::string_view(buffer, length))});
      break;
    case Conv::Pin:
      // The number of digits shows; the digits do not.
      format({FieldArg::Stars(length)});
      break;
    case Conv::Enumeration:
      for (std::uint8_t i = 0; i < r.enumCount; ++i) {
        if (r.enums[i].value == value) {
          text.assign(r.enums[i].text);
          return false;
        }
      }
      format({FieldArg::Int(static_cast<std::int64_t>(value))});
      break;
    default:
      break;
  }
  if (byValue) {
    AppendDelimitedUtf8Field(byValue->bytes, text);
    byValue->empty = text.empty();
    byValue->made = true;
    line->FieldBytes(byValue->bytes, byValue->empty);
    return true;
  }
  return written;
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
  const TTLV* value = &item;
  if (form.firstItem && storage.Find(r.tag, value) != TLV_OK) return;

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

void RenderField(FieldPlace place, const TTLVStorage& storage, const TTLV& item, int depth) {
  const FieldRule* r = FieldRuleOf(item.GetTag());
  if (r == nullptr || (place.isExport() && r->exportRule.noCase)) {
    UnknownField(place, storage, item, depth);
    return;
  }

  std::string local;
  std::string& text = place.Scratch(depth, local);
  switch (r->conv) {
    case Conv::Fixed:
      text.assign(r->format);
      break;
    case Conv::Token: {
      TCatalogueText token;
      AppendFieldFormat(text, r->format, {FieldArg::Utf8(TransactionTokenText(storage, r->tag, token))});
      break;
    }
    case Conv::Hex: {
      text.assign(r->format);
      const TTLV* found;
      if (storage.Find(r->tag, found) == TLV_OK) {
        text.append("[ ");
        AppendHexBytes(text, found->GetData(), found->GetLength());
        text.append(" ]");
      } else {
        text.append("???");
      }
      break;
    }
    case Conv::Nested:
      NestedField(place, storage, item, *r, depth);
      return;
    case Conv::Structured:
      if (r->structured && r->structured(place, storage, item, text) == CaseEnd::ReturnDirectly) return;
      break;
    case Conv::Rule:
      if (FieldRuleFn rule = SpecialRuleFn(r->special)) rule(storage, *r, text);
      break;
    default:
      if (ScalarField(place, storage, *r, text)) return;
      break;
  }
  place.FinalText(text);
}

}  // namespace

void AddField(FieldPlace place, const TTLVStorage& storage, const TTLV& item) { RenderField(place, storage, item, 0); }

void AddFieldNode(TreeNode& parent, const TTLVStorage& storage, const TTLV& item) {
  RenderField(FieldPlace::Tree(parent), storage, item, 0);
}

void AddFieldLines(std::vector<std::string>& lines, const TTLVStorage& storage, const TTLV& item) {
  RenderField(FieldPlace::Export(lines), storage, item, 0);
}

}  // namespace pkt
