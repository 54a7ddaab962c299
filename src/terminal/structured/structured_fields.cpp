// The fields whose values are arrays of records, a nested query, a pair of
// dates or a scaled amount. Every read inside a value is bounded by the
// value's length: records are only decoded when they lie wholly inside it.
#include "terminal/structured/structured_fields.h"
#include "platform/bytes.h"

#include <cstring>

#include "platform/systime.h"
#include "terminal/catalogues.h"
#include "terminal/structured/record_table.h"
#include "text/codepage.h"
#include "text/format.h"
#include "text/number.h"

namespace pkt {

namespace {

// Integers inside a record; p points at a record that holds them wholly.
constexpr auto BE16 = ReadBigEndian16;
constexpr auto BE24 = ReadBigEndian24;
constexpr auto BE32 = ReadBigEndian32;
constexpr auto LE16 = ReadLittleEndian16;
constexpr auto LE32 = ReadLittleEndian32;
std::int64_t LE64(const std::uint8_t* p) { return static_cast<std::int64_t>(ReadLittleEndian64(p)); }

std::string Hex(const TTLV& value) {
  return value.GetLength() != 0 && value.GetData() ? HexBytesText(value.GetData(), value.GetLength()) : std::string();
}

// ---- MF_DC_DATA -----------------------------------------------------------

constexpr std::uint32_t kDcRecordSize = 16;

// A packed date dddddmmmmyyyyyyy (years from 1990) as day.month.year.
void AppendPackedDate(std::string& out, const std::uint8_t* p) {
  unsigned day = p[0] >> 3;
  unsigned month = (p[0] & 7u) * 2 + (p[1] >> 7);
  unsigned year = 1990 + (p[1] & 0x7Fu);
  appendf(out, "%u.%u.%u", day, month, year);
}

void AppendDcRecord(std::string& out, const std::uint8_t* r) {
  std::uint32_t packedCard = BE32(r + 2);
  unsigned long long card = (unsigned long long)(packedCard >> 20) * 1000000ull + (packedCard & 0xFFFFFu);
  appendf(out, "[GROUP: %u CARD: %llu DATE_START: ", unsigned(BE16(r)), card);
  AppendPackedDate(out, r + 6);
  out += " DATE_STOP: ";
  AppendPackedDate(out, r + 8);
  appendf(out, " AMOUNT: %d PURSE_OP: %u NUM_FLAG: %u] ", std::int32_t(BE32(r + 10)), unsigned(r[14]), unsigned(r[15]));
}

// ---- coupon lists ------------------------------------------------------------

struct CouponList {
  const char* name;
  unsigned slot;
  void (*lines)(FieldPlace coupon, const std::uint8_t* record, int recordNumber);
};

void CouponLines(FieldPlace coupon, const std::uint8_t* r, int recordNumber) {
  coupon.Add(format("EMITENT_ID: %d", int(BE16(r + 8))));
  coupon.Add(format("FILIAL_ID: %d", int(r[10])));
  coupon.Add(format("SERIES: %d", int(BE16(r + 11))));
  coupon.Add(format("COUPON_NUM: %d", int(BE24(r + 13))));
  coupon.Add(format("RECORD_NUMBER: %d", recordNumber));
  coupon.Add(format("REJECTED: %d", int(r[1] >> 3)));
  coupon.Add(format("REJECTCODE: %d", int(r[26])));
  coupon.Add(format("NOMINAL: %d", int(r[16])));
  // The export writes the service byte under its own label.
  coupon.Add(format(coupon.isExport() ? "KORVANCODE: %d" : "SERVICE_ID: %d", int(r[17])));
}

void CouponExLines(FieldPlace coupon, const std::uint8_t* r, int recordNumber) {
  TSystemTime stamp = DecodeDateTime6(r + 27);
  stamp.wYear = static_cast<std::uint16_t>(stamp.wYear + 90);  // years counted from 1990
  coupon.Add(format("RECORD_NUMBER: %d", recordNumber));
  coupon.Add(format("SL_WL_DATE_TIME: %s", TimeStampText(stamp).c_str()));
  coupon.Add(format("EMITENT_ID: %d", int(BE16(r + 8))));
  coupon.Add(format("FILIAL_ID: %d", int(r[10])));
  coupon.Add(format("SERIES: %d", int(BE16(r + 11))));
  coupon.Add(format("COUPON_NUM: %d", int(BE24(r + 13))));
  coupon.Add(format("NOMINAL: %d", int(r[16])));
  coupon.Add(format("SERVICE_ID: %d", int(r[17])));
  coupon.Add(format("COUPON_ISN_CODE: %d", int(LE16(r + 33))));
  coupon.Add(format("REJECTED: %d", int(r[1] >> 3)));
  coupon.Add(format("REJECTCODE: %d", int(r[26])));
}

constexpr CouponList kCoupon{"MF_TRZ_COUPON", RecordTable::kCouponSlot, CouponLines};
constexpr CouponList kCouponEx{"MF_TRZ_COUPON_EX", RecordTable::kCouponExSlot, CouponExLines};

CaseEnd RenderCoupons(const CouponList& list, FieldPlace parent, const TTLVStorage& storage, const TTLV& item,
                      std::string& fieldText) {
  const TTLV* value = storage.FirstWithTag(item);
  if (!value) {
    fieldText = format("%s: ???", list.name);
    return CaseEnd::FinalStep;
  }
  FieldPlace header = parent.Add(list.name);
  {
    CouponDBRAII guard;
    RecordTable& table = RecordTable::ForThisThread();
    table.Load(list.slot, value->GetData(), value->GetLength());
    table.Rewind(list.slot, 0);
    int recordNumber = 0;
    for (const std::uint8_t* record = table.First(list.slot); record; record = table.Next(list.slot)) {
      FieldPlace coupon = header.Add("Coupon");
      list.lines(coupon, table.RecordBuffer(list.slot), recordNumber);
      ++recordNumber;
    }
  }
  fieldText.clear();
  return CaseEnd::FinalStep;
}

// ---- token lists -------------------------------------------------------------

constexpr std::uint32_t kTokenRecordSize = 17;

struct TokenList {
  const char* prefix;
  const char* singleCode;  // format of a value that is one response code
  const char* badSize;
};

constexpr TokenList kCommitTokens{"MF_COMMIT_CR_TRZ_TOKENS_LIST: ", "MF_COMMIT_CR_TRZ_TOKENS_LIST: %0X %s",
                                  "MF_COMMIT_CR_TRZ_TOKENS_LIST: invalid size, %d"};
constexpr TokenList kRollbackTokens{"MF_ROLLBACK_CR_TRZ_TOKENS_LIST: ", "MF_ROLLBACK_CR_TRZ_TOKENS_LIST: %0X %s",
                                    "MF_ROLLBACK_CR_TRZ_TOKENS_LIST: invalid size, %d"};

// The formats are chosen from constant rows, so the compiler cannot check them
// at the call; the argument types below match every row.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
CaseEnd RenderTokens(const TokenList& list, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {
  const TTLV* value = storage.FirstWithTag(item);
  if (!value) return CaseEnd::FinalStep;
  std::uint32_t length = value->GetLength();
  const std::uint8_t* data = value->GetData();
  if (length % kTokenRecordSize == 0) {
    fieldText = list.prefix;
    for (std::uint32_t i = 0; i < length / kTokenRecordSize; ++i) {
      const std::uint8_t* r = data + i * kTokenRecordSize;
      appendf(fieldText, i == 0 ? "%s (%d)" : ",%s (%d)", TokenText(r + 1).c_str(), int(r[0]));
    }
  } else if (length == 1) {
    fieldText = format(list.singleCode, unsigned(data[0]), ResponseCodeText(data[0]).c_str());
  } else {
    fieldText = format(list.badSize, int(length));
  }
  return CaseEnd::FinalStep;
}
#pragma GCC diagnostic pop

// ---- purse lists -------------------------------------------------------------

// A word shown when (flags AND mask) = expected, in the order of the rows.
struct FlagWord {
  std::uint8_t mask;
  std::uint8_t expected;
  const char* word;
};

constexpr FlagWord kPurseActionWords[] = {
    {0x01, 0x01, "ADD_PURSE "},    {0x02, 0x02, "DELETE_PURSE "}, {0x40, 0x40, "CHANGE_PURSE "},
    {0x04, 0x00, "COMMON_LIMIT "}, {0x18, 0x00, "DAY_LIMIT "},    {0x18, 0x08, "MONTH_LIMIT "},
    {0x20, 0x20, "LIMIT_SCHEME "}, {0x20, 0x00, "PURSE_SCHEME "}, {0x80, 0x80, "PURSE_PROCESSED "},
};

constexpr FlagWord kPurseChangeWords[] = {
    {0x01, 0x01, "ADD_PURSE "},
    {0x02, 0x02, "DELETE_PURSE "},
    {0x40, 0x40, "CHANGE_PURSE "},
    {0x04, 0x04, "OP_PREFORMED "},
};

template <std::size_t N>
void AppendFlagWords(std::string& out, std::uint8_t flags, const FlagWord (&words)[N]) {
  for (const FlagWord& w : words)
    if ((flags & w.mask) == w.expected) out += w.word;
}

void AppendPurseAction(std::string& out, const std::uint8_t* r) {
  appendf(out, "[SERVICE_ID: %u ", unsigned(r[0]));
  AppendFlagWords(out, r[1], kPurseActionWords);
  out += "LIMIT_VALUE: ";
  out += GroupedNumber(LE64(r + 2));
  out += " GUID: ";
  AppendHexBytes(out, r + 10, 16);
  out += "] ";
}

void AppendPurseChange(std::string& out, const std::uint8_t* r) {
  appendf(out, "[SERVICE_ID: %u ", unsigned(r[34]));
  AppendFlagWords(out, r[35], kPurseChangeWords);
  out += "SUM: ";
  out += GroupedNumber(LE64(r + 26));
  out += " DATE: ";
  out += TimeStampText(DecodeDateTime6(r + 20));
  out += " GUID: ";
  AppendHexBytes(out, r, 16);
  out += "] ";
}

struct PurseList {
  const char* prefix;
  std::uint32_t recordSize;
  void (*append)(std::string& out, const std::uint8_t* record);
};

constexpr PurseList kPurseAction{"MF_PURSE_ACTION_LIST: ", 26, AppendPurseAction};
constexpr PurseList kPurseChange{"MF_PURSE_CHANGE_TRNZ: ", 36, AppendPurseChange};

CaseEnd RenderPurses(const PurseList& list, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {
  fieldText = list.prefix;
  const TTLV* value = storage.FirstWithTag(item);
  if (!value) {
    fieldText += "Error";
    return CaseEnd::FinalStep;
  }
  std::uint32_t length = value->GetLength();
  if (length != 0 && length % list.recordSize == 0) {
    for (std::uint32_t off = 0; off < length; off += list.recordSize) list.append(fieldText, value->GetData() + off);
  }
  return CaseEnd::FinalStep;
}

// ---- MF_DISCOUNT_SUM -----------------------------------------------------------

__extension__ typedef unsigned __int128 Wide;  // 20 BCD digits need 67 bits

std::string WideDecimal(Wide v) {
  char digits[48];
  int n = 0;
  do {
    digits[n++] = char('0' + unsigned(v % 10));
    v /= 10;
  } while (v != 0);
  std::string out;
  while (n > 0) out += digits[--n];
  return out;
}

// The packed BCD value of the bytes, nibbles above 9 counting with their
// binary value; up to 20 digits fit without loss.
Wide WideBcd(const std::uint8_t* p, std::uint32_t length) {
  Wide v = 0;
  for (std::uint32_t i = 0; i < length; ++i) v = v * 100 + (p[i] >> 4) * 10 + (p[i] & 0x0F);
  return v;
}

}  // namespace

// Scaled discount sums: a whole part and hundredths. The whole part is shown
// with every digit, so a sum beyond 2^32 units is never shown as a small one.
std::string DiscountSumText(std::uint8_t discountType, const std::uint8_t* bcd, std::uint32_t length) {
  Wide s = WideBcd(bcd, length) * ((discountType == 0 || discountType == 1) ? 100 : 1);
  return "MF_DISCOUNT_SUM: " + WideDecimal(s / 10000) + format(".%.2u", unsigned((s / 100) % 100));
}

CaseEnd RenderDcData(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {
  fieldText = "MF_DC_DATA: ???";
  const TTLV* value = storage.FirstWithTag(item);
  if (!value) return CaseEnd::FinalStep;
  std::uint32_t length = value->GetLength();
  if (length == 0) {
    fieldText = "MF_DC_DATA: <empty>";
    return CaseEnd::FinalStep;
  }
  std::string hex = Hex(*value);
  fieldText = "MF_DC_DATA: ";
  if (!parent.isExport()) {
    if (length % kDcRecordSize == 0)
      for (std::uint32_t off = 0; off < length; off += kDcRecordSize) AppendDcRecord(fieldText, value->GetData() + off);
    fieldText += "(" + hex + ")";
  } else {
    fieldText += hex;  // the export does not decode the records
  }
  return CaseEnd::FinalStep;
}

CaseEnd RenderOnlineCardRanges(FieldPlace parent, const TTLVStorage& storage, const TTLV& item,
                               std::string& fieldText) {
  FieldPlace header = parent.Add("MF_ONLINE_CARD_RANGES");
  constexpr std::uint32_t kRangeSize = 9;
  std::uint32_t n = storage.CountTag(item.GetTag());
  for (std::uint32_t k = 0; k < n; ++k) {
    const TTLV* value = nullptr;
    if (storage.Find(item.GetTag(), value, k) != TLV_OK) continue;
    for (std::uint32_t i = 0; i < value->GetLength() / kRangeSize; ++i) {
      const std::uint8_t* r = value->GetData() + i * kRangeSize;
      header.Add(format("%u-%u:%u", LE32(r), LE32(r + 4), unsigned(r[8])));
    }
  }
  return CaseEnd::ReturnDirectly;
}

CaseEnd RenderAuthorizationQuery(FieldPlace parent, const TTLVStorage& storage, const TTLV& item,
                                 std::string& fieldText) {
  fieldText = "MF_AUTHORIZATION_QUERY: ???";
  static const std::uint8_t kNothing = 0;
  TTLVStorage query;
  if (query.Parse(item.GetData() ? item.GetData() : &kNothing, item.GetLength()) != TLV_OK) return CaseEnd::FinalStep;
  std::uint8_t type = 0;
  std::uint16_t tag = 0;
  char name[100] = {};
  std::uint32_t capacity = sizeof name;
  if (query.GetByte(39, type) != TLV_OK || query.GetWord(40, tag) != TLV_OK ||
      query.GetString(38, name, capacity) != TLV_OK)
    return CaseEnd::FinalStep;
  // The name is written in the terminal's OEM code page.
  OemToAnsi(name, sizeof name);
  FieldPlace header = parent.Add("MF_AUTHORIZATION_QUERY");
  header.Add(format("MF_AUTHORIZATION_QUERY_TYPE: %d", int(type)));
  header.Add(format("MF_AUTHORIZATION_QUERY_TAG: %d", int(tag)));
  header.Add("MF_AUTHORIZATION_QUERY_NAME: " + Cp1251ToUtf8(std::string_view(name, strnlen(name, sizeof name))));
  return CaseEnd::ReturnDirectly;
}

CaseEnd RenderTrzCoupon(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {
  return RenderCoupons(kCoupon, parent, storage, item, fieldText);
}

CaseEnd RenderTrzCouponEx(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {
  return RenderCoupons(kCouponEx, parent, storage, item, fieldText);
}

CaseEnd RenderCommitTokensList(FieldPlace, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {
  return RenderTokens(kCommitTokens, storage, item, fieldText);
}

CaseEnd RenderRollbackTokensList(FieldPlace, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {
  return RenderTokens(kRollbackTokens, storage, item, fieldText);
}

CaseEnd RenderPurseActionList(FieldPlace, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {
  return RenderPurses(kPurseAction, storage, item, fieldText);
}

CaseEnd RenderPurseChangeTrnz(FieldPlace, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {
  return RenderPurses(kPurseChange, storage, item, fieldText);
}

CaseEnd RenderOnlineCouponPeriod(FieldPlace, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {
  const TTLV* value = storage.FirstWithTag(item);
  if (!value) return CaseEnd::FinalStep;
  if (value->GetLength() != 6) {
    fieldText = format("MF_ONLINE_COUPON_PERIOD: Invalid size: %d", int(value->GetLength()));
    return CaseEnd::FinalStep;
  }
  const std::uint8_t* p = value->GetData();
  fieldText = format("MF_ONLINE_COUPON_PERIOD: %.2d-%.2d-%.4d - %.2d-%.2d-%.4d", int(p[2]), int(p[1]), p[0] + 1900,
                     int(p[5]), int(p[4]), p[3] + 1900);
  return CaseEnd::FinalStep;
}

CaseEnd RenderDiscountSum(FieldPlace, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {
  constexpr std::uint32_t kDiscountType = 204;
  std::uint8_t type = 0;
  if (storage.GetByte(kDiscountType, type) != TLV_OK) {
    fieldText = "MF_DISCOUNT_TYPE not found!";
    return CaseEnd::FinalStep;
  }
  std::uint64_t narrow = 0;
  const TTLV* value = nullptr;
  if (storage.GetBCD(item.GetTag(), 20, narrow) != TLV_OK || storage.Find(item.GetTag(), value) != TLV_OK) {
    fieldText = "MF_DISCOUNT_SUM not found!";
    return CaseEnd::FinalStep;
  }
  fieldText = DiscountSumText(type, value->GetData(), value->GetLength());
  return CaseEnd::FinalStep;
}

CaseEnd RenderCreditKeyData(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {
  constexpr std::uint32_t kKeySize = 22;
  const TTLV* value = storage.FirstWithTag(item);
  if (!value) return CaseEnd::FinalStep;
  std::uint32_t length = value->GetLength();
  if (length % kKeySize != 0) {
    fieldText = format("MF_CREDIT_KEY_DATA: Invalid size: %d", int(length));
    return CaseEnd::FinalStep;
  }
  FieldPlace header = parent.Add("MF_CREDIT_KEY_DATA");
  for (std::uint32_t off = 0; off < length; off += kKeySize) {
    const std::uint8_t* r = value->GetData() + off;
    header.Add(format((r[2] & 1) ? "EMITENT: %u, CREDIT: 1" : "EMITENT: %u, CREDIT: 0", unsigned(LE16(r))));
  }
  fieldText.clear();
  return CaseEnd::FinalStep;
}

CaseEnd RenderTariffsHistory(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {
  constexpr std::uint32_t kTariffSize = 13;
  const TTLV* value = storage.FirstWithTag(item);
  if (!value) return CaseEnd::FinalStep;
  std::uint32_t length = value->GetLength();
  if (length == 0 || length % kTariffSize != 0) {
    fieldText = format("MF_TARIFFS_HISTORY: Invalid size: %d", int(length));
    return CaseEnd::FinalStep;
  }
  FieldPlace header = parent.isExport() ? parent : parent.Add("MF_TARIFFS_HISTORY");
  for (std::uint32_t i = 0; i < length / kTariffSize; ++i) {
    const std::uint8_t* r = value->GetData() + i * kTariffSize;
    if (parent.isExport()) {
      // The export repeats the header before every record and leaves out the
      // change time, type and counter.
      parent.Add("MF_TARIFFS_HISTORY");
      parent.Add(format("ServiceAquire: %u", unsigned(r[0])));
      parent.Add(format("ServiceGSU: %u", unsigned(r[1])));
      parent.Add(format("TariffValue: %u", LE32(r + 2)));
      continue;
    }
    FieldPlace record = header.Add(format("Record %u:", i + 1));
    record.Add(format("ServiceAquire: %u", unsigned(r[0])));
    record.Add(format("ServiceGSU: %u", unsigned(r[1])));
    record.Add(format("TariffValue: %u", LE32(r + 2)));
    std::uint32_t t = LE32(r + 6);
    record.Add(format("ChangeTime: %.2u:%.2u:%.2u %.2u-%.2u-%04u", (t >> 12) & 0x1F, (t >> 6) & 0x3F, t & 0x3F,
                      (t >> 17) & 0x1F, (t >> 22) & 0x0F, 1990 + (t >> 26)));
    record.Add(format("ChangeType: %u", unsigned(r[10])));
    record.Add(format("ChangeCounter: %u", unsigned(LE16(r + 11))));
  }
  fieldText.clear();
  return CaseEnd::FinalStep;
}

CaseEnd RenderCpEmitRulesData(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {
  const TTLV* value = storage.FirstWithTag(item);
  if (!value) return CaseEnd::FinalStep;
  std::uint32_t length = value->GetLength();
  if (length % 2 != 0) {
    fieldText = format("MF_CP_EMIT_RULES_DATA: Invalid size: %d", int(length));
    return CaseEnd::FinalStep;
  }
  FieldPlace header = parent.Add("MF_CP_EMIT_RULES_DATA");
  for (std::uint32_t off = 0; off < length; off += 2)
    header.Add(format("EMITENT: %u", unsigned(LE16(value->GetData() + off))));
  fieldText.clear();
  return CaseEnd::FinalStep;
}

}  // namespace pkt
