// Discount cards, card ranges, token lists, purse lists, credit keys, tariff
// history and emitent rules.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "structured/render_case.h"
#include "support/structured_builder.h"
#include "text/number.h"

namespace pkt::test {
namespace {

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) Append(out, p);
  return out;
}

// ---- MF_DC_DATA ---------------------------------------------------------------

const Bytes kDcExample = B({0x00, 0x05, 0x00, 0x10, 0x00, 0x2A, 0x33, 0x1A, 0x33, 0x9A, 0x00, 0x00, 0x03, 0xE8, 0x01, 0x00});
const char kDcExampleHex[] = "00 05 00 10 00 2A 33 1A 33 9A 00 00 03 E8 01 00 ";

TEST(DcData, DecodesRecordsInTheTreeAndShowsOnlyHexInTheExport) {
  Rendering r = RenderValue(RenderDcData, 22, kDcExample);
  EXPECT_EQ(r.Tree(),
            std::string("MF_DC_DATA: [GROUP: 5 CARD: 1000042 DATE_START: 6.6.2016 DATE_STOP: 6.7.2016 AMOUNT: 1000 "
                        "PURSE_OP: 1 NUM_FLAG: 0] (") +
                kDcExampleHex + ")\n");
  EXPECT_EQ(r.lines, Lines{std::string("MF_DC_DATA: ") + kDcExampleHex});
}

TEST(DcData, BuilderRecordsMatchTheExampleAndDecodeSignedAndWideValues) {
  EXPECT_EQ(DcRecord(5, PackedCard(1, 42), PackedDate(6, 6, 2016), PackedDate(6, 7, 2016), 1000, 1, 0), kDcExample);
  Bytes two = Join({kDcExample, DcRecord(65535, PackedCard(4095, 0xFFFFF), PackedDate(31, 12, 2117),
                                          PackedDate(0, 0, 1990), -5, 255, 7)});
  Rendering r = RenderValue(RenderDcData, 22, two);
  std::string tree = r.Tree();
  EXPECT_NE(tree.find("NUM_FLAG: 0] [GROUP: 65535 CARD: 4096048575 DATE_START: 31.12.2117 DATE_STOP: 0.0.1990 "
                      "AMOUNT: -5 PURSE_OP: 255 NUM_FLAG: 7] ("),
            std::string::npos)
      << tree;
}

TEST(DcData, MalformedLengths) {
  Rendering empty = RenderValue(RenderDcData, 22, {});
  EXPECT_EQ(empty.Tree(), "MF_DC_DATA: <empty>\n");
  EXPECT_EQ(empty.lines, Lines{"MF_DC_DATA: <empty>"});

  Bytes seventeen = kDcExample;
  seventeen.push_back(0xAB);
  Rendering odd = RenderValue(RenderDcData, 22, seventeen);
  EXPECT_EQ(odd.Tree(), std::string("MF_DC_DATA: (") + kDcExampleHex + "AB )\n");
  EXPECT_EQ(odd.lines, Lines{std::string("MF_DC_DATA: ") + kDcExampleHex + "AB "});

  Rendering absent = RenderAbsent(RenderDcData, 22);
  EXPECT_EQ(absent.Tree(), "MF_DC_DATA: ???\n");
  EXPECT_EQ(absent.lines, Lines{"MF_DC_DATA: ???"});
}

// ---- MF_ONLINE_CARD_RANGES --------------------------------------------------------

TEST(OnlineCardRanges, ListsWholeRangesOfEveryItemUnderEachHeader) {
  Bytes ten = CardRange(100, 199, 3);
  ten.push_back(0xFF);  // not a whole range
  Rendering one = RenderValue(RenderOnlineCardRanges, 35, ten);
  EXPECT_EQ(one.Tree(), "MF_ONLINE_CARD_RANGES\n  100-199:3\n");
  EXPECT_EQ(one.lines, (Lines{"MF_ONLINE_CARD_RANGES", "100-199:3"}));  // returns directly: no empty string

  Bytes message = TlvBuilder()
                      .Item(35, CardRange(1, 2, 0))
                      .Byte(2, 8)
                      .Item(35, CardRange(4000000000u, 4294967295u, 255))
                      .WithRoot();
  Rendering two = RenderMessage(RenderOnlineCardRanges, 35, message);
  EXPECT_EQ(two.Tree(),
            "MF_ONLINE_CARD_RANGES\n  1-2:0\n  4000000000-4294967295:255\n"
            "MF_ONLINE_CARD_RANGES\n  1-2:0\n  4000000000-4294967295:255\n");
  EXPECT_EQ(two.lines.size(), 6u);

  Rendering empty = RenderValue(RenderOnlineCardRanges, 35, B({1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(empty.Tree(), "MF_ONLINE_CARD_RANGES\n");
}

// ---- token lists -------------------------------------------------------------------

TEST(TokenLists, ListTokensWithTheirCodes) {
  Token a{};
  for (int i = 0; i < 16; ++i) a[i] = static_cast<std::uint8_t>(i);
  Bytes list = Join({TokenRecord(0, a), TokenRecord(200, CountingToken(0xF0))});
  Rendering r = RenderValue(RenderCommitTokensList, 48, list);
  const std::string expected =
      "MF_COMMIT_CR_TRZ_TOKENS_LIST: 030201000504070608090A0B0C0D0E0F (0),F3F2F1F0F5F4F7F6F8F9FAFBFCFDFEFF (200)";
  EXPECT_EQ(r.Tree(), expected + "\n");
  EXPECT_EQ(r.lines, Lines{expected});

  Rendering rollback = RenderValue(RenderRollbackTokensList, 49, TokenRecord(5, a));
  EXPECT_EQ(rollback.lines, Lines{"MF_ROLLBACK_CR_TRZ_TOKENS_LIST: 030201000504070608090A0B0C0D0E0F (5)"});
}

TEST(TokenLists, SingleCodeEmptyListAndBadSizes) {
  EXPECT_EQ(RenderValue(RenderCommitTokensList, 48, {}).lines, Lines{"MF_COMMIT_CR_TRZ_TOKENS_LIST: "});
  EXPECT_EQ(RenderValue(RenderCommitTokensList, 48, B({0x05})).lines,
            Lines{"MF_COMMIT_CR_TRZ_TOKENS_LIST: 5 Неизвестная ошибка"});
  EXPECT_EQ(RenderValue(RenderRollbackTokensList, 49, B({0x00})).lines,
            Lines{"MF_ROLLBACK_CR_TRZ_TOKENS_LIST: 0 Успешное выполнение"});
  // The single code is hexadecimal without leading zeros.
  EXPECT_EQ(RenderValue(RenderCommitTokensList, 48, B({0x2C})).lines,
            Lines{"MF_COMMIT_CR_TRZ_TOKENS_LIST: 2C Обслужить карту как А"});
  EXPECT_EQ(RenderValue(RenderCommitTokensList, 48, B({1, 2})).lines,
            Lines{"MF_COMMIT_CR_TRZ_TOKENS_LIST: invalid size, 2"});
  EXPECT_EQ(RenderValue(RenderRollbackTokensList, 49, Bytes(18, 0)).Tree(),
            "MF_ROLLBACK_CR_TRZ_TOKENS_LIST: invalid size, 18\n");

  Rendering absent = RenderAbsent(RenderCommitTokensList, 48);
  EXPECT_EQ(absent.Tree(), "");
  EXPECT_EQ(absent.lines, Lines{""});
}

// ---- purse lists -------------------------------------------------------------------

std::string Grouped(const char* digits) {
  // A number grouped by threes with the locale's separator, written with blanks here.
  std::string out;
  for (const char* p = digits; *p; ++p) out += (*p == ' ') ? ThousandsSeparator() : std::string(1, *p);
  return out;
}

TEST(PurseActionList, ShowsFlagWordsInOrder) {
  struct {
    std::uint8_t flags;
    const char* words;
  } rows[] = {
      {0x00, "COMMON_LIMIT DAY_LIMIT PURSE_SCHEME "},
      {0x18, "COMMON_LIMIT PURSE_SCHEME "},
      {0x08, "COMMON_LIMIT MONTH_LIMIT PURSE_SCHEME "},
      {0x10, "COMMON_LIMIT PURSE_SCHEME "},
      {0x04, "DAY_LIMIT PURSE_SCHEME "},
      {0x20, "COMMON_LIMIT DAY_LIMIT LIMIT_SCHEME "},
      {0xFF, "ADD_PURSE DELETE_PURSE CHANGE_PURSE LIMIT_SCHEME PURSE_PROCESSED "},
      {0x43, "ADD_PURSE DELETE_PURSE CHANGE_PURSE COMMON_LIMIT DAY_LIMIT PURSE_SCHEME "},
  };
  for (const auto& row : rows) {
    Rendering r = RenderValue(RenderPurseActionList, 144, PurseAction(7, row.flags, 0, CountingToken(1)));
    EXPECT_EQ(r.lines, Lines{std::string("MF_PURSE_ACTION_LIST: [SERVICE_ID: 7 ") + row.words +
                             "LIMIT_VALUE: 0 GUID: 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 ] "})
        << int(row.flags);
  }
}

TEST(PurseActionList, GroupsEveryDigitOfTheLimitAndListsRecordsInOneText) {
  Bytes two = Join({PurseAction(1, 0x00, -1234567, CountingToken(0)),
                    PurseAction(255, 0x80, std::numeric_limits<std::int64_t>::min(), CountingToken(0x10))});
  Rendering r = RenderValue(RenderPurseActionList, 144, two);
  const std::string expected =
      "MF_PURSE_ACTION_LIST: [SERVICE_ID: 1 COMMON_LIMIT DAY_LIMIT PURSE_SCHEME LIMIT_VALUE: " + Grouped("-1 234 567") +
      " GUID: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ] "
      "[SERVICE_ID: 255 COMMON_LIMIT DAY_LIMIT PURSE_SCHEME PURSE_PROCESSED LIMIT_VALUE: " +
      Grouped("-9 223 372 036 854 775 808") + " GUID: 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F ] ";
  EXPECT_EQ(r.lines, Lines{expected});
  EXPECT_EQ(r.Tree(), expected + "\n");
}

TEST(PurseChangeTrnz, ShowsServiceFlagsSumDateAndGuid) {
  Bytes rec = PurseChange(CountingToken(0xA0), DateTime6(116, 4, 6, 9, 5, 0), 9223372036854775807LL, 12, 0x47);
  Rendering r = RenderValue(RenderPurseChangeTrnz, 145, rec);
  EXPECT_EQ(r.lines, Lines{"MF_PURSE_CHANGE_TRNZ: [SERVICE_ID: 12 ADD_PURSE DELETE_PURSE CHANGE_PURSE OP_PREFORMED SUM: " +
                           Grouped("9 223 372 036 854 775 807") +
                           " DATE: 2016-04-06 09:05:00.000 GUID: A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF ] "});
  Rendering none = RenderValue(RenderPurseChangeTrnz, 145,
                               PurseChange(CountingToken(0), DateTime6(100, 1, 2, 3, 4, 5), 0, 0, 0xB8));
  EXPECT_EQ(none.lines, Lines{"MF_PURSE_CHANGE_TRNZ: [SERVICE_ID: 0 SUM: 0 DATE: 2000-01-02 03:04:05.000 GUID: 00 01 02 "
                              "03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ] "});
}

TEST(PurseLists, BadLengthsGiveTheBarePrefixAndAbsenceGivesError) {
  for (std::size_t n : {0, 1, 25, 27, 51, 53}) {
    EXPECT_EQ(RenderValue(RenderPurseActionList, 144, Bytes(n, 0x11)).lines, Lines{"MF_PURSE_ACTION_LIST: "}) << n;
  }
  for (std::size_t n : {0, 35, 37, 71}) {
    EXPECT_EQ(RenderValue(RenderPurseChangeTrnz, 145, Bytes(n, 0x11)).Tree(), "MF_PURSE_CHANGE_TRNZ: \n") << n;
  }
  EXPECT_EQ(RenderAbsent(RenderPurseActionList, 144).lines, Lines{"MF_PURSE_ACTION_LIST: Error"});
  EXPECT_EQ(RenderAbsent(RenderPurseChangeTrnz, 145).Tree(), "MF_PURSE_CHANGE_TRNZ: Error\n");
}

// ---- MF_CREDIT_KEY_DATA ----------------------------------------------------------------

TEST(CreditKeyData, OneLinePerKeyUnderTheHeader) {
  Rendering r = RenderValue(RenderCreditKeyData, 209, Join({CreditKey(1101, 0x01), CreditKey(65535, 0xFE)}));
  EXPECT_EQ(r.Tree(), "MF_CREDIT_KEY_DATA\n  EMITENT: 1101, CREDIT: 1\n  EMITENT: 65535, CREDIT: 0\n");
  EXPECT_EQ(r.lines, (Lines{"MF_CREDIT_KEY_DATA", "EMITENT: 1101, CREDIT: 1", "EMITENT: 65535, CREDIT: 0", ""}));

  Rendering empty = RenderValue(RenderCreditKeyData, 209, {});
  EXPECT_EQ(empty.Tree(), "MF_CREDIT_KEY_DATA\n");
  EXPECT_EQ(empty.lines, (Lines{"MF_CREDIT_KEY_DATA", ""}));

  Rendering bad = RenderValue(RenderCreditKeyData, 209, Bytes(23, 0));
  EXPECT_EQ(bad.Tree(), "MF_CREDIT_KEY_DATA: Invalid size: 23\n");
  EXPECT_EQ(bad.lines, Lines{"MF_CREDIT_KEY_DATA: Invalid size: 23"});
}

// ---- MF_TARIFFS_HISTORY ----------------------------------------------------------------

TEST(TariffsHistory, TreeShowsEveryRecordWithItsChangeTime) {
  Bytes two = Join({TariffRecord(3, 4, 4294967295u, PackedChangeTime(2016, 4, 6, 13, 29, 48), 2, 513),
                    TariffRecord(0, 255, 1000, 0, 0, 0)});
  Rendering r = RenderValue(RenderTariffsHistory, 210, two);
  EXPECT_EQ(r.Tree(),
            "MF_TARIFFS_HISTORY\n"
            "  Record 1:\n"
            "    ServiceAquire: 3\n    ServiceGSU: 4\n    TariffValue: 4294967295\n"
            "    ChangeTime: 13:29:48 06-04-2016\n    ChangeType: 2\n    ChangeCounter: 513\n"
            "  Record 2:\n"
            "    ServiceAquire: 0\n    ServiceGSU: 255\n    TariffValue: 1000\n"
            "    ChangeTime: 00:00:00 00-00-1990\n    ChangeType: 0\n    ChangeCounter: 0\n");
}

TEST(TariffsHistory, ExportRepeatsTheHeaderAndLeavesOutTheChange) {
  Bytes two = Join({TariffRecord(3, 4, 70000, PackedChangeTime(2016, 4, 6, 13, 29, 48), 2, 513),
                    TariffRecord(5, 6, 7, 0, 0, 0)});
  Rendering r = RenderValue(RenderTariffsHistory, 210, two);
  EXPECT_EQ(r.lines, (Lines{"MF_TARIFFS_HISTORY", "ServiceAquire: 3", "ServiceGSU: 4", "TariffValue: 70000",
                            "MF_TARIFFS_HISTORY", "ServiceAquire: 5", "ServiceGSU: 6", "TariffValue: 7", ""}));
}

TEST(TariffsHistory, EmptyOrPartialValuesShowTheirSize) {
  for (std::size_t n : {0, 1, 12, 14, 25}) {
    Rendering r = RenderValue(RenderTariffsHistory, 210, Bytes(n, 0x21));
    const std::string text = "MF_TARIFFS_HISTORY: Invalid size: " + std::to_string(n);
    EXPECT_EQ(r.Tree(), text + "\n");
    EXPECT_EQ(r.lines, Lines{text});
  }
}

// ---- MF_CP_EMIT_RULES_DATA ---------------------------------------------------------------

TEST(CpEmitRulesData, ListsLittleEndianEmitents) {
  Rendering r = RenderValue(RenderCpEmitRulesData, 211, B({0x4D, 0x04, 0xFF, 0xFF, 0x00, 0x00}));
  EXPECT_EQ(r.Tree(), "MF_CP_EMIT_RULES_DATA\n  EMITENT: 1101\n  EMITENT: 65535\n  EMITENT: 0\n");
  EXPECT_EQ(r.lines, (Lines{"MF_CP_EMIT_RULES_DATA", "EMITENT: 1101", "EMITENT: 65535", "EMITENT: 0", ""}));

  EXPECT_EQ(RenderValue(RenderCpEmitRulesData, 211, {}).Tree(), "MF_CP_EMIT_RULES_DATA\n");
  Rendering odd = RenderValue(RenderCpEmitRulesData, 211, B({1, 2, 3}));
  EXPECT_EQ(odd.Tree(), "MF_CP_EMIT_RULES_DATA: Invalid size: 3\n");
  EXPECT_EQ(odd.lines, Lines{"MF_CP_EMIT_RULES_DATA: Invalid size: 3"});
  EXPECT_EQ(RenderAbsent(RenderCpEmitRulesData, 211).lines, Lines{""});
}

}  // namespace
}  // namespace pkt::test
