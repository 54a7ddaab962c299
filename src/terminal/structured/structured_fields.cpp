// Interim forms of the structured fields: the failure text of an absent item
// and the bare field name otherwise, until each field's record layout is
// rendered.
#include "terminal/structured/structured_fields.h"

namespace pkt {

namespace {
CaseEnd Interim(const char* name, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {
  const TTLV* found;
  fieldText = std::string(name) + (storage.Find(item.GetTag(), found) == TLV_OK ? ": " : ": ???");
  return CaseEnd::FinalStep;
}
}  // namespace

#define PKT_INTERIM(fn, name)                                                                          \
  CaseEnd fn(FieldPlace, const TTLVStorage& storage, const TTLV& item, std::string& fieldText) {       \
    return Interim(name, storage, item, fieldText);                                                    \
  }
PKT_INTERIM(RenderDcData, "MF_DC_DATA")
PKT_INTERIM(RenderOnlineCardRanges, "MF_ONLINE_CARD_RANGES")
PKT_INTERIM(RenderAuthorizationQuery, "MF_AUTHORIZATION_QUERY")
PKT_INTERIM(RenderTrzCoupon, "MF_TRZ_COUPON")
PKT_INTERIM(RenderCommitTokensList, "MF_COMMIT_CR_TRZ_TOKENS_LIST")
PKT_INTERIM(RenderRollbackTokensList, "MF_ROLLBACK_CR_TRZ_TOKENS_LIST")
PKT_INTERIM(RenderPurseActionList, "MF_PURSE_ACTION_LIST")
PKT_INTERIM(RenderPurseChangeTrnz, "MF_PURSE_CHANGE_TRNZ")
PKT_INTERIM(RenderTrzCouponEx, "MF_TRZ_COUPON_EX")
PKT_INTERIM(RenderOnlineCouponPeriod, "MF_ONLINE_COUPON_PERIOD")
PKT_INTERIM(RenderDiscountSum, "MF_DISCOUNT_SUM")
PKT_INTERIM(RenderCreditKeyData, "MF_CREDIT_KEY_DATA")
PKT_INTERIM(RenderTariffsHistory, "MF_TARIFFS_HISTORY")
PKT_INTERIM(RenderCpEmitRulesData, "MF_CP_EMIT_RULES_DATA")
#undef PKT_INTERIM

}  // namespace pkt
