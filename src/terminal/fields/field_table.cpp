#include "terminal/fields/field_table.h"

#include <array>
#include <iterator>

#include "terminal/fields/field_format.h"

namespace pkt {

namespace {

constexpr Reader NO_VALUE = Reader::None, BYTE = Reader::Byte, WORD = Reader::Word, DWORD = Reader::DWord,
                 INT = Reader::Int, BCD14 = Reader::Bcd14, BCD20 = Reader::Bcd20, TEXT = Reader::Text,
                 RAW = Reader::Raw;
constexpr Conv PLAIN = Conv::Plain, FIXED = Conv::Fixed, MESSAGE_TYPE = Conv::MessageType,
               RESPONSE_CODE = Conv::ResponseCode, WEEK_DAYS = Conv::WeekDays, DECIMAL = Conv::Decimal,
               AMOUNT = Conv::Amount, AMOUNT64 = Conv::Amount64, FRACTION = Conv::Fraction, LOW32 = Conv::Low32,
               NUMBER_TEXT = Conv::NumberText, THOUSANDTHS = Conv::Thousandths, CP1251_TEXT = Conv::Text,
               OEM_TEXT = Conv::OemText, PIN = Conv::Pin, TOKEN = Conv::Token, ENUMERATION = Conv::Enumeration,
               HEX = Conv::Hex, NESTED = Conv::Nested, RULE = Conv::Rule, STRUCTURED = Conv::Structured;
constexpr Failure NEVER{}, OMIT{Fail::Omit}, ZERO{Fail::Zero};
constexpr Failure Q(const char* text) { return {Fail::Quoted, text}; }
constexpr ExportRule SAME{}, NO_CASE{true, 0, {}};
constexpr ExportRule ExportBuffer(std::uint16_t n) { return {false, n, {}}; }
constexpr ExportRule ExportFailure(Failure f) { return {false, 0, f}; }
constexpr ExportRule ExportBufferAndFailure(std::uint16_t n, Failure f) { return {false, n, f}; }

// The enumerations: the byte names a fixed text; other values go through the row's format.
constexpr EnumText kPurseSchemes[] = {
    {1, "MF_TRZ_PURSE_SCHEME: ЭК"},   {2, "MF_TRZ_PURSE_SCHEME: ЭКП"},  {3, "MF_TRZ_PURSE_SCHEME: ЛС"},
    {4, "MF_TRZ_PURSE_SCHEME: ЛСП"},  {5, "MF_TRZ_PURSE_SCHEME: ЛПЦТ"}, {6, "MF_TRZ_PURSE_SCHEME: ЛСК"},
    {7, "MF_TRZ_PURSE_SCHEME: ЭКФЦ"}, {8, "MF_TRZ_PURSE_SCHEME: ЛФЦ"},
};
constexpr EnumText kReturnTypes[] = {
    {0, "MF_RETURN_TYPE: RTN_RETURN_AUTO"},
    {1, "MF_RETURN_TYPE: RTN_RETURN_ON_ACCOUNT"},
    {2, "MF_RETURN_TYPE: RTN_RETURN_ON_CARD"},
};
constexpr EnumText kPurseLimitTypes[] = {
    {0, "MF_TRZ_PURSE_LIMIT_TYPE: PLT_INDIVIDUAL_LIMIT"},
    {1, "MF_TRZ_PURSE_LIMIT_TYPE: PLT_COMMON_LIMIT"},
};
constexpr EnumText kDebitDateKinds[] = {
    {20, "MF_LNR_ORIGINAL_DEBIT_DATE: списание"},
    {21, "MF_LNR_ORIGINAL_DEBIT_DATE: пополнение"},
};

// Columns: tag, protocol name, reader, text buffer, format, conversion, failure, export difference,
// then the special rule, the structured case and the enumeration where the conversion needs them.
constexpr FieldRule kRules[] = {
    {1, "MF_ROOT", NO_VALUE, 0, "MF_ROOT", FIXED, NEVER, SAME},
    {2, "MF_TYPE_ID", BYTE, 0, "MF_TYPE_ID: %s", MESSAGE_TYPE, OMIT, SAME},
    {3, "MF_TRN_NUMBER", DWORD, 0, "MF_TRN_NUMBER: %u", PLAIN, OMIT, SAME},
    {4, "MF_TIMESTAMP", BCD14, 0, "MF_TIMESTAMP: %s", DECIMAL, OMIT, SAME},
    {5, "MF_EMITENT_ID", WORD, 0, "MF_EMITENT_ID: %u", PLAIN, OMIT, SAME},
    {6, "MF_FIRM_ID", WORD, 0, "MF_FIRM_ID: %u", PLAIN, OMIT, SAME},
    // Two widths (tags 7 and 26): one byte, or a value of the row's wider reader.
    {7, "MF_FILIAL_ID", WORD, 0, "MF_FILIAL_ID: %u", RULE, OMIT, SAME, Special::TwoWidths},
    {8, "MF_CARD_ID", BCD20, 0, "MF_CARD_ID: %s", DECIMAL, OMIT, SAME},
    {10, "MF_TERMINAL_ID", WORD, 0, "MF_TERMINAL_ID: %u", PLAIN, OMIT, SAME},
    {11, "MF_CARD_IN_BL", BYTE, 0, "MF_CARD_IN_BL: %u", PLAIN, OMIT, SAME},
    {12, "MF_BL_MESSAGE", TEXT, 256, "MF_BL_MESSAGE: %s", OEM_TEXT, ZERO, SAME},
    {13, "MF_BL_STATUS", BYTE, 0, "MF_BL_STATUS: %u", PLAIN, OMIT, SAME},
    {15, "MF_FILE_SIZE", RAW, 0, "MF_FILE_SIZE: %d", RULE, Q("MF_FILE_SIZE: ???"), SAME, Special::FileNumber},
    {16, "MF_FILE_BLOCK_OFFSET", RAW, 0, "MF_FILE_BLOCK_OFFSET: %d", RULE, Q("MF_FILE_BLOCK_OFFSET: ???"), SAME,
     Special::FileNumber},
    {17, "MF_FILE_BLOCK_SIZE", WORD, 0, "MF_FILE_BLOCK_SIZE: %d", PLAIN, Q("MF_FILE_BLOCK_SIZE: ???"), SAME},
    {18, "MF_FILE_DATA", NO_VALUE, 0, "MF_FILE_DATA: ???", FIXED, NEVER, SAME},
    {20, "MF_CARD_IS_LNR", BYTE, 0, "MF_CARD_IS_LNR: %u", PLAIN, OMIT, SAME},
    {21, "MF_CARD_IN_DC", BYTE, 0, "MF_CARD_IN_DC: %u", PLAIN, OMIT, SAME},
    {22, "MF_DC_DATA", RAW, 0, "MF_DC_DATA", STRUCTURED, NEVER, SAME, Special::None, RenderDcData},
    {23, "MF_BL_ACTIONS", BYTE, 0, "MF_BL_ACTIONS: %u", PLAIN, OMIT, SAME},
    {24, "MF_OPERATORCARDNUM", BCD20, 0, "MF_OPERATORCARDNUM: %s", DECIMAL, OMIT, SAME},
    {25, "MF_TRZ_DATETIME", RAW, 0, "MF_TRZ_DATETIME: %s", RULE, OMIT, SAME, Special::DateTime},
    {26, "MF_TRZ_SERVICE", DWORD, 0, "MF_TRZ_SERVICE: %u", RULE, OMIT, SAME, Special::TwoWidths},
    {27, "MF_TRZ_AMOUNT", BCD20, 0, "MF_TRZ_AMOUNT: %.2f", FRACTION, OMIT, SAME},
    {28, "MF_TRZ_PRICE", BCD20, 0, "MF_TRZ_PRICE: %u.%.2u", AMOUNT, OMIT, SAME},
    {29, "MF_TRZ_SUM", BCD20, 0, "MF_TRZ_SUM: %u.%.2u", AMOUNT, OMIT, SAME},
    {30, "MF_TRZ_TOKEN", NO_VALUE, 0, "MF_TRZ_TOKEN: %s", TOKEN, NEVER, SAME},
    {31, "MF_TRZ_RESPCODE", BYTE, 0, "MF_TRZ_RESPCODE: %0X %s", RESPONSE_CODE, OMIT, SAME},
    {32, "MF_SERVICE_LIST", NO_VALUE, 0, "MF_SERVICE_LIST: ???", FIXED, NEVER, SAME},
    {33, "MF_REMAINING_FUNDS", BCD20, 0, "MF_REMAINING_FUNDS: %s.%.2u", AMOUNT64, Q("MF_REMAINING_FUNDS: ???"), SAME},
    {34, "MF_EXTENDED_CARD_DATA", RAW, 0, "MF_EXTENDED_CARD_DATA", NESTED, NEVER, SAME},
    {35, "MF_ONLINE_CARD_RANGES", RAW, 0, "MF_ONLINE_CARD_RANGES", STRUCTURED, NEVER, SAME, Special::None,
     RenderOnlineCardRanges},
    {36, "MF_AUTHORIZATION_QUERY", RAW, 0, "MF_AUTHORIZATION_QUERY", STRUCTURED, NEVER, SAME, Special::None,
     RenderAuthorizationQuery},
    {44, "MF_CARD_TYPE", BYTE, 0, "MF_CARD_TYPE: %u", PLAIN, OMIT, SAME},
    {45, "MF_TRACK1", TEXT, 80, "MF_TRACK1: %s", CP1251_TEXT, Q("MF_TRACK1: ???"), ExportBuffer(79)},
    {46, "MF_TRACK2", TEXT, 41, "MF_TRACK2: %s", CP1251_TEXT, Q("MF_TRACK2: ???"), ExportBuffer(40)},
    {47, "MF_TRZ_COUPON", RAW, 0, "MF_TRZ_COUPON", STRUCTURED, NEVER, SAME, Special::None, RenderTrzCoupon},
    {48, "MF_COMMIT_CR_TRZ_TOKENS_LIST", RAW, 0, "MF_COMMIT_CR_TRZ_TOKENS_LIST", STRUCTURED, NEVER, SAME,
     Special::None, RenderCommitTokensList},
    {49, "MF_ROLLBACK_CR_TRZ_TOKENS_LIST", RAW, 0, "MF_ROLLBACK_CR_TRZ_TOKENS_LIST", STRUCTURED, NEVER, SAME,
     Special::None, RenderRollbackTokensList},
    {50, "MF_OUT_OF_BAND", RAW, 0, "MF_OUT_OF_BAND", NESTED, NEVER, SAME},
    {51, "MF_MINPRICESERVICEID", BYTE, 0, "MF_MINPRICESERVICEID: %u", PLAIN, Q("MF_MINPRICESERVICEID: ???"), SAME},
    {52, "MF_MINPRICEDIFF", BCD20, 0, "MF_MINPRICEDIFF: %u.%.2u", AMOUNT, Q("MF_MINPRICEDIFF: ???"), SAME},
    {53, "MF_MINPRICEBEG", BCD20, 0, "MF_MINPRICEBEG: %u.%.2u", AMOUNT, Q("MF_MINPRICEBEG: ???"), SAME},
    {54, "MF_MINPRICEBEGDIST", BCD20, 0, "MF_MINPRICEBEGDIST: %u.%.2u", AMOUNT, Q("MF_MINPRICEBEGDIST: ???"), SAME},
    {55, "MF_MINPRICEBEGNAME", TEXT, 32, "MF_MINPRICEBEGNAME: %s", CP1251_TEXT, Q("MF_MINPRICEBEGNAME: ???"), SAME},
    {56, "MF_MINPRICEEND", BCD20, 0, "MF_MINPRICEEND: %u.%.2u", AMOUNT, Q("MF_MINPRICEEND: ???"), SAME},
    {57, "MF_MINPRICEENDDIST", BCD20, 0, "MF_MINPRICEENDDIST: %u.%.2u", AMOUNT, Q("MF_MINPRICEENDDIST: ???"), SAME},
    {58, "MF_MINPRICEENDNAME", TEXT, 32, "MF_MINPRICEENDNAME: %s", CP1251_TEXT, Q("MF_MINPRICEENDNAME: ???"), SAME},
    {59, "MF_A3_MIN_ACTIV_DOSE", BCD20, 0, "MF_A3_MIN_ACTIV_DOSE: %u.%.2u", AMOUNT, Q("MF_A3_MIN_ACTIV_DOSE: ???"),
     SAME},
    {60, "MF_IS_HIGH_PRICE_APPROVED", BYTE, 0, "MF_IS_HIGH_PRICE_APPROVED: %u", PLAIN,
     Q("MF_IS_HIGH_PRICE_APPROVED: ???"), SAME},
    {61, "MF_RESYNC", BYTE, 0, "MF_RESYNC: %u", PLAIN, Q("MF_RESYNC: ???"), SAME},
    {62, "MF_PERFORM_CHECKS", BYTE, 0, "MF_PERFORM_CHECKS: %d", PLAIN, Q("MF_PERFORM_CHECKS: ???"), SAME},
    {63, "MF_REMAINING_AMOUNT", BCD20, 0, "MF_REMAINING_AMOUNT: %u.%.2u", AMOUNT, OMIT, SAME},
    {64, "MF_REMAINING_TRANZ_CNT", BCD20, 0, "MF_REMAINING_TRANZ_CNT: %u.%.2u", AMOUNT, OMIT, SAME},
    {65, "MF_MANUAL_AUTHORIZATION_CODE", DWORD, 0, "MF_MANUAL_AUTHORIZATION_CODE: %s", NUMBER_TEXT, ZERO, NO_CASE},
    {67, "MF_SERVICE_INFO", RAW, 0, "MF_SERVICE_INFO", NESTED, NEVER, SAME},
    {69, "MF_SERVER_TYPE", BYTE, 0, "MF_SERVER_TYPE: %d", PLAIN, ZERO, SAME},
    {70, "MF_CARD_EXPIRY_DATE", RAW, 0, "MF_CARD_EXPIRY_DATE: %s", RULE, OMIT, SAME, Special::DateTime},
    {74, "MF_SHIFT_NUMBER", BCD20, 0, "MF_SHIFT_NUMBER: %s", DECIMAL, Q("MF_SHIFT_NUMBER: ???"), SAME},
    {79, "MF_ACTIVE_TIME", RAW, 0, "MF_ACTIVE_TIME: %.2d%.2d-%.2d%.2d", RULE, Q("MF_ACTIVE_TIME: ???"), SAME,
     Special::TimeRange},
    {80, "MF_ACTIVE_DAYS", BYTE, 0, "MF_ACTIVE_DAYS: %s", WEEK_DAYS, Q("MF_ACTIVE_DAYS: ???"), SAME},
    {82, "MF_CHECK_FOOTER", TEXT, 512, "MF_CHECK_FOOTER: %s", OEM_TEXT, Q("MF_CHECK_FOOTER: ???"), SAME},
    {83, "MF_CARD_PIN", TEXT, 32, "MF_CARD_PIN: %s", PIN, Q("MF_CARD_PIN: ???"), SAME},
    {84, "MF_CARD_VRN", TEXT, 20, "MF_CARD_VRN: %s", CP1251_TEXT, Q("MF_CARD_VRN: ???"), NO_CASE},
    {85, "MF_CARD_ODOMETER", BCD20, 0, "MF_CARD_ODOMETER: %u", LOW32, Q("MF_CARD_ODOMETER: ???"), SAME},
    {109, "MF_TRZ_TIMEZONE", BYTE, 0, "MF_TRZ_TIMEZONE: %d", PLAIN, ZERO, SAME},
    {110, "MF_CARD_RANGES_VERSION", NO_VALUE, 0, "MF_CARD_RANGES_VERSION", FIXED, NEVER, SAME},
    {111, "MF_COMMIT_TRZ_TOKEN", NO_VALUE, 0, "MF_COMMIT_TRZ_TOKEN: %s", TOKEN, NEVER, SAME},
    {112, "MF_ROLLBACK_TRZ_TOKEN", NO_VALUE, 0, "MF_ROLLBACK_TRZ_TOKEN: ???", FIXED, NEVER, SAME},
    {113, "MF_CARD_SUBTYPE", BYTE, 0, "MF_CARD_SUBTYPE: %u", PLAIN, Q("MF_CARD_SUBTYPE: ???"), SAME},
    {114, "MF_CARD_DEBUG", BYTE, 0, "MF_CARD_DEBUG: %u", PLAIN, Q("MF_CARD_DEBUG: ???"), SAME},
    {122, "MF_NEW_LNR_CARD_TYPE", BYTE, 0, "MF_NEW_LNR_CARD_TYPE: %d", PLAIN, Q("MF_NEW_LNR_CARD_TYPE: ???"), SAME},
    {124, "MF_POST_PAID", BYTE, 0, "MF_POST_PAID: %u", PLAIN, Q("MF_POST_PAID: ???"), SAME},
    {125, "MF_ASK_PIN", BYTE, 0, "MF_ASK_PIN: %u", PLAIN, Q("MF_ASK_PIN: ???"), SAME},
    {126, "MF_POST_PAID_SUM", BCD20, 0, "MF_POST_PAID_SUM: %u.%.2u", AMOUNT, Q("MF_POST_PAID_SUM: ???"), SAME},
    {127, "MF_CARD_EXPIRY_TYPE", BYTE, 0, "MF_CARD_EXPIRY_TYPE: %d", PLAIN, Q("MF_CARD_EXPIRY_TYPE: ???"), SAME},
    {128, "MF_TRZ_PURSE", BYTE, 0, "MF_TRZ_PURSE: %d", PLAIN, Q("MF_TRZ_PURSE: ???"), SAME},
    {129, "MF_TRZ_PURSE_SCHEME", BYTE, 0, "MF_TRZ_PURSE_SCHEME: %d", ENUMERATION, Q("MF_TRZ_PURSE_SCHEME: ???"), SAME,
     Special::None, nullptr, kPurseSchemes, std::size(kPurseSchemes)},
    {130, "MF_RETURN_TYPE", BYTE, 0, "MF_RETURN_TYPE: %d", ENUMERATION, Q("MF_RETURN_TYPE: ???"), SAME, Special::None,
     nullptr, kReturnTypes, std::size(kReturnTypes)},
    {131, "MF_TRZ_PURSE_LIMIT_TYPE", BYTE, 0, "MF_TRZ_PURSE_LIMIT_TYPE: %d", ENUMERATION,
     Q("MF_TRZ_PURSE_LIMIT_TYPE: ???"), SAME, Special::None, nullptr, kPurseLimitTypes, std::size(kPurseLimitTypes)},
    {132, "MF_TRZ_OP_GRP", WORD, 0, "MF_TRZ_OP_GRP: %d", PLAIN, Q("MF_TRZ_OP_GRP: ???"), SAME},
    {133, "MF_TRZ_OP_NUM", BYTE, 0, "MF_TRZ_OP_NUM: %d", PLAIN, Q("MF_TRZ_OP_NUM: ???"), SAME},
    {134, "MF_TRZ_CUR_PURSE_BAL", BCD20, 0, "MF_TRZ_CUR_PURSE_BAL: %s", DECIMAL, Q("MF_TRZ_CUR_PURSE_BAL: ???"), SAME},
    {135, "MF_FIRST_CURRENCY_REMAINING_ACC", BCD20, 0, "MF_FIRST_CURRENCY_REMAINING_ACC: %s", DECIMAL,
     Q("MF_FIRST_CURRENCY_REMAINING_ACC: ???"), SAME},
    {136, "MF_REMAINING_AMOUNT_RECALC", BCD20, 0, "MF_REMAINING_AMOUNT_RECALC: %s", DECIMAL,
     Q("MF_REMAINING_AMOUNT_RECALC: ???"), SAME},
    {137, "MF_FIRST_CURRENCY_REMAINING_PURSE", BCD20, 0, "MF_FIRST_CURRENCY_REMAINING_PURSE: %s", DECIMAL,
     Q("MF_FIRST_CURRENCY_REMAINING_PURSE: ???"), SAME},
    {139, "MF_SERVICE_NUM_FROM_TRANS", BYTE, 0, "MF_SERVICE_NUM_FROM_TRANS: %d", PLAIN, ZERO, SAME},
    {141, "MF_OS_IS_PARTIAL_SUM", BYTE, 0, "MF_OS_IS_PARTIAL_SUM: %d", PLAIN, Q("MF_OS_IS_PARTIAL_SUM: ???"), SAME},
    {142, "MF_TERM_FILIAL_ID", INT, 0, "MF_TERM_FILIAL_ID: %d", PLAIN, OMIT, SAME},
    {143, "MF_POS_ID", INT, 0, "MF_POS_ID: %d", PLAIN, OMIT, SAME},
    {144, "MF_PURSE_ACTION_LIST", RAW, 0, "MF_PURSE_ACTION_LIST", STRUCTURED, NEVER, SAME, Special::None,
     RenderPurseActionList},
    {145, "MF_PURSE_CHANGE_TRNZ", RAW, 0, "MF_PURSE_CHANGE_TRNZ", STRUCTURED, NEVER, SAME, Special::None,
     RenderPurseChangeTrnz},
    {146, "MF_VERSION_INFO", TEXT, 100, "MF_VERSION_INFO: %s", CP1251_TEXT, Q("MF_VERSION_INFO: ???"),
     ExportBufferAndFailure(32, Q("MF_VERSION_INFO: none"))},
    {147, "MF_MIFARE_CERT_UID", RAW, 0, "MF_MIFARE_CERT_UID: %s", RULE, OMIT, NO_CASE, Special::CertificateUid},
    {150, "MF_TRZ_COUPON_EX", RAW, 0, "MF_TRZ_COUPON_EX", STRUCTURED, NEVER, SAME, Special::None, RenderTrzCouponEx},
    {152, "MF_ORIG_DEBIT_TOKEN", NO_VALUE, 0, "MF_ORIG_DEBIT_TOKEN: %s", TOKEN, NEVER, SAME},
    {153, "MF_CARD_K_AUTH_DATA", RAW, 0, "MF_CARD_K_AUTH_DATA: ", HEX, NEVER, NO_CASE},
    {154, "MF_NEW_COUNTER_TO_CARD", RAW, 0, "MF_NEW_COUNTER_TO_CARD: ", HEX, NEVER, NO_CASE},
    {155, "MF_NEW_COUNTER_ID", BYTE, 0, "MF_NEW_COUNTER_ID: %d", PLAIN, Q("MF_NEW_COUNTER_ID: ???"), NO_CASE},
    {156, "MF_CERT_DATA", RAW, 0, "MF_CERT_DATA: ", HEX, NEVER, NO_CASE},
    {157, "MF_NEW_COUNTER_CERT_KEYNUM", BYTE, 0, "MF_NEW_COUNTER_CERT_KEYNUM: %d", PLAIN,
     Q("MF_NEW_COUNTER_CERT_KEYNUM: ???"), NO_CASE},
    {158, "MF_EMITENT_BL_FAILED", BYTE, 0, "MF_EMITENT_BL_FAILED: %d", PLAIN, Q("MF_EMITENT_BL_FAILED: ???"), SAME},
    {159, "MF_CERT_DATA", RAW, 0, "MF_CERT_DATA: ", HEX, NEVER, NO_CASE},
    {164, "MF_PAN", TEXT, 20, "MF_PAN: %s", CP1251_TEXT, Q("MF_PAN: ???"), NO_CASE},
    {165, "MF_DKV_MSG_ON_CHECK", TEXT, 1000, "MF_DKV_MSG_ON_CHECK: %s", CP1251_TEXT, Q("MF_DKV_MSG_ON_CHECK: ???"),
     NO_CASE},
    {166, "MF_IS_NEEDED_TO_CAPTURE_CARD", BYTE, 0, "MF_IS_NEEDED_TO_CAPTURE_CARD: %d", PLAIN, ZERO, NO_CASE},
    {167, "MF_DKV_CARD_TYPE_STR", TEXT, 20, "MF_DKV_CARD_TYPE_STR: %s", CP1251_TEXT, Q("MF_DKV_CARD_TYPE_STR: ???"),
     NO_CASE},
    {168, "MF_ADD_INFO", TEXT, 101, "MF_ADD_INFO: %s", CP1251_TEXT, ZERO, NO_CASE},
    {171, "MF_AUTH_CODE_DKV", TEXT, 20, "MF_AUTH_CODE_DKV: %s", CP1251_TEXT, Q("MF_AUTH_CODE_DKV: ???"), NO_CASE},
    {173, "MF_PKE_PAN", BCD20, 0, "MF_PKE_PAN: %s", DECIMAL, ZERO, NO_CASE},
    {175, "MF_PKE_EXP_DATE", WORD, 0, "MF_PKE_EXP_DATE: %u", PLAIN, OMIT, NO_CASE},
    {177, "MF_NDS_PERCENT", BCD20, 0, "MF_NDS_PERCENT: %.2f", FRACTION, ZERO, NO_CASE},
    {178, "MF_DRIVER_CODE", BCD20, 0, "MF_DRIVER_CODE: %s", DECIMAL, ZERO, NO_CASE},
    {179, "MF_PRODUCT_DATA_RECORD", RAW, 0, "MF_PRODUCT_DATA_RECORD", NESTED, NEVER, SAME},
    {180, "MF_PRODUCT_CODE", TEXT, 15, "MF_PRODUCT_CODE: %s", CP1251_TEXT, Q("MF_PRODUCT_CODE: ???"), SAME},
    {181, "MF_CS_TYPE", BYTE, 0, "MF_CS_TYPE: %d", PLAIN, ZERO, SAME},
    {182, "MF_HSM_DATA", RAW, 0, "MF_HSM_DATA: ", HEX, NEVER, NO_CASE},
    {183, "MF_DUKPT_DATA_1", RAW, 0, "MF_DUKPT_DATA_1: ", HEX, NEVER, NO_CASE},
    {184, "MF_DUKPT_DATA_2", RAW, 0, "MF_DUKPT_DATA_2: ", HEX, NEVER, NO_CASE},
    {185, "MF_PRODUCT_NAME", TEXT, 101, "MF_PRODUCT_NAME: %s", CP1251_TEXT, Q("MF_PRODUCT_NAME: ???"), NO_CASE},
    {186, "MF_NDS_VALUE", BCD20, 0, "MF_NDS_VALUE: %.2f", FRACTION, ZERO, NO_CASE},
    {187, "MF_CUSTOMER_RECEIPT_NUMBER", DWORD, 0, "MF_CUSTOMER_RECEIPT_NUMBER: %s", NUMBER_TEXT, ZERO, NO_CASE},
    {188, "MF_MEASURE_UNIT", TEXT, 4, "MF_MEASURE_UNIT: %s", CP1251_TEXT, Q("MF_MEASURE_UNIT: ???"), NO_CASE},
    {189, "MF_ACTION_CODE", WORD, 0, "MF_ACTION_CODE: %u", PLAIN, OMIT, NO_CASE},
    {190, "MF_IS_CANCEL_OPER", BYTE, 0, "MF_IS_CANCEL_OPER: %d", PLAIN, ZERO, NO_CASE},
    {192, "MF_RECALC_ONLINE", BYTE, 0, "MF_RECALC_ONLINE: %d", PLAIN, ZERO, ExportFailure(Q("Error"))},
    {193, "MF_ACQ_FIRST_SRV", INT, 0, "MF_ACQ_FIRST_SRV: %u", PLAIN, OMIT, SAME},
    {194, "MF_TERM_MODULE_LIST", BYTE, 0, "MF_TERM_MODULE_LIST: %d", PLAIN, Q("MF_TERM_MODULE_LIST ???"), SAME},
    {195, "MF_V_COUPON_NUMBER", TEXT, 100, "MF_V_COUPON_NUMBER: %s", CP1251_TEXT, Q("MF_V_COUPON_NUMBER: ???"), SAME},
    {196, "MF_V_COUPON_NUMBER_CRIPTED", TEXT, 100, "MF_V_COUPON_NUMBER_CRIPTED: %s", CP1251_TEXT,
     Q("MF_V_COUPON_NUMBER_CRIPTED: ???"), SAME},
    {197, "MF_ONLINE_COUPON_PERIOD", RAW, 0, "MF_ONLINE_COUPON_PERIOD", STRUCTURED, NEVER, SAME, Special::None,
     RenderOnlineCouponPeriod},
    {198, "MF_TRZ_SERVICE_ACQ", BYTE, 0, "MF_TRZ_SERVICE_ACQ: %d", PLAIN, ZERO, SAME},
    {199, "MF_CPN_NOMINAL", BCD20, 0, "MF_CPN_NOMINAL: %u.%.2u", AMOUNT, OMIT, SAME},
    {200, "MF_CPN_NOMINAL_TYPE", BYTE, 0, "MF_CPN_NOMINAL_TYPE: %d", PLAIN, ZERO, SAME},
    {201, "MF_WAS_LOYALTY", BYTE, 0, "MF_WAS_LOYALTY: %d", PLAIN, ZERO, SAME},
    {202, "MF_DISCOUNT_SUM", BCD20, 0, "MF_DISCOUNT_SUM", STRUCTURED, NEVER, SAME, Special::None, RenderDiscountSum},
    {203, "MF_SUM_ORIGINAL", BCD20, 0, "MF_SUM_ORIGINAL: %u.%.2u", AMOUNT, OMIT, SAME},
    {204, "MF_DISCOUNT_TYPE", BYTE, 0, "MF_DISCOUNT_TYPE: %d", PLAIN, Q("MF_DISCOUNT_TYPE not found!"), SAME},
    // The bonus balances and the original amount are counted in thousandths: whole = value div 1000,
    // hundredths = (value div 10) mod 100; the thousandths digit is dropped as the amounts drop theirs.
    {205, "MF_BONUS_CURRENT", BCD20, 0, "MF_BONUS_CURRENT: %u.%.2u", THOUSANDTHS, OMIT, SAME},
    {206, "MF_BONUS_DELTA", BCD20, 0, "MF_BONUS_DELTA: %u.%.2u", THOUSANDTHS, OMIT, SAME},
    {207, "MF_AMOUNT_ORIGINAL", BCD20, 0, "MF_AMOUNT_ORIGINAL: %u.%.2u", THOUSANDTHS, OMIT, SAME},
    {208, "MF_CREDIT_KEY_SALT", NO_VALUE, 0, "MF_CREDIT_KEY_SALT", FIXED, NEVER, SAME},
    {209, "MF_CREDIT_KEY_DATA", RAW, 0, "MF_CREDIT_KEY_DATA", STRUCTURED, NEVER, SAME, Special::None,
     RenderCreditKeyData},
    {210, "MF_TARIFFS_HISTORY", RAW, 0, "MF_TARIFFS_HISTORY", STRUCTURED, NEVER, SAME, Special::None,
     RenderTariffsHistory},
    {211, "MF_CP_EMIT_RULES_DATA", RAW, 0, "MF_CP_EMIT_RULES_DATA", STRUCTURED, NEVER, SAME, Special::None,
     RenderCpEmitRulesData},
    {215, "MF_KVJC_PURSE_PRECISION", BYTE, 0, "MF_KVJC_PURSE_PRECISION: %d", PLAIN, ZERO, SAME},
    {216, "MF_KVJC_CURRENCY_CODE", WORD, 0, "MF_KVJC_CURRENCY_CODE: %u", PLAIN, OMIT, SAME},
    {217, "MF_KVJC_CARD_CERTIFICATE", RAW, 0, "MF_KVJC_CARD_CERTIFICATE: ", HEX, NEVER, SAME},
    {218, "MF_KVJC_CARD_OPERATION_NUMBER", WORD, 0, "MF_KVJC_CARD_OPERATION_NUMBER: %u", PLAIN, OMIT, SAME},
    {219, "MF_KVJC_CURR_OPERATION_NUMBER", WORD, 0, "MF_KVJC_CURR_OPERATION_NUMBER: %u", PLAIN, OMIT, SAME},
    {220, "MF_KVJC_POS_UNPREDICTABLE_NUMBER", DWORD, 0, "MF_KVJC_POS_UNPREDICTABLE_NUMBER: %u", PLAIN, OMIT, SAME},
    {221, "MF_KVJC_AS_CERTIFICATE", RAW, 0, "MF_KVJC_AS_CERTIFICATE: ", HEX, NEVER, SAME},
    {222, "MF_JC_CHALLENGE", RAW, 0, "MF_JC_CHALLENGE: ", HEX, NEVER, SAME},
    {223, "MF_JC_APPLET_AS_COUNTER", WORD, 0, "MF_JC_APPLET_AS_COUNTER: %u", PLAIN, OMIT, SAME},
    {224, "MF_JC_APPLET_OC_NUMBER", WORD, 0, "MF_JC_APPLET_OC_NUMBER: %u", PLAIN, OMIT, SAME},
    {225, "MF_JC_PURSE_INFO", RAW, 0, "MF_JC_PURSE_INFO: ", HEX, NEVER, SAME},
    {226, "MF_HAS_MORE_JC_CRYPTOGRAM", BYTE, 0, "MF_HAS_MORE_JC_CRYPTOGRAM: %d", PLAIN, ZERO, SAME},
    {227, "MF_JC_CRYPTOGRAM_LIST", RAW, 0, "MF_JC_CRYPTOGRAM_LIST: ", HEX, NEVER, SAME},
    {228, "MF_KVJC_EXEC_STAT_LIST", RAW, 0, "MF_KVJC_EXEC_STAT_LIST: ", HEX, NEVER, SAME},
    {229, "MF_JC_ISS_CARD_PSN", BYTE, 0, "MF_JC_ISS_CARD_PSN: %d", PLAIN, Q("Error"), SAME},
    {230, "MF_ALLOW_RECALC", BYTE, 0, "MF_ALLOW_RECALC: %d", PLAIN, ZERO, SAME},
    {231, "MF_RECALC_AT_AS", BYTE, 0, "MF_RECALC_AT_AS: %d", PLAIN, ZERO, SAME},
    // Counted in thousandths like the bonus balances (whole = value div 1000, hundredths = (value div 10) mod 100).
    {232, "MF_REMAINING_FIRST_PURSE", BCD20, 0, "MF_REMAINING_FIRST_PURSE: %u.%.2u", THOUSANDTHS, OMIT, SAME},
    {233, "MF_KVJC_IS_JAVACARD_OPERATION", BYTE, 0, "MF_KVJC_IS_JAVACARD_OPERATION: %d", PLAIN, ZERO, SAME},
    {234, "MF_KVJC_CARD_CERT_TYPE", BYTE, 0, "MF_KVJC_CARD_CERT_TYPE: %d", PLAIN, Q("Error"), SAME},
    {235, "MF_KVJC_CALL_NUM", BYTE, 0, "MF_KVJC_CALL_NUM: %d", PLAIN, ZERO, SAME},
    {236, "MF_REMAINING_LITRES_RECALC", BCD20, 0, "MF_REMAINING_LITRES_RECALC: %s", DECIMAL, OMIT, SAME},
    {237, "MF_TRZ_SERVICE_SCHEME", BYTE, 0, "MF_TRZ_SERVICE_SCHEME: %d", PLAIN, Q("Error"), SAME},
    {240, "MF_LNR_ORIGINAL_DEBIT_DATE", RAW, 0, "MF_LNR_ORIGINAL_DEBIT_DATE: ", RULE,
     Q("MF_LNR_ORIGINAL_DEBIT_DATE: ???"), NO_CASE, Special::RawDebitDate},
    {241, "MF_LNR_ORIGINAL_DEBIT_DATE", BYTE, 0, "MF_LNR_ORIGINAL_DEBIT_DATE: ошибка", ENUMERATION, Q("Ошибка"),
     NO_CASE, Special::None, nullptr, kDebitDateKinds, std::size(kDebitDateKinds)},
};

constexpr std::size_t kRuleCount = std::size(kRules);

// The placeholders each conversion fills, in order.
constexpr const char* ArgumentsOf(const FieldRule& r) {
  switch (r.conv) {
    case Conv::Plain:
    case Conv::Low32:
    case Conv::Enumeration: return "i";
    case Conv::ResponseCode: return "is";
    case Conv::Amount:
    case Conv::Thousandths: return "ii";
    case Conv::Amount64: return "si";
    case Conv::Fraction: return "f";
    case Conv::MessageType:
    case Conv::WeekDays:
    case Conv::Decimal:
    case Conv::NumberText:
    case Conv::Text:
    case Conv::OemText:
    case Conv::Pin:
    case Conv::Token: return "s";
    case Conv::Fixed:
    case Conv::Hex:
    case Conv::Nested:
    case Conv::Structured: return "";
    case Conv::Rule:
      switch (r.special) {
        case Special::TwoWidths:
        case Special::FileNumber: return "i";
        case Special::DateTime:
        case Special::CertificateUid: return "s";
        case Special::TimeRange: return "iiii";
        case Special::RawDebitDate: return "";
        case Special::None: return "?";
      }
      return "?";
  }
  return "?";
}

constexpr bool RowIsSound(const FieldRule& r) {
  if (r.name == nullptr || r.format == nullptr) return false;
  if (r.conv > Conv::Structured || r.reader > Reader::Raw) return false;  // past the readers made for each pair
  // An enumeration's format for the other values may show the number or not.
  bool fits = FormatTakes(r.format, ArgumentsOf(r)) || (r.conv == Conv::Enumeration && FormatTakes(r.format, ""));
  if (!fits) return false;
  if (r.failure.kind == Fail::Quoted && r.failure.text == nullptr) return false;
  if (r.exportRule.failure.kind == Fail::Quoted && r.exportRule.failure.text == nullptr) return false;
  bool text = r.reader == Reader::Text;
  if (text != (r.buffer != 0)) return false;
  if (r.buffer > kLargestTextBuffer || r.exportRule.buffer > kLargestTextBuffer) return false;
  if (r.exportRule.buffer != 0 && !text) return false;
  if ((r.conv == Conv::Text || r.conv == Conv::OemText || r.conv == Conv::Pin) && !text) return false;
  if ((r.conv == Conv::Rule) != (r.special != Special::None)) return false;
  if ((r.conv == Conv::Enumeration) != (r.enums != nullptr)) return false;
  if (r.conv == Conv::Enumeration)
    for (std::uint8_t i = 0; i < r.enumCount; ++i)
      if (!FormatTakes(r.enums[i].text, "")) return false;
  // A scalar read needs a failure behaviour; a field that reads nothing has none.
  bool scalar = r.conv != Conv::Fixed && r.conv != Conv::Token && r.conv != Conv::Hex && r.conv != Conv::Nested &&
                r.conv != Conv::Structured && r.conv != Conv::Rule;
  if (scalar && (r.failure.kind == Fail::None || r.reader == Reader::Raw || r.reader == Reader::None)) return false;
  // Only scalar fields differ between the front ends by buffer or failure text.
  if (!scalar && (r.exportRule.buffer != 0 || r.exportRule.failure.kind != Fail::None)) return false;
  if (r.reader == Reader::None && r.conv != Conv::Fixed && r.conv != Conv::Token) return false;
  return true;
}

constexpr bool TableIsSound() {
  int exportCases = 0;
  for (std::size_t i = 0; i < kRuleCount; ++i) {
    if (!RowIsSound(kRules[i])) return false;
    if (i > 0 && kRules[i - 1].tag >= kRules[i].tag) return false;  // in tag order, each tag once
    if (kRules[i].tag == 0 || kRules[i].tag > 241) return false;
    if (!kRules[i].exportRule.noCase) ++exportCases;
  }
  return kRuleCount == 170 && exportCases == 140;
}
static_assert(TableIsSound(), "a row of the tag table does not fit its conversion");

constexpr std::uint8_t kNoRule = 0xFF;

constexpr std::array<std::uint8_t, 256> BuildIndex() {
  std::array<std::uint8_t, 256> index{};
  for (auto& slot : index) slot = kNoRule;
  for (std::size_t i = 0; i < kRuleCount; ++i) index[kRules[i].tag] = static_cast<std::uint8_t>(i);
  return index;
}
constexpr std::array<std::uint8_t, 256> kIndex = BuildIndex();

}  // namespace

const FieldRule* FieldRuleOf(std::uint32_t tag) {
  if (tag > 255 || kIndex[tag] == kNoRule) return nullptr;
  return &kRules[kIndex[tag]];
}

const FieldRule* FieldRules() { return kRules; }

std::size_t FieldRuleCount() { return kRuleCount; }

}  // namespace pkt
