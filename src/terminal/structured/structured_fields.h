#pragma once
// The fourteen fields whose values hold more than one number or text: arrays
// of records, a nested query, a pair of dates, a scaled amount. The field
// renderer's table refers to these cases; each writes its nodes or strings
// through the place it is given and leaves its field text for the common
// final step, unless it returns directly.
#include <cstdint>
#include <string>

#include "terminal/fields/field_place.h"
#include "terminal/tlv.h"

namespace pkt {

enum class CaseEnd { FinalStep, ReturnDirectly };

using StructuredCase = CaseEnd (*)(FieldPlace parent, const TTLVStorage& storage, const TTLV& item,
                                   std::string& fieldText);

CaseEnd RenderDcData(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText);              // 22
CaseEnd RenderOnlineCardRanges(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText);    // 35
CaseEnd RenderAuthorizationQuery(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText);  // 36
CaseEnd RenderTrzCoupon(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText);           // 47
CaseEnd RenderCommitTokensList(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText);    // 48
CaseEnd RenderRollbackTokensList(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText);  // 49
CaseEnd RenderPurseActionList(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText);     // 144
CaseEnd RenderPurseChangeTrnz(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText);     // 145
CaseEnd RenderTrzCouponEx(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText);         // 150
CaseEnd RenderOnlineCouponPeriod(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText);  // 197
CaseEnd RenderDiscountSum(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText);         // 202
CaseEnd RenderCreditKeyData(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText);       // 209
CaseEnd RenderTariffsHistory(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText);      // 210
CaseEnd RenderCpEmitRulesData(FieldPlace parent, const TTLVStorage& storage, const TTLV& item, std::string& fieldText);     // 211

// The text of a discount sum: the packed BCD amount (up to 20 digits) in
// hundredths for discount types 0 and 1, in ten-thousandths for every other
// type, as "MF_DISCOUNT_SUM: <whole>.<hundredths>". The sum is computed in
// 128 bits, so every digit of the whole part is shown.
std::string DiscountSumText(std::uint8_t discountType, const std::uint8_t* bcd, std::uint32_t length);

}  // namespace pkt
