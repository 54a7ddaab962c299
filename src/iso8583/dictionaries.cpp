#include "iso8583/dictionaries.h"

namespace pkt {

namespace {

constexpr int SubFieldSum(std::span<const EXT_FIELD_DESC> table) {
  int sum = 0;
  for (const auto& s : table) sum += s.length;
  return sum;
}

const FIELD_DESC* FindIn(std::span<const FIELD_DESC> fields, int number) {
  for (const auto& f : fields)
    if (f.number == number) return &f;
  return nullptr;
}

// Every split field is a fixed field exactly as long as its sub-fields together.
constexpr bool SubFieldsFitTheirFields() {
  for (const auto& t : BFKO_SUBFIELD_TABLES) {
    bool fits = false;
    for (const auto& f : BFKO_FIELDS)
      if (f.number == t.field)
        fits = f.lengthType == TIsoLength::Fixed && f.length == SubFieldSum(t.subFields);
    if (!fits) return false;
    for (std::size_t i = 0; i < t.subFields.size(); ++i)
      if (t.subFields[i].number != static_cast<int>(i) + 1) return false;
  }
  return true;
}

static_assert(std::size(BFKO_FIELDS) == 46);
static_assert(std::size(H2H_FIELDS) == 38);
static_assert(std::size(FIELD48_TAGS) == 43);
static_assert(std::size(EMV_TAGS) == 8);
static_assert(SubFieldsFitTheirFields());

}  // namespace

TIsoDialect IsoDialectOfKind(TRecordKind kind) {
  switch (kind) {
    case rkIsoIncoming:
    case rkIsoOutgoing:
      return TIsoDialect::HostToHost;
    case rkBfkoIncoming:
    case rkBfkoOutgoing:
      return TIsoDialect::Bfko;
    default:
      return TIsoDialect::None;
  }
}

const TIsoDictionary& DictionaryOf(TIsoDialect dialect) {
  static constexpr TIsoDictionary kNone{};
  switch (dialect) {
    case TIsoDialect::Bfko:
      return BFKO_DICTIONARY;
    case TIsoDialect::HostToHost:
      return H2H_DICTIONARY;
    default:
      return kNone;
  }
}

const FIELD_DESC* FindField(const TIsoDictionary& dictionary, int number) { return FindIn(dictionary.fields, number); }

const FIELD_DESC* FindField(TIsoDialect dialect, int number) { return FindField(DictionaryOf(dialect), number); }

std::span<const EXT_FIELD_DESC> FindSubFields(const TIsoDictionary& dictionary, int field) {
  for (const auto& t : dictionary.subFieldTables)
    if (t.field == field) return t.subFields;
  return {};
}

std::span<const EXT_FIELD_DESC> BfkoSubFields(int field) { return FindSubFields(BFKO_DICTIONARY, field); }

const char* Field48TagName(int tag) {
  for (const auto& t : FIELD48_TAGS)
    if (t.tag == tag) return t.name;
  return nullptr;
}

const char* EmvTagName(int tag) {
  for (const auto& t : EMV_TAGS)
    if (t.tag == tag) return t.name;
  return nullptr;
}

}  // namespace pkt
