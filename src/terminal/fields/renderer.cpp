// The engine of the field renderer: the item's tag selects its row of the tag
// table; the row says how the value is read, converted and formatted and what
// is shown when it cannot be read. Both front ends run this engine and differ
// only through the export column of the rows.
#include "terminal/fields/renderer.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/bytes.h"
#include "platform/digits.h"
#include "terminal/catalogues.h"
#include "terminal/fields/field_format.h"
#include "terminal/fields/field_read.h"
#include "terminal/fields/field_table.h"
#include "text/codepage.h"
#include "text/delimited.h"

namespace pkt {

namespace {

// A field text made once for every one-byte code, in its export form.
struct TCodeField {
  std::string bytes;
  bool empty = false;
};

// What the renderer does with an item of a tag, in the tree or the export.
enum class Step : std::uint8_t {
  Unknown,     // the tag in hexadecimal and the item's bytes
  Nested,      // a value that is itself a message
  Structured,  // an array of records: the row's structured case
  Text,        // a value read and converted, its text made through the row's format
  // Only on an export line, where a field's text need not be made and then
  // converted and quoted by the delimited-text rule:
  Fixed,       // the row's fixed text, in its export form
  ByCode,      // a value read, the text of its one-byte code in its export form, kept for every code
  Straight,    // a value read, written through the format straight into the line (see SetStraightForm)
};

// The plan of one row of the tag table, made once when first asked for.
struct TFieldPlan {
  const FieldRule* rule = nullptr;  // null: the tag has no case
  FieldReader read = nullptr;
  Step treeStep = Step::Unknown;
  Step exportStep = Step::Unknown;
  FieldColumns tree;
  FieldColumns exported;
  TCompiledFormat format;
  // The straight form: quoted when the literal text holds a blank; the
  // literal text before the first placeholder and after the last, with the
  // quotes, copied whole (their unused bytes are overwritten by what
  // follows); the pieces from the first placeholder to the last; the room of
  // the field besides the text of a text value.
  bool quoted = false;
  char prefix[48] = {};
  char suffix[16] = {};
  std::uint8_t prefixSize = 0;
  std::uint8_t suffixSize = 0;
  std::uint8_t first = 0;
  std::uint8_t last = 0;
  std::size_t room = 0;
  // ByCode: the field of every code. Fixed: the field at 0.
  std::vector<TCodeField> fields;
};

// The literal text around the placeholders of a straight form, with its
// quotes; false when it does not fit.
bool SetStraightPieces(TFieldPlan& plan) {
  const TCompiledFormat::Piece* const begin = plan.format.begin();
  const TCompiledFormat::Piece* const end = plan.format.end();
  const TCompiledFormat::Piece* first = begin;
  while (first != end && first->text != nullptr) ++first;
  const TCompiledFormat::Piece* last = end;
  while (last != first && last[-1].text != nullptr) --last;
  const std::size_t quote = plan.quoted ? 1 : 0;
  std::size_t prefixSize = quote, suffixSize = quote;
  for (const auto* p = begin; p != first; ++p) prefixSize += p->size;
  for (const auto* p = last; p != end; ++p) suffixSize += p->size;
  if (prefixSize > sizeof plan.prefix || suffixSize > sizeof plan.suffix) return false;
  char* o = plan.prefix;
  if (plan.quoted) *o++ = '"';
  for (const auto* p = begin; p != first; o += p->size, ++p) std::memcpy(o, p->text, p->size);
  o = plan.suffix;
  for (const auto* p = last; p != end; o += p->size, ++p) std::memcpy(o, p->text, p->size);
  if (plan.quoted) *o = '"';
  plan.prefixSize = static_cast<std::uint8_t>(prefixSize);
  plan.suffixSize = static_cast<std::uint8_t>(suffixSize);
  plan.first = static_cast<std::uint8_t>(first - begin);
  plan.last = static_cast<std::uint8_t>(last - begin);
  // A number takes at most 40 bytes (39 digits and a sign); a placeholder's width and precision may add to it.
  plan.room = sizeof plan.prefix + sizeof plan.suffix;
  for (const auto* p = first; p != last; ++p)
    plan.room += p->text ? p->size : 48 + static_cast<std::size_t>(p->ph.width) + std::max(p->ph.precision, 0);
  return true;
}

// Whether a row's fields go straight onto an export line: when the format's
// literal text is ASCII without double quotes, the field text needs no
// conversion for values that are numbers, and its quoting follows from the
// literal text (quoted when it holds a blank): numbers never hold one, and a
// space-padded placeholder is allowed only where the literal text quotes
// anyway. A text value goes straight only where it is quoted anyway.
bool SetStraightForm(TFieldPlan& plan) {
  bool ascii = true, blank = false, spacePadded = false;
  for (const TCompiledFormat::Piece& piece : plan.format) {
    if (piece.text == nullptr) {
      spacePadded |= piece.ph.width > 0 && (piece.ph.left || !piece.ph.zeroPad);
      continue;
    }
    for (std::uint32_t i = 0; i < piece.size; ++i) {
      const auto c = static_cast<unsigned char>(piece.text[i]);
      ascii &= c < 0x80 && c != '"';
      blank |= c <= 0x20;
    }
  }
  plan.quoted = blank;
  return ascii && (blank || !spacePadded) && SetStraightPieces(plan);
}

// Copies N bytes sixteen at a time through vector registers: a block copy of
// a few dozen bytes would otherwise become a string instruction, slow to start.
template <std::size_t N>
void CopyWords(char* o, const char* p) {
  static_assert(N % 16 == 0);
#pragma GCC unroll 4
  for (std::size_t i = 0; i < N; i += 16) {
    char w[16];
    std::memcpy(w, p + i, 16);
    std::memcpy(o + i, w, 16);
  }
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

// A signed number of at most 64 bits.
std::int64_t SignedValue(const TFieldReading& rd) {
  const auto m = static_cast<std::int64_t>(static_cast<std::uint64_t>(rd.magnitude));
  return rd.negative ? -m : m;
}

// The decimal digits of v, with a minus sign in front when negative, in digits.
FieldArg DecimalText(char (&digits)[48], bool negative, unsigned __int128 v) {
  char* const end = digits + sizeof digits;
  char* first = PutWideDecimalBackward(end, v);
  if (negative) *--first = '-';
  return FieldArg::Utf8(std::string_view(first, static_cast<std::size_t>(end - first)));
}

// The arguments that the row's format takes for a reading that goes through
// it (a number, a decimal, a code, a text, four times), handed to put.
// asciiText: a text of the reading is known to be ASCII, the same in cp1251 and UTF-8.
template <class Put>
void WithArguments(const TFieldPlan& plan, const TFieldReading& rd, Put&& put, bool asciiText = false) {
  using Kind = TFieldReading::Kind;
  const char first = plan.format.Argument(0);
  char digits[48];
  switch (rd.kind) {
    case Kind::Number:
      if (first != 's') return put({FieldArg::Int(SignedValue(rd))});
      if (!rd.bcdDigits.empty()) return put({FieldArg::BcdDigits(rd.bcdDigits)});
      return put({DecimalText(digits, rd.negative, rd.magnitude)});
    case Kind::Decimal: {
      const auto cents = FieldArg::Int(static_cast<std::uint32_t>(rd.magnitude % 100));
      if (first == 'f') return put({FieldArg::Hundredths(SignedValue(rd))});
      if (first == 's') return put({DecimalText(digits, false, rd.magnitude / 100), cents});
      return put({FieldArg::Int(static_cast<std::uint32_t>(rd.magnitude / 100)), cents});
    }
    case Kind::Code:
      if (plan.format.Arguments() == 2) return put({FieldArg::Int(SignedValue(rd)), FieldArg::Utf8(rd.text)});
      return put({FieldArg::Utf8(rd.text)});
    case Kind::Text:
      if (rd.coding == TFieldReading::Coding::Stars) return put({FieldArg::Stars(rd.text.size())});
      if (rd.coding == TFieldReading::Coding::Cp1251 && !asciiText) return put({FieldArg::Cp1251(rd.text)});
      return put({FieldArg::Utf8(rd.text)});
    case Kind::Times:
      return put({FieldArg::Int(rd.quad[0]), FieldArg::Int(rd.quad[1]), FieldArg::Int(rd.quad[2]),
                  FieldArg::Int(rd.quad[3])});
    default: return;
  }
}

// The field text of a reading: the text it shows instead of its format, its
// bytes in hexadecimal, or its values through the row's format.
void WriteText(const TFieldPlan& plan, const TFieldReading& rd, std::string& text) {
  using Kind = TFieldReading::Kind;
  const FieldRule& r = *plan.rule;
  if (rd.kind == Kind::Shown) return void(text.assign(rd.text));
  if (rd.kind == Kind::Bytes) return WriteBytes(r, rd.bytes, text);
  if (rd.kind == Kind::Text && r.conv == Conv::Hex) return void(text.assign(r.format).append(rd.text));
  WithArguments(plan, rd, [&](std::initializer_list<FieldArg> args) { plan.format.Append(text, args); });
}

// A reading of a straight row written into its line; false when its text
// must be made and converted instead (a text that is not ASCII, a failure).
bool PutStraight(const TFieldPlan& plan, const TFieldReading& rd, ExportLine& line) {
  using Kind = TFieldReading::Kind;
  std::size_t textSize = 0;
  switch (rd.kind) {
    case Kind::Number:
    case Kind::Decimal:
    case Kind::Times: break;
    case Kind::Text:
      textSize = rd.text.size();
      if (rd.coding == TFieldReading::Coding::Stars) break;
      if (!plan.quoted || (rd.coding == TFieldReading::Coding::Cp1251 && !IsAsciiWithoutQuotes(rd.text))) return false;
      break;
    default: return false;
  }
  char* const field = line.BeginField(plan.room + textSize);
  CopyWords<sizeof plan.prefix>(field, plan.prefix);
  char* o = field + plan.prefixSize;
  const auto put = [&](std::initializer_list<FieldArg> args) {
    o = plan.format.Put(o, args, plan.format.begin() + plan.first, plan.format.begin() + plan.last);
  };
  WithArguments(plan, rd, put, true);
  CopyWords<sizeof plan.suffix>(o, plan.suffix);
  o += plan.suffixSize;
  line.EndField(o, o - field == (plan.quoted ? 2 : 0));  // empty: nothing between the quotes
  return true;
}

// The export form of a code row's field for every code, written as the tree
// writes the field of a message that holds it alone.
std::vector<TCodeField> CodeFieldsOf(const TFieldPlan& plan) {
  std::vector<TCodeField> fields(256);
  const FieldRule& r = *plan.rule;
  for (unsigned code = 0; code < 256; ++code) {
    // A tag above 30 is written behind the byte 31, then the length 1 and the code.
    const std::uint8_t message[] = {31, r.tag, 1, static_cast<std::uint8_t>(code)};
    TTLVStorage storage;
    storage.Parse(message, sizeof message);
    TFieldReading rd;
    ReadField(storage, *storage.Item(storage.Count() - 1), r, plan.exported, rd);
    std::string text;
    WriteText(plan, rd, text);
    AppendDelimitedUtf8Field(fields[code].bytes, text);
    fields[code].empty = text.empty();
  }
  return fields;
}

Step StepOf(const FieldRule& r) {
  switch (r.conv) {
    case Conv::Nested: return Step::Nested;
    case Conv::Structured: return Step::Structured;
    default: return Step::Text;
  }
}

// The step of a row's fields on an export line, with what it needs made.
Step ExportStep(TFieldPlan& plan, bool compiled) {
  const FieldRule& r = *plan.rule;
  if (r.exportRule.noCase) return Step::Unknown;
  if (plan.treeStep != Step::Text) return plan.treeStep;
  if (r.conv == Conv::Fixed) {
    plan.fields.resize(1);
    AppendDelimitedUtf8Field(plan.fields[0].bytes, r.format);
    plan.fields[0].empty = *r.format == '\0';
    return Step::Fixed;
  }
  const bool byCode = r.conv == Conv::MessageType || r.conv == Conv::ResponseCode || r.conv == Conv::WeekDays;
  if (byCode && r.reader == Reader::Byte) {
    plan.fields = CodeFieldsOf(plan);
    return Step::ByCode;
  }
  return compiled && r.conv != Conv::Hex && SetStraightForm(plan) ? Step::Straight : Step::Text;
}

TFieldPlan MakePlan(const FieldRule& r) {
  TFieldPlan plan;
  plan.rule = &r;
  plan.read = FieldReaderOf(r);
  plan.treeStep = StepOf(r);
  plan.tree = TreeColumns(r);
  plan.exported = ExportColumns(r);
  const bool compiled = plan.format.Compile(r.format);  // before the export step, which writes through it
  plan.exportStep = ExportStep(plan, compiled);
  return plan;
}

// The plans of every tag, and behind them the plan of a tag without a case;
// made by the first thread that asks (the others wait for it).
__attribute__((noinline, cold)) const TFieldPlan* MadePlans() {
  static const std::vector<TFieldPlan> plans = [] {
    std::vector<TFieldPlan> made(257);
    for (std::size_t i = 0; i < FieldRuleCount(); ++i) made[FieldRules()[i].tag] = MakePlan(FieldRules()[i]);
    return made;
  }();
  return plans.data();
}

// Every field looks at its plan; once the plans are made that is one load,
// without the guard of a function's static.
std::atomic<const TFieldPlan*> gPlans{nullptr};

const TFieldPlan& PlanOf(std::uint32_t tag) {
  const TFieldPlan* plans = gPlans.load(std::memory_order_acquire);
  if (__builtin_expect(plans == nullptr, 0)) gPlans.store(plans = MadePlans(), std::memory_order_release);
  return plans[tag < 256 ? tag : 256];
}

// The text of a reading, given to the front end.
__attribute__((noinline)) void WriteFieldText(const FieldPlace& place, const TFieldPlan& plan,
                                              const TFieldReading& rd) {
  std::string local;
  std::string& text = place.Scratch(local);
  if (rd.kind != TFieldReading::Kind::Nothing) WriteText(plan, rd, text);
  place.Final(text);
}

// Tags the renderer does not know, and tags the export writes as such: the
// tag in hexadecimal and the bytes of the first item with the tag.
__attribute__((noinline)) void UnknownField(const FieldPlace& place, const TTLVStorage& storage, const TTLV& item) {
  std::string local;
  std::string& text = place.Scratch(local);
  AppendFieldFormat(text, "Неизвестное поле 0x%.2X", {FieldArg::Int(item.GetTag())});
  if (const TTLV* found = storage.FirstWithTag(item)) {
    text.append(" [ ");
    AppendHexBytes(text, found->GetData(), found->GetLength());
    text.append(" ]");
  }
  place.Final(text);
}

void RenderField(const FieldPlace& place, const TTLVStorage& storage, const TTLV& item, int depth);

// An array of records: the row's structured case writes it.
__attribute__((noinline)) void StructuredField(const FieldPlace& place, const TTLVStorage& storage, const TTLV& item,
                                               const FieldRule& r) {
  std::string local;
  std::string& text = place.Scratch(local);
  if (r.structured && r.structured(place, storage, item, text) == CaseEnd::ReturnDirectly) return;
  place.Final(text);
}

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
__attribute__((noinline)) void NestedField(const FieldPlace& place, const TTLVStorage& storage, const TTLV& item,
                                           const FieldRule& r, int depth) {
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

// Every field: a value read by its row's reader or special rule is read,
// converted and written here, onto an export line without a text of its own
// where its export step allows and the line does not ask for texts only; the
// other steps have functions of their own.
// The reading's text buffer sits in the frame of every nesting level: about
// 1.6 KB a level, at most kMaxFieldNesting levels deep.
__attribute__((flatten)) void RenderField(const FieldPlace& place, const TTLVStorage& storage, const TTLV& item,
                                          int depth) {
  const TFieldPlan& plan = PlanOf(item.GetTag());
  ExportLine* const line = place.line();
  Step step = line ? plan.exportStep : plan.treeStep;
  if (step > Step::Text && line->textsOnly()) step = Step::Text;
  switch (step) {
    case Step::Unknown: return UnknownField(place, storage, item);
    case Step::Nested: return NestedField(place, storage, item, *plan.rule, depth);
    case Step::Structured: return StructuredField(place, storage, item, *plan.rule);
    case Step::Fixed: return line->FieldBytes(plan.fields[0].bytes, plan.fields[0].empty);
    case Step::Text:
    case Step::ByCode:
    case Step::Straight: {
      TFieldReading rd;
      plan.read(storage, item, *plan.rule, line ? plan.exported : plan.tree, rd);
      if (step == Step::ByCode && rd.kind == TFieldReading::Kind::Code) {
        const TCodeField& field = plan.fields[rd.magnitude];
        return line->FieldBytes(field.bytes, field.empty);
      }
      if (step != Step::Straight || !PutStraight(plan, rd, *line)) WriteFieldText(place, plan, rd);
    }
  }
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

const TCompiledFormat& FieldFormatOf(const FieldRule& r) { return PlanOf(r.tag).format; }

void AddField(FieldPlace place, const TTLVStorage& storage, const TTLV& item) {
  RenderField(place, storage, item, 0);
}

void AddExportLine(ExportLine& line, TTextBuffer& out, bool afterPrefix, const TTLVStorage& storage,
                   const TTLV& item) {
  line.Begin(out, afterPrefix);
  RenderField(FieldPlace::Export(line), storage, item, 0);
  line.End();
  out.Append2('\r', '\n');
}

void AddFieldNode(TreeNode& parent, const TTLVStorage& storage, const TTLV& item) {
  RenderField(FieldPlace::Tree(parent), storage, item, 0);
}

}  // namespace pkt
