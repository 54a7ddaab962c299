// Conditions on the fields of generated terminal messages: codes, numbers,
// decimals, texts and bytes, at the top of the message and inside nested
// messages. The rows each condition accepts are written down as data, as the
// find dialog has always answered them.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "logs/fastlog.h"
#include "match/match.h"
#include "terminal/fields/renderer.h"
#include "open_log.h"
#include "support/record_builder.h"
#include "support/tlv_builder.h"

namespace pkt {
namespace {

using namespace test;

// Chooses the fields of the messages; the raw numbers of the standard
// Mersenne twister are the same on every platform.
class MessageMaker {
 public:
  Bytes Message() {
    TlvBuilder t;
    const bool nestedFirst = Pick(2) == 0;
    if (nestedFirst && Pick(2) == 0) t.Nested(34, CardRecord());
    if (Pick(4) != 0) {
      static constexpr std::uint8_t kTypes[] = {1, 8, 9, 22, 45, 46, 200};
      t.Byte(2, kTypes[Pick(std::size(kTypes))]);
    } else if (Pick(2) == 0) {
      t.Word(2, 0x0808);  // a type of the wrong width is left out
    }
    if (Pick(3) != 0) t.Item(31, ResponseCode());
    if (Pick(3) != 0) Pick(6) == 0 ? t.Item(8, B({0xAB, 0x12})) : t.Bcd(8, Digits(1 + Pick(20)));
    if (Pick(3) != 0) t.Bcd(29, Digits(1 + Pick(12)));
    if (Pick(3) == 0) t.Bcd(27, Digits(1 + Pick(10)));
    if (Pick(3) != 0) {
      static constexpr std::uint32_t kNumbers[] = {0, 77, 0xFFFFFFFF, 123456789};
      t.DWord(3, kNumbers[Pick(std::size(kNumbers))]);
    }
    if (Pick(3) == 0) t.DWord(65, Pick(2) == 0 ? 0xFFFFFFF6 : 5);  // -10 or 5
    if (Pick(3) == 0) Pick(5) == 0 ? t.Word(129, 1) : t.Byte(129, static_cast<std::uint8_t>(Pick(10)));
    if (Pick(3) == 0) t.Byte(80, static_cast<std::uint8_t>(Pick(128)));
    if (Pick(3) == 0) {
      static constexpr const char* kTracks[] = {"12345", "007", "=1234", "ABC", "20.30"};
      t.Str(45, kTracks[Pick(std::size(kTracks))]);
    }
    if (Pick(4) == 0) t.Item(156, Pick(2) == 0 ? B({0x12, 0x34}) : B({0xAB, 0x01}));
    if (Pick(4) == 0) t.Nested(67, TlvBuilder().Item(31, ResponseCode()).DWord(3, 77));
    if (!nestedFirst && Pick(2) == 0) t.Nested(34, CardRecord());
    return t.WithRoot();
  }

 private:
  unsigned Pick(unsigned n) { return static_cast<unsigned>(rng_() % n); }
  std::string Digits(unsigned n) {
    std::string d;
    for (unsigned i = 0; i < n; ++i) d += static_cast<char>('0' + Pick(10));
    return d;
  }
  Bytes ResponseCode() {
    static constexpr int kCodes[] = {0x00, 0x05, 0x10, 0x1F, 0xAB, 0xF0};
    return Pick(6) == 0 ? B({0x1F, 0x1F}) : B({kCodes[Pick(std::size(kCodes))]});
  }
  // A card record: a card number, a terminal, and at times a service record nested in it.
  TlvBuilder CardRecord() {
    TlvBuilder t;
    t.Bcd(8, Digits(1 + Pick(20))).Word(10, static_cast<std::uint16_t>(Pick(2) == 0 ? 2914 : Pick(3000)));
    if (Pick(2) == 0) t.Nested(67, TlvBuilder().DWord(3, static_cast<std::uint32_t>(Pick(100))));
    return t;
  }

  std::mt19937 rng_{20260417};
};

constexpr std::uint32_t kMessages = 64;

class FieldConditions : public ::testing::Test {
 protected:
  static Bytes Log() {
    MessageMaker maker;
    Bytes log;
    for (std::uint32_t i = 0; i < kMessages; ++i)
      Append(log, TerminalRecord().Kind(0).Emitent(1).Terminal(7).Body(TerminalFrame(i, maker.Message())).Build());
    return log;
  }
  // One character a row: 1 where the condition holds.
  std::string Accepted(const std::string& condition) const {
    const TMatcher matcher(condition, TLogFamily::Terminal);
    std::string rows;
    for (std::uint32_t row = 0; row < kMessages; ++row) rows += matcher.Holds(log.Packet(row)) ? '1' : '0';
    return rows;
  }
  OpenLog<TTerminalFastLog> log{Log()};
};

struct TCondition {
  const char* text;
  const char* rows;
};

// Every condition accepts the rows it has always accepted (MF_TYPE_ID == 45 below).
constexpr TCondition kConditions[] = {
    {"MF_TYPE_ID == 8", "0000000000001000000000000000000000000000000000000000000000000000"},
    {"MF_TYPE_ID >= 22", "0011001010110101010010111001101110000111010001101001011100000101"},
    {"MF_TYPE_ID < 8.5", "0000000000001000001000000100000001000000100000000010000000000000"},
    {"MF_TYPE_ID != 200", "0011001000111111001011110111101111010111100001001011010000000100"},
    {"MF_TYPE_ID == \"MT_TRANZ_LNR_REQUEST\"", "0011001000100000000000010001100100000001000001000000000000000000"},
    {"MF_TYPE_ID contains \"дебет\"", "0000000000011111000011100010001010010110000000001001010000000100"},
    {"MF_TYPE_ID == \"200\"", "0000000010000000010000001000000000000000010000100000001100000001"},
    {"MF_TYPE_ID == 200.0", "0000000010000000010000001000000000000000010000100000001100000001"},
    {"MF_TRZ_RESPCODE == 31", "0001001000000000000000000000000000000000000000000011000100001000"},
    {"MF_TRZ_RESPCODE < 16", "0000000100000010100000000001101100000000000010001000001000000001"},
    {"MF_TRZ_RESPCODE >= 171", "0000000000000000001001110100000010011001111000010000010011000100"},
    {"MF_TRZ_RESPCODE matches \"^1F \"", "0001001000000000000000000000000000000000000000000011000100001000"},
    {"MF_TRZ_RESPCODE contains \"Неопознанная\"", "0000000000000000001001110100000010011001111000010000010011000100"},
    {"MF_TRZ_RESPCODE == \"10\"", "0000000000000000000000000000000000000000000000000000000000000000"},
    {"MF_TRZ_RESPCODE != 16", "0001001100000010101001110101101110011001111010011011011111001101"},
    {"MF_CARD_ID > 50000000000000000000", "0000000000000000000000000001000000000000000000000000000000000000"},
    {"MF_CARD_ID <= 999999", "1011110101110100001000001000100101111111100010001000000001100001"},
    {"MF_CARD_ID == \"0\"", "0000000000000000000000000000000000000000000000000000000000000000"},
    {"MF_CARD_ID == 0", "0000000000000000000000000000000000000000000000000000000000000000"},
    {"MF_CARD_ID matches \"^7\"", "0001000000000001010000001000010000000000011000000000000100000000"},
    {"MF_CARD_ID != 1", "0111111111111101111101111101111111111110111011111101110111111101"},
    {"MF_CARD_ID contains 5", "0101001011001001110100010001000010000000001001101101010110011001"},
    {"MF_TRZ_SUM >= 1000.5", "0000011001000001000000001010101011010110000100000000100001110010"},
    {"MF_TRZ_SUM < 1", "0000000000100110001001100000000000101000101001101011010100000000"},
    {"MF_TRZ_SUM == 0", "0000000000100110000001000000000000101000100001100010010000000000"},
    {"MF_TRZ_SUM contains \".0\"", "0100001000100110000001000001000000101000111001100011010100100000"},
    {"MF_TRZ_SUM == \"0.00\"", "0000000000100110000001000000000000101000100001100010010000000000"},
    {"MF_TRZ_AMOUNT > 10.005", "0000000000010000001000001000000000000101100110001000000000000001"},
    {"MF_TRZ_AMOUNT <= 0.01", "0000000000001000100000000000000100000000000000000100000000001000"},
    {"MF_TRN_NUMBER == 77", "1001000001000010000000000000000000000000000010010000000010100100"},
    {"MF_TRN_NUMBER > 4294967294", "0000011100010000000000000000000011100011000000000000100100010000"},
    {"MF_TRN_NUMBER < 0", "0000000000000000000000000000000000000000000000000000000000000000"},
    {"MF_TRN_NUMBER == 77.00", "1001000001000010000000000000000000000000000010010000000010100100"},
    {"MF_MANUAL_AUTHORIZATION_CODE < 0", "1001000000100000011001001000000000001000100100110000000010100001"},
    {"MF_MANUAL_AUTHORIZATION_CODE == -10", "1001000000100000011001001000000000001000100100110000000010100001"},
    {"MF_TRZ_PURSE_SCHEME == 2", "0000100000000000100000000000000000000000000000000000000000000000"},
    {"MF_TRZ_PURSE_SCHEME > 7", "0000000000000000000000000000000000010000000000100000000000000000"},
    {"MF_TRZ_PURSE_SCHEME == \"ЭКП\"", "0000100000000000100000000000000000000000000000000000000000000000"},
    {"MF_TRZ_PURSE_SCHEME == \"???\"", "0000000000000010000000000001000000000100000010000000000000000000"},
    {"MF_TRZ_PURSE_SCHEME != 0", "0000100000010110100000010011011000010100010010100000010100000010"},
    {"MF_TRZ_PURSE_SCHEME < 100", "0000100000010100100000010010011000110000010000100000010100000010"},
    {"MF_ACTIVE_DAYS == 3", "0000000000000000000000000000000000000000000000000000000000000000"},
    {"MF_ACTIVE_DAYS != 3", "1001000100101000001000110001110110101111000010010000000000001110"},
    {"MF_ACTIVE_DAYS contains \"Пн\"", "0001000100000000000000000001100000000010000010000000000000000110"},
    {"MF_ACTIVE_DAYS > 0", "0000000000000000000000000000000000000000000000000000000000000000"},
    {"MF_TRACK1 == 12345", "0010000000000000000010001000000000000000000010000000000000100000"},
    {"MF_TRACK1 > 100", "0010000000000000000010001000000000000000000010000000000000100000"},
    {"MF_TRACK1 == \"ABC\"", "0001000000000000000000000000000000010000001000000000000000000001"},
    {"MF_TRACK1 == 7", "1000000000000000000000100000001000000100000000100000000011000000"},
    {"MF_TRACK1 != 20.3", "1011000010010000000010101000001000010101001010101000000111100001"},
    {"MF_CERT_DATA contains \"AB\"", "0010000001000010000110100000100000010110001000000100000000000010"},
    {"MF_CERT_DATA == 1234", "0000000000000000000000000000000000000000000000000000000000000000"},
    {"MF_CERT_DATA != 1234", "0010010001000010000111100010100000010111001001000100010000000010"},
    {"MF_TERMINAL_ID >= 2000", "1000110110000100110001100001010010000001000010100000110111100001"},
    {"MF_TERMINAL_ID == 2914", "1000110110000100010001100001010010000001000010000000110110100001"},
    {"MF_EXTENDED_CARD_DATA and MF_ROOT", "1010110110100100110001100101010010000011001010101000110111100001"},
    {"MF_SERVICE_INFO", "0001100010000000100000100001110110100000001010101000010001100100"},
    {"MF_TYPE_ID and not MF_TRZ_RESPCODE", "0010000010111100010010001010000001000110000001100000000000000000"},
    {"MF_CARD_ID and not MF_EXTENDED_CARD_DATA", "0101001001011001001100011000101101111100110001010101000000011100"},
};

TEST_F(FieldConditions, AcceptTheRowsTheyAlwaysAccepted) {
  for (const TCondition& c : kConditions) EXPECT_EQ(Accepted(c.text), c.rows) << c.text;
}

// A message type compares by its own code, also where two types share a name
// (45 and 46 are both "MT_TRANZ_LNR_REQUEST"; their name used to stand for 45 alone).
TEST_F(FieldConditions, MessageTypesOfOneNameKeepTheirCodes) {
  EXPECT_EQ(Accepted("MF_TYPE_ID == 45"), "0010000000000000000000010000100000000001000000000000000000000000");
  EXPECT_EQ(Accepted("MF_TYPE_ID == 46"), "0001001000100000000000000001000100000000000001000000000000000000");
  EXPECT_EQ(Accepted("MF_TYPE_ID == \"MT_TRANZ_LNR_REQUEST\""), Accepted("MF_TYPE_ID == 45 or MF_TYPE_ID == 46"));
}

// A card number this deep in messages nested in one another, and an item
// after it (in the message at the top) that holds a second card number.
Bytes CardNestedIn(int levels, std::string_view card) {
  TlvBuilder inner = TlvBuilder().Bcd(8, card);
  for (int i = 0; i < levels; ++i) inner = TlvBuilder().Nested(67, inner);
  return inner.WithRoot();
}

// The typed values find a field where the tree shows it: inside nested
// messages down to the tree's depth, in the first MF_EXTENDED_CARD_DATA
// wherever it is repeated, and under each tag that carries the name.
TEST(NestedFieldConditions, FindTheFieldsTheTreeShows) {
  const Bytes twoCardRecords = TlvBuilder()
                                   .Nested(34, TlvBuilder().Word(10, 1))
                                   .Nested(34, TlvBuilder().Bcd(8, "99").Word(10, 2))
                                   .WithRoot();
  const Bytes secondCertificate = TlvBuilder().Item(159, B({0xAB, 0x01})).WithRoot();
  Bytes log;
  for (const Bytes& message : {CardNestedIn(kMaxFieldNesting, "4455"), CardNestedIn(kMaxFieldNesting + 1, "4455"),
                               twoCardRecords, secondCertificate})
    Append(log, TerminalRecord().Kind(0).Body(TerminalFrame(1, message)).Build());
  const OpenLog<TTerminalFastLog> opened(log);
  auto holds = [&](const std::string& expr, std::uint32_t row) { return opened.Holds(expr, row); };
  EXPECT_TRUE(holds("MF_CARD_ID == 4455 and \"4455\" and MF_CARD_ID", 0));
  EXPECT_FALSE(holds("MF_CARD_ID == 4455 or \"4455\" or MF_CARD_ID", 1));
  // The tree shows the first card record under both items.
  EXPECT_TRUE(holds("MF_TERMINAL_ID == 1 and not MF_CARD_ID and not \"99\"", 2));
  EXPECT_TRUE(holds("MF_CERT_DATA and MF_CERT_DATA contains \"AB\"", 3));
}

}  // namespace
}  // namespace pkt
