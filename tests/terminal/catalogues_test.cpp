#include <gtest/gtest.h>

#include <string>

#include "support/tlv_builder.h"
#include "terminal/catalogues.h"

namespace pkt {
namespace {

using test::B;
using test::Bytes;
using test::TlvBuilder;

TEST(MessageTypeName, EntriesAndDecimalFallback) {
  EXPECT_EQ(MessageTypeName(0), "0");
  EXPECT_EQ(MessageTypeName(22), "Транзакция на \"ручной\" дебет - запрос");
  EXPECT_EQ(MessageTypeName(24), "Ошибка");
  EXPECT_EQ(MessageTypeName(25), "25");
  EXPECT_EQ(MessageTypeName(45), "MT_TRANZ_LNR_REQUEST");
  EXPECT_EQ(MessageTypeName(46), "MT_TRANZ_LNR_REQUEST");
  EXPECT_EQ(MessageTypeName(136), "Инфо по карте ЛНР - ответ");
  EXPECT_EQ(MessageTypeName(137), "137");
  int named = 0;
  for (int id = 0; id < 256; ++id) named += MessageTypeName(std::uint8_t(id)) != std::to_string(id);
  EXPECT_EQ(named, 85);
}

TEST(ResponseCodeText, EntriesAndHexFallback) {
  EXPECT_EQ(ResponseCodeText(0), "Успешное выполнение");
  EXPECT_EQ(ResponseCodeText(37), "Неопознанная ошибка - 25");
  EXPECT_EQ(ResponseCodeText(70), "Не удалось загрузить мастер ключ(и) эмитента");
  EXPECT_EQ(ResponseCodeText(71), "Неопознанная ошибка - 47");
  EXPECT_EQ(ResponseCodeText(255), "Неопознанная ошибка - FF");
  int named = 0;
  for (int code = 0; code < 256; ++code)
    named += ResponseCodeText(std::uint8_t(code)).rfind("Неопознанная ошибка - ", 0) != 0;
  EXPECT_EQ(named, 67);
}

TEST(TokenText, GuidLayout) {
  std::uint8_t b[16];
  for (int i = 0; i < 16; ++i) b[i] = std::uint8_t(i);
  EXPECT_EQ(TokenText(b), "030201000504070608090A0B0C0D0E0F");
}

TEST(TransactionTokenText, TokenOrOneOfThreeFailureTexts) {
  Bytes token;
  for (int i = 0; i < 16; ++i) token.push_back(std::uint8_t(0xF0 + i));
  TTLVStorage s;
  Bytes msg = TlvBuilder()
                  .Item(50, token)
                  .Item(51, Bytes(15, 1))
                  .Item(52, Bytes(17, 1))
                  .Item(53, {})
                  .Item(50, Bytes(16, 0))  // a second token: only the first one counts
                  .Root(16)                // the root announces 16 bytes but holds none
                  .bytes();
  ASSERT_EQ(s.Parse(msg.data(), msg.size()), TLV_OK);
  EXPECT_EQ(TransactionTokenText(s, 50), "F3F2F1F0F5F4F7F6F8F9FAFBFCFDFEFF");
  EXPECT_EQ(TransactionTokenText(s, 51), "Invalid transaction token!");
  EXPECT_EQ(TransactionTokenText(s, 52), "Invalid transaction token!");
  EXPECT_EQ(TransactionTokenText(s, 53), "Invalid transaction token!");
  EXPECT_EQ(TransactionTokenText(s, 54), "Failed to retrieve transaction token!");
  EXPECT_EQ(TransactionTokenText(s, 0), "Failed to retrieve transaction token!");
  EXPECT_EQ(TransactionTokenText(s, 1), "Failed to extract transaction token from TLV!");
}

TEST(WeekDaysText, RangesAndNames) {
  // The four ranges and the plain concatenations that must stay as they are.
  EXPECT_EQ(WeekDaysText(0x3F), "Пн-Сб");
  EXPECT_EQ(WeekDaysText(0x7F), "Пн-Вс");
  EXPECT_EQ(WeekDaysText(0x3E), "Вт-Сб");
  EXPECT_EQ(WeekDaysText(0x7E), "Вт-Вс");
  EXPECT_EQ(WeekDaysText(0x05), "ПнСр");
  EXPECT_EQ(WeekDaysText(0x00), "");
  EXPECT_EQ(WeekDaysText(0x61), "ПнСбВс");  // Saturday to Monday does not wrap round
  // Bit 7 is ignored.
  EXPECT_EQ(WeekDaysText(0xFF), "Пн-Вс");
  EXPECT_EQ(WeekDaysText(0x85), "ПнСр");
  // Further runs: three days or more are a range, single and paired days names.
  EXPECT_EQ(WeekDaysText(0x1F), "Пн-Пт");
  EXPECT_EQ(WeekDaysText(0x1C), "Ср-Пт");
  EXPECT_EQ(WeekDaysText(0x01), "Пн");
  EXPECT_EQ(WeekDaysText(0x03), "ПнВт");
  EXPECT_EQ(WeekDaysText(0x60), "СбВс");
  EXPECT_EQ(WeekDaysText(0x1D), "ПнСрЧтПт");  // a gap: names, not "Пн" and a range
}

TEST(HexBytesText, EveryByteFollowedByABlank) {
  std::uint8_t b[] = {0x0A, 0xFF, 0x00};
  EXPECT_EQ(HexBytesText(b, 2), "0A FF ");
  EXPECT_EQ(HexBytesText(b, 3), "0A FF 00 ");
  EXPECT_EQ(HexBytesText(b, 0), "");
}

TEST(DecodeDateTime6, FieldsAsTheyStand) {
  std::uint8_t b[] = {116, 4, 6, 9, 5, 0};
  TSystemTime t = DecodeDateTime6(b);
  EXPECT_EQ(TimeStampText(t), "2016-04-06 09:05:00.000");
  EXPECT_EQ(t.wDayOfWeek, 0);
  // Nothing is validated: byte values pass through unchanged.
  std::uint8_t odd[] = {255, 13, 0, 99, 255, 61};
  EXPECT_EQ(TimeStampText(DecodeDateTime6(odd)), "2155-13-00 99:255:61.000");
}

}  // namespace
}  // namespace pkt
