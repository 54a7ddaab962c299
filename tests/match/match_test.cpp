// The match expression against records made by the builders: its grammar and
// precedence, exact numbers of any length, catalogue codes, absent fields and
// the messages of a bad expression.
#include <gtest/gtest.h>

#include "iso8583/sample_messages.h"
#include "logs/fastlog.h"
#include "match/find_rows.h"
#include "match/match.h"
#include "open_log.h"
#include "support/record_builder.h"
#include "support/tlv_builder.h"
#include "terminal/catalogues.h"

namespace pkt {
namespace {

using namespace test;

// A debit request: type 8, transaction 77, a twenty-digit card, sum 20.30,
// response code 0x1F, and after them a nested card record holding a second
// card number and a terminal number.
Bytes Request() {
  const Bytes tlv = TlvBuilder()
                        .Byte(2, 8)
                        .DWord(3, 77)
                        .Bcd(8, "78260103617117487373")
                        .Bcd(29, "203000")
                        .Byte(31, 0x1F)
                        .Nested(34, TlvBuilder().Bcd(8, "11112222333344445555").Word(10, 2914))
                        .WithRoot();
  return TerminalRecord().Kind(0).Emitent(1101).Terminal(7).Address("10.0.0.5:4000").Body(TerminalFrame(5, tlv)).Build();
}
Bytes Connect() { return TerminalRecord().Kind(6).Emitent(1101).Terminal(8).Build(); }
Bytes Answer(std::uint8_t code) {
  const Bytes tlv = TlvBuilder().Byte(2, 9).Byte(31, code).WithRoot();
  return TerminalRecord().Kind(1).Emitent(1101).Terminal(7).Body(TerminalFrame(6, tlv)).Build();
}

class TerminalMatch : public ::testing::Test {
 protected:
  OpenLog<TTerminalFastLog> log{Join({Request(), Connect(), Answer(0)})};
  bool Holds(const std::string& expr, std::uint32_t row = 0) const {
    return TMatcher(expr, TLogFamily::Terminal).Holds(log.Packet(row));
  }
};

TEST_F(TerminalMatch, PrecedenceNotThenAndThenOr) {
  EXPECT_TRUE(Holds("emitent == 1101 or emitent == 5 and terminal == 99"));
  EXPECT_FALSE(Holds("(emitent == 1101 or emitent == 5) and terminal == 99"));
  EXPECT_TRUE(Holds("not emitent == 5 and terminal == 7"));
  EXPECT_FALSE(Holds("not (emitent == 1101 and terminal == 7)"));
  EXPECT_TRUE(Holds("!(terminal == 8) && terminal >= 7 || kind == \"nothing\""));
  EXPECT_TRUE(Holds("not not kind"));
  EXPECT_TRUE(Holds("kind == \"Входящий\" and time"));
}

TEST_F(TerminalMatch, CellsByTheirListTexts) {
  EXPECT_TRUE(Holds("address == \"10.0.0.5:4000\" and number == 5 and size > 16"));
  // Number cells compare the same whole or with a fraction, padded or signed.
  EXPECT_TRUE(Holds("emitent == 01101 and emitent == 1101.00 and emitent != -1101 and emitent > -5"));
  EXPECT_TRUE(Holds("number < 6 and number >= 5.0 and number <= 5 and not (number > 5)"));
  EXPECT_TRUE(Holds("emitent < 99999999999999999999 and emitent contains 110 and emitent matches \"^1101$\""));
  EXPECT_TRUE(Holds("time contains \"2016-04-06 13:29:48\""));
  EXPECT_TRUE(Holds("time matches \"^2016-04-\\d\\d \""));
  // A connect record has no message: its number and size cells are empty, so absent.
  EXPECT_FALSE(Holds("number", 1));
  EXPECT_FALSE(Holds("number != 5", 1));
  EXPECT_TRUE(Holds("not number", 1));
  EXPECT_TRUE(TMatcher("emitent == 1 or (kind and size)", TLogFamily::Terminal).UsesOnlyCells());
  EXPECT_FALSE(TMatcher("emitent == 1 or MF_TYPE_ID", TLogFamily::Terminal).UsesOnlyCells());
  EXPECT_FALSE(TMatcher("\"text\"", TLogFamily::Terminal).UsesOnlyCells());
}

TEST_F(TerminalMatch, NumbersCompareExactlyAtAnyLength) {
  EXPECT_TRUE(Holds("MF_CARD_ID == 78260103617117487373"));
  EXPECT_FALSE(Holds("MF_CARD_ID == 78260103617117487374"));
  EXPECT_TRUE(Holds("MF_CARD_ID != 78260103617117487374"));
  EXPECT_TRUE(Holds("MF_CARD_ID > 78260103617117487372 and MF_CARD_ID < 78260103617117487374"));
  EXPECT_TRUE(Holds("MF_CARD_ID == \"78260103617117487373\""));
  EXPECT_TRUE(Holds("MF_TRZ_SUM == 20.3 and MF_TRZ_SUM == 20.30 and MF_TRZ_SUM == 0020.300"));
  EXPECT_TRUE(Holds("MF_TRZ_SUM < 100 and MF_TRZ_SUM > -100 and MF_TRZ_SUM <= 20.3 and MF_TRZ_SUM >= 20.3"));
  EXPECT_FALSE(Holds("MF_TRZ_SUM > 20.3 or MF_TRZ_SUM < 20.3"));
  EXPECT_FALSE(Holds("MF_TRZ_SUM == \"20.3\""));  // a string compares the shown text
  EXPECT_TRUE(Holds("MF_TRN_NUMBER == 77 and MF_TRN_NUMBER contains 7"));
  // Ordering a text that is not a number is false both ways.
  EXPECT_FALSE(Holds("address < 5 or address >= 5"));
}

TEST(Decimal, ComparesSignsScalesAndLeadingZeros) {
  auto cmp = [](const char* a, const char* b) { return Compare(*TDecimal::Parse(a), *TDecimal::Parse(b)); };
  EXPECT_EQ(cmp("-12", "-11.5"), -1);
  EXPECT_EQ(cmp("-0", "0.000"), 0);
  EXPECT_EQ(cmp("007", "7"), 0);
  EXPECT_EQ(cmp("0.5", "0.45"), 1);
  EXPECT_EQ(cmp("-0.5", "-0.45"), -1);
  EXPECT_EQ(cmp("100000000000000000000000000001", "100000000000000000000000000000"), 1);
  for (const char* bad : {"", "-", "1.", ".5", "1e5", "1,5", " 1", "--1", "0x10"}) EXPECT_FALSE(TDecimal::Parse(bad)) << bad;
}

TEST_F(TerminalMatch, CatalogueFieldsCompareByCodeAndByText) {
  EXPECT_TRUE(Holds("MF_TYPE_ID == 8 and MF_TYPE_ID == \"Транзакция на дебет - запрос\""));
  EXPECT_TRUE(Holds("MF_TYPE_ID != 9 and MF_TYPE_ID > 7 and MF_TYPE_ID < 9"));
  EXPECT_TRUE(Holds("MF_TRZ_RESPCODE == 31 and MF_TRZ_RESPCODE matches \"^1F \""));
  EXPECT_TRUE(Holds("MF_TRZ_RESPCODE == 0", 2));
  EXPECT_TRUE(Holds("MF_TRZ_RESPCODE contains \"Успешное выполнение\"", 2));
  EXPECT_FALSE(Holds("MF_TRZ_RESPCODE > 0", 2));
  EXPECT_EQ(MessageTypeName(9) != "9", Holds("MF_TYPE_ID == 9", 2));
}

TEST_F(TerminalMatch, AbsentFieldsMakeEveryComparisonFalse) {
  // The answer has no card number.
  EXPECT_FALSE(Holds("MF_CARD_ID == 1", 2));
  EXPECT_FALSE(Holds("MF_CARD_ID != 1", 2));
  EXPECT_FALSE(Holds("MF_CARD_ID contains \"\"", 2));
  EXPECT_TRUE(Holds("not (MF_CARD_ID == 1)", 2));
  EXPECT_TRUE(Holds("not MF_CARD_ID", 2));
  EXPECT_TRUE(Holds("MF_CARD_ID"));
  // A record without a message has no fields at all.
  EXPECT_FALSE(Holds("MF_TYPE_ID or MF_ROOT", 1));
}

TEST_F(TerminalMatch, FirstNodeInTreeOrderAndFreeText) {
  // The message's own card number comes before the nested record's; a
  // number only the nested record holds is found inside it.
  EXPECT_FALSE(Holds("MF_CARD_ID == 11112222333344445555"));
  EXPECT_TRUE(Holds("MF_TRN_NUMBER == 77"));
  EXPECT_TRUE(Holds("MF_EXTENDED_CARD_DATA and MF_TERMINAL_ID == 2914 and \"11112222333344445555\""));
  EXPECT_TRUE(Holds("MF_EXTENDED_CARD_DATA and MF_ROOT"));  // nodes whose whole text is the name
  EXPECT_TRUE(Holds("\"78260103617117487373\" and \"10.0.0.5\" and \"Входящий\""));
  EXPECT_FALSE(Holds("\"no such text\""));
}

TEST_F(TerminalMatch, FindsRowsBothWaysWrappingAndCountsThem) {
  // Rows: 0 request, 1 connect, 2 answer; "kind" matches every row, "size" rows 0 and 2.
  const std::atomic<bool> go{false};
  TTerminalFastLog& l = log.Log();
  const TMatcher sized("size", TLogFamily::Terminal);
  auto find = [&](std::optional<std::uint32_t> from, bool backward) {
    const TFoundRow f = FindRow(l, sized, from, backward, go);
    return std::make_pair(f.row.value_or(99), f.wrapped);
  };
  EXPECT_EQ(find(std::nullopt, false), std::make_pair(0u, false));
  EXPECT_EQ(find(std::nullopt, true), std::make_pair(2u, false));
  EXPECT_EQ(find(0, false), std::make_pair(2u, false));
  EXPECT_EQ(find(2, false), std::make_pair(0u, true));
  EXPECT_EQ(find(2, true), std::make_pair(0u, false));
  EXPECT_EQ(find(0, true), std::make_pair(2u, true));
  EXPECT_EQ(find(1, true), std::make_pair(0u, false));
  EXPECT_FALSE(FindRow(l, TMatcher("MF_CARD_IN_BL", TLogFamily::Terminal), 0, false, go).row);
  EXPECT_EQ(CountMatches(l, sized, go, 2), 2u);
  EXPECT_EQ(CountMatches(l, TMatcher("kind", TLogFamily::Terminal), go), 3u);
  const std::atomic<bool> stop{true};
  EXPECT_EQ(CountMatches(l, sized, stop), std::nullopt);
}

TEST(MatchErrors, NameTheUnknownNameOrThePosition) {
  auto message = [](const std::string& expr, TLogFamily family = TLogFamily::Terminal) {
    try {
      TMatcher m(expr, family);
    } catch (const MatchError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message("kind and MF_CARD_IDX == 1"), "Неизвестное имя \"MF_CARD_IDX\", позиция 10");
  EXPECT_EQ(message("host == 1"), "Неизвестное имя \"host\", позиция 1");
  EXPECT_EQ(message("emitent == 1", TLogFamily::H2H), "Неизвестное имя \"emitent\", позиция 1");
  EXPECT_EQ(message("P0129", TLogFamily::H2H), "Неизвестное имя \"P0129\", позиция 1");
  EXPECT_EQ(message("\"ё\" and MTI"), "Неизвестное имя \"MTI\", позиция 9");  // characters, not bytes
  EXPECT_EQ(message(""), "Ошибка в выражении, позиция 1: выражение пусто");
  EXPECT_EQ(message("kind =="), "Ошибка в выражении, позиция 8: ожидалось значение: число или строка в кавычках");
  EXPECT_EQ(message("kind == Входящее"), "Ошибка в выражении, позиция 9: неожиданный символ");
  EXPECT_EQ(message("(kind"), "Ошибка в выражении, позиция 6: ожидалась \")\"");
  EXPECT_EQ(message("kind)"), "Ошибка в выражении, позиция 5: лишняя \")\"");
  EXPECT_EQ(message("kind time"), "Ошибка в выражении, позиция 6: ожидалось \"and\" или \"or\"");
  EXPECT_EQ(message("kind == \"abc"), "Ошибка в выражении, позиция 9: строка не закрыта кавычкой");
  EXPECT_EQ(message("kind = 1"), "Ошибка в выражении, позиция 6: ожидалось \"==\"");
  EXPECT_EQ(message("size == 12x"), "Ошибка в выражении, позиция 9: неверное число");
  EXPECT_EQ(message("kind & time"), "Ошибка в выражении, позиция 6: ожидалось \"&&\"");
  EXPECT_EQ(message("and"), "Ошибка в выражении, позиция 1: ожидалось имя поля, строка в кавычках или \"(\"");
  EXPECT_TRUE(message("kind matches \"(\"").starts_with("Ошибка в выражении, позиция 14: неверное регулярное выражение"));
  EXPECT_EQ(message(std::string(5000, '(') + "kind" + std::string(5000, ')')).find("слишком глубокая вложенность") !=
                std::string::npos,
            true);
  EXPECT_EQ(message(std::string(5000, '!') + "kind").find("слишком глубокая вложенность") != std::string::npos, true);
}

TEST(HostMatch, IsoListingFieldsAndTlvFields) {
  Bytes iso = SampleBfkoResponse();
  Bytes body;
  PutBE32(body, static_cast<std::uint32_t>(iso.size()));
  Append(body, iso);
  const Bytes tlv = TlvBuilder().Byte(2, 8).DWord(3, 91).WithRoot();
  OpenLog<TH2HFastLog> log(Join({HostRecord().Kind(13).Body(body).Build(),
                                 HostRecord().Kind(0).Body(HostFrame(3, tlv)).Build()}));
  auto holds = [&](const std::string& expr, std::uint32_t row) {
    return TMatcher(expr, TLogFamily::H2H).Holds(log.Packet(row));
  };
  EXPECT_TRUE(holds("MTI == \"0210\" and MTI == 210", 0));
  EXPECT_TRUE(holds("P0002 == 4000001234567899 and P0003-01 == \"000\" and P0048-36 == 79001234567", 0));
  EXPECT_TRUE(holds("P0041 == \"TERM0001\" and not P0005 and host matches \"^(AB)+$\"", 0));
  EXPECT_FALSE(holds("MF_TRN_NUMBER", 0));
  EXPECT_TRUE(holds("MF_TRN_NUMBER == 91 and number == 3 and not MTI", 1));

  TFieldValues fields({"MTI", "P0003-02", "P0005", "kind"}, TLogFamily::H2H);
  const auto values = fields.Of(log.Packet(0));
  ASSERT_EQ(values.size(), 4u);
  EXPECT_EQ(values[0], "0210");
  EXPECT_EQ(values[1], "00");
  EXPECT_EQ(values[2], std::nullopt);
  EXPECT_TRUE(values[3].has_value());
  EXPECT_THROW(TFieldValues({"MF_NOPE"}, TLogFamily::H2H), MatchError);
}

}  // namespace
}  // namespace pkt
