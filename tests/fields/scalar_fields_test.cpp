// Fields of one value: the readers, the conversions, the failure behaviours.
#include <gtest/gtest.h>

#include <algorithm>

#include "fields/render_helpers.h"
#include "platform/bytes.h"
#include "platform/digits.h"
#include "terminal/fields/field_read.h"

namespace pkt::test {
namespace {

using Lines = std::vector<std::string>;

// The digits of any BCD bytes, as the fields write them: null, with nothing
// written, when a nibble is not a digit.
char* PutBcdDigits(char* o, const std::uint8_t* d, std::uint32_t n) {
  return AllBcdDigits(d, n) ? PutBcdDigitsOf(o, d, n) : nullptr;
}

TEST(FieldReaders, FixedWidthReadersAcceptExactlyTheirWidth) {
  ExpectField(44, B({0x02}), "MF_CARD_TYPE: 2");
  ExpectOmitted(44, B({}));
  ExpectOmitted(44, B({0x00, 0x02}));
  // A one-byte %d shows the byte without sign.
  ExpectField(62, B({0xFF}), "MF_PERFORM_CHECKS: 255");

  ExpectField(5, B({0x01, 0x0C}), "MF_EMITENT_ID: 268");
  ExpectOmitted(5, B({0x0C}));
  ExpectOmitted(5, B({0x00, 0x00, 0x0C}));

  ExpectField(3, B({0xFF, 0xFF, 0xFF, 0xFF}), "MF_TRN_NUMBER: 4294967295");
  ExpectOmitted(3, B({0x00, 0x00, 0x07}));
  ExpectOmitted(3, B({0x00, 0x00, 0x00, 0x00, 0x07}));

  ExpectField(143, B({0xFF, 0xFF, 0xFF, 0xFE}), "MF_POS_ID: -2");
  ExpectField(193, B({0xFF, 0xFF, 0xFF, 0xFE}), "MF_ACQ_FIRST_SRV: 4294967294");
  ExpectOmitted(143, B({0xFF, 0xFE}));

  // A quoted failure text replaces the field in both front ends.
  ExpectField(51, B({0x01, 0x02}), "MF_MINPRICESERVICEID: ???");
  ExpectField(17, B({0x01}), "MF_FILE_BLOCK_SIZE: ???");
}

TEST(FieldReaders, BcdValuesStayWithinTheirDigitLimit) {
  ExpectField(4, B({0x20, 0x16, 0x04, 0x06, 0x09, 0x05, 0x00}), "MF_TIMESTAMP: 20160406090500");
  ExpectField(4, B({0x00, 0x00, 0x00, 0x00, 0x00, 0x12, 0x34}), "MF_TIMESTAMP: 1234");
  ExpectField(4, B({}), "MF_TIMESTAMP: 0");
  ExpectOmitted(4, Bcd("1234567890123456"));  // 8 bytes: more than 14 digits

  ExpectField(8, Bcd("7824861090012345678"), "MF_CARD_ID: 7824861090012345678");
  // Numbers beyond 63 bits show their digits, not a wrapped or negative number.
  ExpectField(8, Bcd("9643000000000000001"), "MF_CARD_ID: 9643000000000000001");
  ExpectField(8, Bcd("99999999999999999999"), "MF_CARD_ID: 99999999999999999999");
  ExpectOmitted(8, Bcd("1234567890123456789012"));  // 11 bytes
  ExpectField(74, Bcd("1234567890123456789012"), "MF_SHIFT_NUMBER: ???");
}

// A value of digit nibbles is written from its nibbles; the text must be the
// decimal of its arithmetic value at every length, with leading zero bytes and
// zero nibbles, and a value with another nibble is left alone.
TEST(FieldReaders, BcdDigitsAreTheDecimalOfTheValue) {
  for (std::uint32_t n = 0; n <= 19; ++n) {
    for (std::uint32_t seed = 0; seed < 200; ++seed) {
      std::uint8_t d[19];
      for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t x = (seed * 2654435761u) >> (i % 24);
        // Some values start with zero bytes or a zero nibble.
        d[i] = (seed % 3 == 0 && i < seed % 5) ? 0 : static_cast<std::uint8_t>(((x % 10) << 4) | (x / 10 % 10));
        if (seed % 7 == 0 && i == 0) d[i] &= 0x0F;
      }
      char out[40];
      const char* end = PutBcdDigits(out, d, n);
      ASSERT_NE(end, nullptr);
      char expected[48];
      char* const last = expected + sizeof expected;
      const char* const first = PutWideDecimalBackward(last, BcdValue128(d, n));
      EXPECT_EQ(std::string_view(out, end - out), std::string_view(first, last - first)) << n << " " << seed;
    }
  }
  const std::uint8_t high[] = {0x12, 0xA3}, low[] = {0x1F};
  char out[8];
  EXPECT_EQ(PutBcdDigits(out, high, 2), nullptr);
  EXPECT_EQ(PutBcdDigits(out, low, 1), nullptr);
  // In a message a card number with another nibble keeps its arithmetic value.
  ExpectField(8, B({0x1A}), "MF_CARD_ID: 20");
}

// The check reads the bytes a word at a time: a nibble above 9 in any place
// of a value of any length up to twenty bytes must be seen, and the largest
// digits must pass.
TEST(FieldReaders, EveryNibbleOfABcdValueIsChecked) {
  for (std::uint32_t n = 1; n <= 20; ++n) {
    std::uint8_t d[20];
    std::fill(d, d + n, std::uint8_t{0x99});
    EXPECT_TRUE(AllBcdDigits(d, n)) << n;
    for (std::uint32_t i = 0; i < n; ++i) {
      for (std::uint8_t nibble = 0xA; nibble <= 0xF; ++nibble) {
        d[i] = static_cast<std::uint8_t>(nibble << 4 | 9);
        EXPECT_FALSE(AllBcdDigits(d, n)) << n << " " << i << " high " << int{nibble};
        d[i] = static_cast<std::uint8_t>(0x90 | nibble);
        EXPECT_FALSE(AllBcdDigits(d, n)) << n << " " << i << " low " << int{nibble};
        d[i] = 0x99;
      }
    }
  }
}

TEST(FieldReaders, TextsFitBelowTheirBuffer) {
  EXPECT_EQ(TreeOfField(188, Text("abc")), "MF_MEASURE_UNIT: abc\n");
  EXPECT_EQ(TreeOfField(188, Text("abcd")), "MF_MEASURE_UNIT: ???\n");
  EXPECT_EQ(TreeOfField(165, Text(std::string(999, 'x'))), "MF_DKV_MSG_ON_CHECK: " + std::string(999, 'x') + "\n");
  EXPECT_EQ(TreeOfField(165, Text(std::string(1000, 'x'))), "MF_DKV_MSG_ON_CHECK: ???\n");

  // An empty text fails its read: zero shows the bare prefix, a quoted text replaces it.
  EXPECT_EQ(TreeOfField(168, B({})), "MF_ADD_INFO: \n");
  ExpectField(45, B({}), "MF_TRACK1: ???");
  // The text ends at its first zero byte.
  ExpectField(180, B({'1', '2', 0, '3', '4'}), "MF_PRODUCT_CODE: 12");

  // The PIN shows one asterisk per digit.
  ExpectField(83, Text("1234"), "MF_CARD_PIN: ****");
  ExpectField(83, Text(std::string(31, '7')), "MF_CARD_PIN: " + std::string(31, '*'));
  ExpectField(83, Text(std::string(32, '7')), "MF_CARD_PIN: ???");
}

TEST(FieldReaders, TextsAreDecodedFromTheirCodePage) {
  // "АИ-95" in cp1251.
  ExpectField(55, B({0xC0, 0xC8, '-', '9', '5'}), "MF_MINPRICEBEGNAME: АИ-95");
  // "Привет" in the terminal's OEM code page (cp866).
  ExpectField(12, B({0x8F, 0xE0, 0xA8, 0xA2, 0xA5, 0xE2}), "MF_BL_MESSAGE: Привет");
  ExpectField(82, B({0x91, 0xAF, 0xA0, 0xE1, 0xA8, 0xA1, 0xAE}), "MF_CHECK_FOOTER: Спасибо");
  // The same bytes in a field that is not OEM are read as cp1251.
  ExpectField(58, B({0x8F, 0xE0}), "MF_MINPRICEENDNAME: Џа");
  ExpectField(12, B({}), "MF_BL_MESSAGE: ");
}

TEST(FieldConversions, AmountsDropDigitsAndFractionsRoundHalfUp) {
  ExpectField(29, B({0x00, 0x12, 0x34, 0x56}), "MF_TRZ_SUM: 12.34");
  ExpectField(27, B({0x00, 0x12, 0x34, 0x56}), "MF_TRZ_AMOUNT: 12.35");
  ExpectField(29, Bcd("10050"), "MF_TRZ_SUM: 1.00");
  ExpectField(27, Bcd("10050"), "MF_TRZ_AMOUNT: 1.01");
  ExpectField(27, Bcd("10049"), "MF_TRZ_AMOUNT: 1.00");
  ExpectField(27, Bcd("150"), "MF_TRZ_AMOUNT: 0.02");
  ExpectField(28, B({0x00, 0x00, 0x12, 0x34, 0x50}), "MF_TRZ_PRICE: 12.34");
  ExpectField(29, B({}), "MF_TRZ_SUM: 0.00");
  ExpectField(27, B({}), "MF_TRZ_AMOUNT: 0.00");
  // Beyond what a double holds exactly, the half still rounds up.
  ExpectField(27, Bcd("9007199254740993050"), "MF_TRZ_AMOUNT: 900719925474099.31");
  // The fraction takes the value as signed 64 bits: values from 2^63 on are
  // negative, and their halves round away from zero.
  ExpectField(27, Bcd("18446744073709541566"), "MF_TRZ_AMOUNT: -1.01");  // 2^64 - 10050
  ExpectField(27, Bcd("18446744073709541567"), "MF_TRZ_AMOUNT: -1.00");  // 2^64 - 10049
  ExpectField(27, Bcd("18446744073709551567"), "MF_TRZ_AMOUNT: 0.00");   // 2^64 - 49
  EXPECT_EQ(TreeOfField(177, Bcd("1800")), "MF_NDS_PERCENT: 0.18\n");
  EXPECT_EQ(TreeOfField(186, B({})), "MF_NDS_VALUE: 0.00\n");

  // The amount reduces its whole part to 32 bits; the 64-bit amount does not.
  ExpectField(29, Bcd("42949672971200"), "MF_TRZ_SUM: 1.12");  // whole 2^32 + 1
  ExpectField(33, B({0x00, 0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x34, 0x56, 0x78}),
              "MF_REMAINING_FUNDS: 12345678901234.56");
  ExpectField(33, Bcd("99999999999999999999"), "MF_REMAINING_FUNDS: 9999999999999999.99");
  ExpectField(33, Bcd("1234567890123456789012"), "MF_REMAINING_FUNDS: ???");
}

TEST(FieldConversions, LowBitsAndNumberTexts) {
  ExpectField(85, Bcd("4294967297"), "MF_CARD_ODOMETER: 1");
  EXPECT_EQ(TreeOfField(187, B({0xFF, 0xFF, 0xFF, 0xFF})), "MF_CUSTOMER_RECEIPT_NUMBER: -1\n");
  EXPECT_EQ(TreeOfField(65, B({0x00, 0x01, 0xE2, 0x40})), "MF_MANUAL_AUTHORIZATION_CODE: 123456\n");
  EXPECT_EQ(TreeOfField(65, B({0x01})), "MF_MANUAL_AUTHORIZATION_CODE: 0\n");
}

TEST(FieldConversions, BonusesAndRemainingPurseAreThousandths) {
  ExpectField(205, Bcd("123456"), "MF_BONUS_CURRENT: 123.45");
  ExpectField(206, Bcd("1005"), "MF_BONUS_DELTA: 1.00");
  ExpectField(207, Bcd("99"), "MF_AMOUNT_ORIGINAL: 0.09");
  ExpectField(232, Bcd("1234567"), "MF_REMAINING_FIRST_PURSE: 1234.56");
  ExpectField(232, Bcd("5"), "MF_REMAINING_FIRST_PURSE: 0.00");
  ExpectOmitted(205, B({0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x10, 0x11}));
}

TEST(FieldConversions, CatalogueTexts) {
  ExpectField(2, B({8}), "MF_TYPE_ID: Транзакция на дебет - запрос");
  ExpectField(2, B({25}), "MF_TYPE_ID: 25");
  ExpectField(31, B({0x0A}), "MF_TRZ_RESPCODE: A Неверный номер терминала");
  ExpectField(31, B({0x00}), "MF_TRZ_RESPCODE: 0 Успешное выполнение");
  ExpectField(31, B({0xFF}), "MF_TRZ_RESPCODE: FF Неопознанная ошибка - FF");
  ExpectField(80, B({0x7F}), "MF_ACTIVE_DAYS: Пн-Вс");
  ExpectField(80, B({0x05}), "MF_ACTIVE_DAYS: ПнСр");
  ExpectField(80, B({0x05, 0x00}), "MF_ACTIVE_DAYS: ???");
}

TEST(FieldFailures, ZeroShowsTheZeroedValueAndQuotedTextsAreExact) {
  EXPECT_EQ(TreeOfAbsent(69), "MF_SERVER_TYPE: 0\n");
  EXPECT_EQ(LinesOfAbsent(69), Lines{"MF_SERVER_TYPE: 0"});
  ExpectField(109, B({0x01, 0x02}), "MF_TRZ_TIMEZONE: 0");
  EXPECT_EQ(TreeOfAbsent(194), "MF_TERM_MODULE_LIST ???\n");
  EXPECT_EQ(TreeOfAbsent(229), "Error\n");
  EXPECT_EQ(TreeOfAbsent(204), "MF_DISCOUNT_TYPE not found!\n");
  EXPECT_EQ(TreeOfAbsent(173), "MF_PKE_PAN: 0\n");
  EXPECT_EQ(TreeOfAbsent(241), "Ошибка\n");
  EXPECT_EQ(TreeOfAbsent(2), "");
  EXPECT_EQ(LinesOfAbsent(2), Lines{""});
}

TEST(FieldRules, TwoWidths) {
  ExpectField(7, B({0x05}), "MF_FILIAL_ID: 5");
  ExpectField(7, B({0x00, 0x05}), "MF_FILIAL_ID: 5");
  ExpectOmitted(7, B({0x00, 0x00, 0x05}));
  ExpectOmitted(7, B({0x00, 0x00, 0x00, 0x05}));
  ExpectField(26, B({0x07}), "MF_TRZ_SERVICE: 7");
  ExpectField(26, B({0x00, 0x00, 0x01, 0x00}), "MF_TRZ_SERVICE: 256");
  ExpectOmitted(26, B({0x01, 0x00}));
}

TEST(FieldRules, FileSizesOfSixteenOrThirtyTwoBits) {
  ExpectField(15, B({0x00, 0x01}), "MF_FILE_SIZE: 1");
  ExpectField(15, B({0xFF, 0xFF}), "MF_FILE_SIZE: 65535");
  ExpectField(15, B({0x00, 0x00, 0x01, 0x00}), "MF_FILE_SIZE: 256");
  ExpectField(16, B({0xFF, 0xFF, 0xFF, 0xFF}), "MF_FILE_BLOCK_OFFSET: -1");
  ExpectField(15, B({0x00, 0x00, 0x01}), "MF_FILE_SIZE: Invalid");
  ExpectField(16, B({}), "MF_FILE_BLOCK_OFFSET: Invalid");
  EXPECT_EQ(TreeOfAbsent(15), "MF_FILE_SIZE: ???\n");
}

TEST(FieldRules, DatesTimesAndRanges) {
  ExpectField(25, B({116, 4, 6, 9, 5, 0}), "MF_TRZ_DATETIME: 2016-04-06 09:05:00.000");
  ExpectField(70, B({125, 12, 31, 0, 0, 0}), "MF_CARD_EXPIRY_DATE: 2025-12-31 00:00:00.000");
  ExpectField(25, B({116, 4, 6, 9, 5}), "MF_TRZ_DATETIME: Invalid");
  ExpectField(70, B({116, 4, 6, 9, 5, 0, 0}), "MF_CARD_EXPIRY_DATE: Invalid");
  EXPECT_EQ(TreeOfAbsent(25), "");

  ExpectField(79, B({8, 0, 17, 30}), "MF_ACTIVE_TIME: 0800-1730");
  ExpectField(79, B({200, 5, 1, 2}), "MF_ACTIVE_TIME: 20005-0102");
  ExpectField(79, B({8, 0, 17}), "MF_ACTIVE_TIME: ???");
  ExpectField(79, B({}), "MF_ACTIVE_TIME: ???");
}

TEST(FieldRules, CertificateUidAndRawDebitDateAreTreeOnly) {
  Bytes uid;
  for (int i = 0; i < 16; ++i) uid.push_back(i);
  EXPECT_EQ(TreeOfField(147, uid), "MF_MIFARE_CERT_UID: 000102030405060708090A0B0C0D0E0F\n");
  EXPECT_EQ(TreeOfField(147, Bytes(15, 0)), "MF_MIFARE_CERT_UID: Invalid\n");
  EXPECT_EQ(LinesOfField(147, uid), Lines{"Неизвестное поле 0x93 [ 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F  ]"});

  EXPECT_EQ(TreeOfField(240, B({0x01, 0x02})), "MF_LNR_ORIGINAL_DEBIT_DATE: 01 02 \n");
  EXPECT_EQ(TreeOfField(240, B({})), "MF_LNR_ORIGINAL_DEBIT_DATE: <empty>\n");
  EXPECT_EQ(TreeOfAbsent(240), "MF_LNR_ORIGINAL_DEBIT_DATE: ???\n");
  EXPECT_EQ(LinesOfField(240, B({0x01, 0x02})), Lines{"Неизвестное поле 0xF0 [ 01 02  ]"});
}

TEST(FieldEnumerations, NamedValuesAndTheRest) {
  ExpectField(129, B({1}), "MF_TRZ_PURSE_SCHEME: ЭК");
  ExpectField(129, B({5}), "MF_TRZ_PURSE_SCHEME: ЛПЦТ");
  ExpectField(129, B({8}), "MF_TRZ_PURSE_SCHEME: ЛФЦ");
  ExpectField(129, B({0}), "MF_TRZ_PURSE_SCHEME: 0");
  ExpectField(129, B({9}), "MF_TRZ_PURSE_SCHEME: 9");
  ExpectField(129, B({}), "MF_TRZ_PURSE_SCHEME: ???");
  ExpectField(130, B({0}), "MF_RETURN_TYPE: RTN_RETURN_AUTO");
  ExpectField(130, B({2}), "MF_RETURN_TYPE: RTN_RETURN_ON_CARD");
  ExpectField(130, B({3}), "MF_RETURN_TYPE: 3");
  ExpectField(131, B({0}), "MF_TRZ_PURSE_LIMIT_TYPE: PLT_INDIVIDUAL_LIMIT");
  ExpectField(131, B({1}), "MF_TRZ_PURSE_LIMIT_TYPE: PLT_COMMON_LIMIT");
  ExpectField(131, B({255}), "MF_TRZ_PURSE_LIMIT_TYPE: 255");
  EXPECT_EQ(TreeOfField(241, B({20})), "MF_LNR_ORIGINAL_DEBIT_DATE: списание\n");
  EXPECT_EQ(TreeOfField(241, B({21})), "MF_LNR_ORIGINAL_DEBIT_DATE: пополнение\n");
  EXPECT_EQ(TreeOfField(241, B({22})), "MF_LNR_ORIGINAL_DEBIT_DATE: ошибка\n");
  EXPECT_EQ(LinesOfField(241, B({20})), Lines{"Неизвестное поле 0xF1 [ 14  ]"});
}

TEST(FieldTokensAndFixedTexts, AlwaysGiveAText) {
  Bytes token;
  for (int i = 0; i < 16; ++i) token.push_back(i);
  ExpectField(30, token, "MF_TRZ_TOKEN: 030201000504070608090A0B0C0D0E0F");
  ExpectField(111, token, "MF_COMMIT_TRZ_TOKEN: 030201000504070608090A0B0C0D0E0F");
  ExpectField(152, Bytes(15, 0), "MF_ORIG_DEBIT_TOKEN: Invalid transaction token!");
  ExpectField(30, Bytes(17, 0), "MF_TRZ_TOKEN: Invalid transaction token!");
  ExpectField(30, B({}), "MF_TRZ_TOKEN: Invalid transaction token!");
  EXPECT_EQ(TreeOfAbsent(111), "MF_COMMIT_TRZ_TOKEN: Failed to retrieve transaction token!\n");

  ExpectField(112, token, "MF_ROLLBACK_TRZ_TOKEN: ???");
  ExpectField(18, B({1, 2, 3}), "MF_FILE_DATA: ???");
  ExpectField(32, B({}), "MF_SERVICE_LIST: ???");
  ExpectField(110, B({1}), "MF_CARD_RANGES_VERSION");
  ExpectField(208, B({1, 2}), "MF_CREDIT_KEY_SALT");
}

TEST(FieldHex, BytesInBracketsBehindThePrefix) {
  EXPECT_EQ(TreeOfField(156, B({0x01, 0xAB})), "MF_CERT_DATA: [ 01 AB  ]\n");
  EXPECT_EQ(TreeOfField(159, B({0x01, 0xAB})), "MF_CERT_DATA: [ 01 AB  ]\n");
  EXPECT_EQ(TreeOfField(156, B({})), "MF_CERT_DATA: [  ]\n");
  EXPECT_EQ(TreeOfAbsent(182), "MF_HSM_DATA: ???\n");
  ExpectField(217, B({0xFF}), "MF_KVJC_CARD_CERTIFICATE: [ FF  ]");
  EXPECT_EQ(LinesOfField(156, B({0x01, 0xAB})), Lines{"Неизвестное поле 0x9C [ 01 AB  ]"});
}

TEST(FieldExport, BufferAndFailureDifferences) {
  // Track 1: 79 characters fit the tree's 80 bytes but not the export's 79.
  std::string track1(79, '1');
  EXPECT_EQ(TreeOfField(45, Text(track1)), "MF_TRACK1: " + track1 + "\n");
  EXPECT_EQ(LinesOfField(45, Text(track1)), Lines{"MF_TRACK1: ???"});
  EXPECT_EQ(LinesOfField(45, Text(track1.substr(1))), Lines{"MF_TRACK1: " + track1.substr(1)});
  std::string track2(40, '2');
  EXPECT_EQ(TreeOfField(46, Text(track2)), "MF_TRACK2: " + track2 + "\n");
  EXPECT_EQ(LinesOfField(46, Text(track2)), Lines{"MF_TRACK2: ???"});
  EXPECT_EQ(LinesOfField(46, Text(track2.substr(1))), Lines{"MF_TRACK2: " + track2.substr(1)});

  std::string version(40, 'v');
  EXPECT_EQ(TreeOfField(146, Text(version)), "MF_VERSION_INFO: " + version + "\n");
  EXPECT_EQ(LinesOfField(146, Text(version)), Lines{"MF_VERSION_INFO: none"});
  EXPECT_EQ(LinesOfField(146, Text(version.substr(0, 31))), Lines{"MF_VERSION_INFO: " + version.substr(0, 31)});
  EXPECT_EQ(TreeOfField(146, B({})), "MF_VERSION_INFO: ???\n");

  EXPECT_EQ(TreeOfAbsent(192), "MF_RECALC_ONLINE: 0\n");
  EXPECT_EQ(LinesOfAbsent(192), Lines{"Error"});
  ExpectField(192, B({1}), "MF_RECALC_ONLINE: 1");
}

}  // namespace
}  // namespace pkt::test
