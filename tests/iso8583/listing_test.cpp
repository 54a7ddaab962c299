#include <gtest/gtest.h>

#include <random>
#include <string>

#include "iso8583/iso8583.h"
#include "iso8583/sample_messages.h"

namespace pkt {
namespace {

using test::Bytes;

TEST(IsoListing, RealisticBfkoResponse) {
  Bytes msg = test::SampleBfkoResponse();
  const char* expected =
      "Message hex dump:\n"
      "0000 30 30 30 30 30 30 30 31 30 32 31 30 46 32 33 38   000000010210F238\n"
      "0010 30 30 30 30 30 45 38 31 38 30 30 30 30 30 30 30   00000E8180000000\n"
      "0020 30 30 30 30 30 30 38 30 30 30 30 30 31 36 34 30   0000008000001640\n"
      "0030 30 30 30 30 31 32 33 34 35 36 37 38 39 39 30 30   0000123456789900\n"
      "0040 30 30 30 30 30 30 30 30 30 30 30 30 31 32 33 34   0000000000001234\n"
      "0050 35 31 32 30 39 31 32 34 37 33 30 30 30 30 31 32   5120912473000012\n"
      "0060 33 31 32 34 37 33 30 31 32 30 39 36 33 34 33 31   3124730120963431\n"
      "0070 32 30 30 30 31 32 33 41 31 42 32 43 33 30 30 30   2000123A1B2C3000\n"
      "0080 30 30 30 38 54 45 52 4D 30 30 30 31 30 31 30 34   0008TERM00010104\n"
      "0090 4F 50 45 52 33 36 31 31 37 39 30 30 31 32 33 34   OPER361179001234\n"
      "00A0 35 36 37 32 37 30 34 41 30 30 31 36 34 33 30 30   5672704A00164300\n"
      "00B0 30 30 30 30 31 30 30 30 30 30 30 30 30 30 30 30   0000100000000000\n"
      "00C0 30 38 37 36 35 35 31                              0876551\n"
      "\n"
      "Message size 199\n"
      "Header 00000001\n"
      "Message type 0210\n"
      "P0002 PAN LEN=16 OFFS=46 '4000001234567899'\n"
      "P0003 Processing Code LEN=7 OFFS=62 '0000000'\n"
      "    P0003-01 Transaction code LEN=3 OFFS=62 '000'\n"
      "    P0003-02 From account type LEN=2 OFFS=65 '00'\n"
      "    P0003-03 To account type LEN=2 OFFS=67 '00'\n"
      "P0004 Amount transaction LEN=12 OFFS=69 '000000012345'\n"
      "P0007 Transmission date and time LEN=10 OFFS=81 '1209124730'\n"
      "P0011 Systems Trace Audit Number LEN=6 OFFS=91 '000123'\n"
      "P0012 Time, local transaction LEN=6 OFFS=97 '124730'\n"
      "P0013 Date, local transaction LEN=4 OFFS=103 '1209'\n"
      "P0037 Retrieval reference number LEN=12 OFFS=107 '634312000123'\n"
      "P0038 Authorization Identification Response LEN=6 OFFS=119 'A1B2C3'\n"
      "P0039 Response code LEN=5 OFFS=125 '00000'\n"
      "P0041 Card acceptor terminal id LEN=8 OFFS=132 'TERM0001'\n"
      "P0048 Message Control data LEN=31 OFFS=140 '0104OPER3611790012345672704A001'\n"
      "    P0048-01 User Login LEN=4 OFFS=140 'OPER'\n"
      "    P0048-36 Mobile Phone Number LEN=11 OFFS=148 '79001234567'\n"
      "    P0048-27 Action code LEN=4 OFFS=163 'A001'\n"
      "P0049 Trans Currency code LEN=3 OFFS=171 '643'\n"
      "P0105 Account balance data LEN=25 OFFS=174 '0000001000000000000876551'\n"
      "    P0105-01 Common balance LEN=12 OFFS=174 '000000100000'\n"
      "    P0105-02 Available balance LEN=12 OFFS=186 '000000087655'\n"
      "    P0105-03 Balance currency type LEN=1 OFFS=198 '1'\n";
  EXPECT_EQ(DecodeIso8583MsgToLog(msg.data(), msg.size()), expected);
  EXPECT_EQ(DecodeIsoMessage(IsoDialectOfKind(rkBfkoIncoming), msg.data(), msg.size()), expected);
}

TEST(IsoListing, RealisticHostToHostResponse) {
  Bytes msg = test::SampleH2hResponse();
  const char* expected =
      "Message hex dump:\n"
      "0000 31 31 31 30 F0 30 00 00 0E C1 82 00 00 00 00 00   1110.0..........\n"
      "0010 04 00 00 00 31 36 34 30 30 30 30 30 31 32 33 34   ....164000001234\n"
      "0020 35 36 37 38 39 39 30 30 30 30 30 30 30 30 30 30   5678990000000000\n"
      "0030 30 30 30 31 32 33 34 35 30 30 30 31 32 33 32 36   0001234500012326\n"
      "0040 31 32 30 39 31 32 34 37 33 30 36 33 34 33 31 32   1209124730634312\n"
      "0050 30 30 30 31 32 33 41 31 42 32 43 33 30 30 54 45   000123A1B2C300TE\n"
      "0060 52 4D 30 30 30 31 4D 45 52 43 48 41 4E 54 30 30   RM0001MERCHANT00\n"
      "0070 30 30 30 34 32 30 32 36 31 34 30 36 50 4C 30 30   000420261406PL00\n"
      "0080 30 31 31 39 31 32 30 30 30 30 30 30 30 31 32 33   0119120000000123\n"
      "0090 34 35 36 34 33 00 16 91 0A 1A 2B 3C 4D 5E 6F 70   45643.....+<M^op\n"
      "00A0 81 30 30 8A 02 30 30 32 30 34 30 38 31 37 38 31   .00..00204081781\n"
      "00B0 30 30 30 30 30 30 30 30 30 30 30 30 31            0000000000001\n"
      "\n"
      "Message type 1110\n"
      "P0002 PAN LEN=16 OFFS=22 '4000001234567899'\n"
      "P0003 Processing Code LEN=6 OFFS=38 '000000'\n"
      "P0004 Amount transaction LEN=12 OFFS=44 '000000012345'\n"
      "P0011 Systems Trace Audit Number LEN=6 OFFS=56 '000123'\n"
      "P0012 Date and time, local transaction LEN=12 OFFS=62 '261209124730'\n"
      "P0037 Retrieval reference number LEN=12 OFFS=74 '634312000123'\n"
      "P0038 Authorization Identification Response LEN=6 OFFS=86 'A1B2C3'\n"
      "P0039 Response code LEN=2 OFFS=92 '00'\n"
      "P0041 Card acceptor terminal id LEN=8 OFFS=94 'TERM0001'\n"
      "P0042 Card acceptor id LEN=15 OFFS=102 'MERCHANT0000042'\n"
      "P0048 Message Control data LEN=26 OFFS=120 '1406PL00011912000000012345'\n"
      "    P0048-14 Plastic ID LEN=6 OFFS=120 'PL0001'\n"
      "    P0048-19 Service amount LEN=12 OFFS=130 '000000012345'\n"
      "P0049 Currency code LEN=3 OFFS=146 '643'\n"
      "P0055 Binary Field 55 LEN=16 OFFS=151 '910A1A2B3C4D5E6F708130308A023030'\n"
      "    P0055-0091 Issuer Authentication Data LEN=10 OFFS=151 '1A2B3C4D5E6F70813030'\n"
      "    P0055-008A Authorisation Response Code LEN=2 OFFS=163 '3030'\n"
      "P0102 Account identification LEN=20 OFFS=169 '40817810000000000001'\n";
  EXPECT_EQ(DecodeH2HMsgToLog(msg.data(), msg.size()), expected);
  EXPECT_EQ(DecodeIsoMessage(IsoDialectOfKind(rkIsoOutgoing), msg.data(), msg.size()), expected);
  EXPECT_EQ(DecodeIsoMessage(TIsoDialect::None, msg.data(), msg.size()), "");
}

bool EndsWith(const std::string& s, std::string_view end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Every listing is whole: it starts with the dump and ends with a line feed,
// or with the blank that follows an unknown-field message.
void CheckBfko(const Bytes& msg) {
  // An exactly sized copy, so that a read past the end is a read past the allocation.
  Bytes exact(msg.begin(), msg.end());
  std::string listing;
  ASSERT_NO_THROW(listing = DecodeIso8583MsgToLog(exact.data(), exact.size()));
  if (exact.size() < 28) {
    ASSERT_EQ(listing, "\nIncorrect message size " + std::to_string(exact.size()) + ". \n");
    return;
  }
  ASSERT_EQ(listing.rfind("Message hex dump:\n0000 ", 0), 0u);
  ASSERT_TRUE(EndsWith(listing, "\n") || EndsWith(listing, "Parsing process terminated.\n ")) << listing;
}

void CheckH2h(const Bytes& msg) {
  Bytes exact(msg.begin(), msg.end());
  std::string listing;
  ASSERT_NO_THROW(listing = DecodeH2HMsgToLog(exact.data(), exact.size()));
  if (exact.size() < 12) {
    ASSERT_EQ(listing, "");
    return;
  }
  ASSERT_EQ(listing.rfind("Message hex dump:\n0000 ", 0), 0u);
  ASSERT_TRUE(EndsWith(listing, "\n")) << listing;
}

TEST(IsoRobustness, TruncatedMessagesOfBothDialects) {
  Bytes bfko = test::SampleBfkoResponse(), h2h = test::SampleH2hResponse();
  for (std::size_t n = 0; n <= bfko.size(); ++n) CheckBfko(test::Prefix(bfko, n));
  for (std::size_t n = 0; n <= h2h.size(); ++n) CheckH2h(test::Prefix(h2h, n));
}

TEST(IsoRobustness, PseudoRandomAndMutatedMessages) {
  std::mt19937 rng(20261209);
  auto below = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  // Bytes that steer the decoders: digits, hex letters, tag and length bytes, zeros.
  const std::uint8_t interesting[] = {'0', '1', '9', 'F', 'f', ':', '/', ' ', 0x00, 0x0F, 0x1F,
                                      0x80, 0x9F, 0xFF, 0x5A, 0x8A, 0x91, 0x99, 0x36, 0xF0};
  auto randomByte = [&]() -> std::uint8_t {
    return below(2) ? interesting[below(std::size(interesting))] : static_cast<std::uint8_t>(below(256));
  };

  for (int i = 0; i < 3000; ++i) {
    Bytes msg(below(120));
    for (auto& b : msg) b = randomByte();
    CheckBfko(msg);
    CheckH2h(msg);
  }

  // Valid frames with random bitmaps and random field data.
  for (int i = 0; i < 3000; ++i) {
    Bytes bfko = test::Text("HEADER000200");
    for (int k = 0; k < 32; ++k) bfko.push_back("0123456789ABCDEF"[below(16)]);
    Bytes h2h = test::Text("1100");
    for (int k = 0; k < 16; ++k) h2h.push_back(static_cast<std::uint8_t>(below(256)));
    std::size_t tail = below(400);
    for (std::size_t k = 0; k < tail; ++k) {
      bfko.push_back(randomByte());
      h2h.push_back(randomByte());
    }
    CheckBfko(bfko);
    CheckH2h(h2h);
  }

  // The realistic messages with a few bytes changed, cut at a random length.
  const Bytes samples[2] = {test::SampleBfkoResponse(), test::SampleH2hResponse()};
  for (int i = 0; i < 6000; ++i) {
    int which = i % 2;
    Bytes msg = samples[which];
    for (std::size_t k = 0, changes = 1 + below(4); k < changes; ++k) msg[below(msg.size())] = randomByte();
    if (below(3) == 0) msg.resize(below(msg.size() + 1));
    if (which == 0)
      CheckBfko(msg);
    else
      CheckH2h(msg);
  }
}

}  // namespace
}  // namespace pkt
