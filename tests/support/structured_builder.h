#pragma once
// Builds the record values of the structured terminal fields: discount-card
// records, coupons, token lists, purse records, tariff history records.
#include <array>
#include <cstdint>

#include "support/bytes.h"

namespace pkt::test {

using Token = std::array<std::uint8_t, 16>;

// A token whose bytes are first, first + 1, ... first + 15.
inline Token CountingToken(std::uint8_t first) {
  Token t{};
  for (int i = 0; i < 16; ++i) t[i] = static_cast<std::uint8_t>(first + i);
  return t;
}

inline void PutToken(Bytes& to, const Token& t) { to.insert(to.end(), t.begin(), t.end()); }

// Packed date dddddmmmmyyyyyyy, years from 1990 (big-endian on the wire).
inline std::uint16_t PackedDate(unsigned day, unsigned month, unsigned year) {
  return static_cast<std::uint16_t>((day << 11) | (month << 7) | ((year - 1990) & 0x7F));
}

// Card number packed as prefix (high 12 bits) and serial (low 20 bits).
inline std::uint32_t PackedCard(std::uint32_t prefix, std::uint32_t serial) { return (prefix << 20) | serial; }

// Tariff change time: second bits 0-5, minute 6-11, hour 12-16, day 17-21,
// month 22-25, year - 1990 in bits 26-31.
inline std::uint32_t PackedChangeTime(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                                      unsigned second) {
  return ((year - 1990) << 26) | (month << 22) | (day << 17) | (hour << 12) | (minute << 6) | second;
}

// Six-byte date-time: year minus base, month, day, hour, minute, second.
inline Bytes DateTime6(unsigned yearSinceBase, unsigned month, unsigned day, unsigned hour, unsigned minute,
                       unsigned second) {
  return B({int(yearSinceBase), int(month), int(day), int(hour), int(minute), int(second)});
}

// MF_DC_DATA record, 16 bytes.
inline Bytes DcRecord(std::uint16_t group, std::uint32_t packedCard, std::uint16_t start, std::uint16_t stop,
                      std::int32_t amount, std::uint8_t purseOp, std::uint8_t numFlag) {
  Bytes b;
  PutBE16(b, group);
  PutBE32(b, packedCard);
  PutBE16(b, start);
  PutBE16(b, stop);
  PutBE32(b, static_cast<std::uint32_t>(amount));
  b.push_back(purseOp);
  b.push_back(numFlag);
  return b;
}

// A coupon record of MF_TRZ_COUPON (33 bytes) or, with the ISN code, of
// MF_TRZ_COUPON_EX (35 bytes).
struct Coupon {
  std::uint8_t status = 0;  // byte 1: REJECTED in bits 3-7
  Bytes issued = DateTime6(26, 1, 2, 3, 4, 5);
  std::uint16_t emitent = 0;
  std::uint8_t filial = 0;
  std::uint16_t series = 0;
  std::uint32_t number = 0;  // 24 bits
  std::uint8_t nominal = 0;
  std::uint8_t service = 0;
  std::uint8_t rejectCode = 0;
  Bytes checked = DateTime6(0, 0, 0, 0, 0, 0);  // SL_WL_DATE_TIME, years from 1990
  std::uint16_t isnCode = 0;

  Bytes Record(bool extended) const {
    Bytes b = B({0xEE, status});
    Append(b, issued);
    PutBE16(b, emitent);
    b.push_back(filial);
    PutBE16(b, series);
    b.push_back((number >> 16) & 0xFF);
    PutBE16(b, number & 0xFFFF);
    b.push_back(nominal);
    b.push_back(service);
    Append(b, Bytes(8, 0xDD));
    b.push_back(rejectCode);
    Append(b, checked);
    if (extended) PutLE16(b, isnCode);
    return b;
  }
};

// The 20 bytes before the first coupon record.
inline Bytes CouponListHeader() { return Bytes(20, 0xCC); }

// Token list record: response code, then the 16-byte token.
inline Bytes TokenRecord(std::uint8_t code, const Token& token) {
  Bytes b = B({code});
  PutToken(b, token);
  return b;
}

// MF_PURSE_ACTION_LIST record, 26 bytes.
inline Bytes PurseAction(std::uint8_t service, std::uint8_t flags, std::int64_t limit, const Token& guid) {
  Bytes b = B({service, flags});
  PutLE64(b, static_cast<std::uint64_t>(limit));
  PutToken(b, guid);
  return b;
}

// MF_PURSE_CHANGE_TRNZ record, 36 bytes; date in years from 1900.
inline Bytes PurseChange(const Token& guid, const Bytes& date6, std::int64_t sum, std::uint8_t service,
                         std::uint8_t flags) {
  Bytes b;
  PutToken(b, guid);
  Append(b, Bytes(4, 0xAA));
  Append(b, date6);
  PutLE64(b, static_cast<std::uint64_t>(sum));
  b.push_back(service);
  b.push_back(flags);
  return b;
}

// MF_ONLINE_CARD_RANGES record, 9 bytes.
inline Bytes CardRange(std::uint32_t first, std::uint32_t last, std::uint8_t kind) {
  Bytes b;
  PutLE32(b, first);
  PutLE32(b, last);
  b.push_back(kind);
  return b;
}

// MF_CREDIT_KEY_DATA record, 22 bytes.
inline Bytes CreditKey(std::uint16_t emitent, std::uint8_t flags) {
  Bytes b;
  PutLE16(b, emitent);
  b.push_back(flags);
  Append(b, Bytes(19, 0x77));
  return b;
}

// MF_TARIFFS_HISTORY record, 13 bytes.
inline Bytes TariffRecord(std::uint8_t aquire, std::uint8_t gsu, std::uint32_t value, std::uint32_t changeTime,
                          std::uint8_t changeType, std::uint16_t counter) {
  Bytes b = B({aquire, gsu});
  PutLE32(b, value);
  PutLE32(b, changeTime);
  b.push_back(changeType);
  PutLE16(b, counter);
  return b;
}

}  // namespace pkt::test
