// The synthetic logs that demonstrations and the benchmark rely on: exact
// record counts, time order, decodable bodies, the same bytes for a seed.
#include "pktgen/generator.h"

#include <gtest/gtest.h>

#include <map>

#include "iso8583/bfko.h"
#include "iso8583/h2h.h"
#include "logs/fastlog.h"
#include "support/record_builder.h"
#include "terminal/tlv.h"

namespace pkt {
namespace {

using gen::GeneratorOptions;
using gen::LogFamily;

std::uint32_t LE16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }

TEST(Generator, SameSeedSameBytesOtherSeedOtherBytes) {
  GeneratorOptions o;
  o.records = 300;
  const auto a = gen::GenerateLogBytes(o);
  EXPECT_EQ(a, gen::GenerateLogBytes(o));
  o.seed = 2;
  EXPECT_NE(a, gen::GenerateLogBytes(o));
  o.family = LogFamily::HostToHost;
  EXPECT_EQ(gen::GenerateLogBytes(o), gen::GenerateLogBytes(o));
}

TEST(Generator, TerminalLogIsInTimeOrderWithParsableFramesAndEveryKind) {
  test::TempFolder dir;
  GeneratorOptions o;
  o.records = 5000;
  const std::string path = dir.File("NS1_gen.pkt");
  const std::uint64_t size = gen::GenerateLog(o, path);
  EXPECT_EQ(size, test::ReadBytes(path).size());

  TTerminalFastLog log;
  log.Open(path);
  ASSERT_EQ(log.GetCount(), 5000u);
  std::map<int, int> kinds;
  TTLVStorage tlv;
  std::uint64_t previousOffset = 0;
  for (std::uint32_t i = 0; i < log.GetCount(); ++i) {
    const TTerminalPacketHandler p = log.GetPacket(i);
    if (i) {
      EXPECT_GT(p.GetOffset(), previousOffset) << "already in time order";
    }
    previousOffset = p.GetOffset();
    std::int64_t ms = 0;
    ASSERT_TRUE(TryDateTimeMs(p.GetSystemTime(), ms));
    ++kinds[p.GetKind()];
    if (p.GetDataLength() == 0) {
      EXPECT_TRUE(p.GetKind() == rkConnect || p.GetKind() == rkDisconnect);
      continue;
    }
    const std::uint8_t* body = p.GetBody();
    const std::uint32_t frameSize = LE16(body + 6);
    ASSERT_EQ(10u + frameSize, p.GetDataLength());
    ASSERT_EQ(tlv.Parse(body + 26, frameSize - 16), TLV_OK) << i;
    std::uint8_t type = 0;
    EXPECT_EQ(tlv.GetByte(2, type), p.GetKind() <= rkDisconnect && p.GetKind() >= rkKeyRequest ? TLV_NOT_FOUND : TLV_OK);
  }
  for (int kind : {0, 1, 2, 3, 4, 5, 6, 7, 12}) EXPECT_GT(kinds[kind], 0) << kind;
}

TEST(Generator, HostLogCarriesWellFormedMessagesOfEveryBodyForm) {
  test::TempFolder dir;
  GeneratorOptions o;
  o.family = LogFamily::HostToHost;
  o.records = 3000;
  o.seed = 7;
  const std::string path = dir.File("H2H_gen.pkt");
  gen::GenerateLog(o, path);
  TH2HFastLog log;
  log.Open(path);
  ASSERT_EQ(log.GetCount(), 3000u);
  std::map<int, int> kinds;
  TTLVStorage tlv;
  for (std::uint32_t i = 0; i < log.GetCount(); ++i) {
    const TH2HPacketHandler p = log.GetPacket(i);
    ++kinds[p.GetKind()];
    const std::uint8_t* body = p.GetBody();
    const std::uint32_t n = p.GetDataLength();
    std::string listing;
    switch (p.GetKind()) {
      case rkRawIncoming:
      case rkRawOutgoing:
        EXPECT_GT(n, 0u);
        break;
      case rkIsoIncoming:
      case rkIsoOutgoing: {
        ASSERT_GT(n, 4u);
        const std::string digits(reinterpret_cast<const char*>(body), 4);
        ASSERT_EQ(std::stoul(digits), n - 4);
        listing = DecodeH2HMsgToLog(body + 4, n - 4);
        break;
      }
      case rkBfkoIncoming:
      case rkBfkoOutgoing: {
        ASSERT_GT(n, 4u);
        const std::uint32_t length = (body[0] << 24) | (body[1] << 16) | (body[2] << 8) | body[3];
        ASSERT_EQ(length, n - 4);
        listing = DecodeIso8583MsgToLog(body + 4, n - 4);
        break;
      }
      default: {
        const std::uint32_t frameSize = LE16(body + 6);
        ASSERT_EQ(8u + frameSize, n);
        EXPECT_EQ(tlv.Parse(body + 40, frameSize - 32), TLV_OK);
      }
    }
    if (!listing.empty()) {
      EXPECT_NE(listing.find("P0007"), std::string::npos) << listing;
    }
    for (const char* bad : {"terminated", "ERROR", "error", "Incorrect", "Invalid", "Unknown"})
      ASSERT_EQ(listing.find(bad), std::string::npos) << "record " << i << ":\n" << listing;
  }
  for (int kind : {0, 1, 8, 9, 10, 11, 13, 14}) EXPECT_GT(kinds[kind], 0) << kind;
}

}  // namespace
}  // namespace pkt
