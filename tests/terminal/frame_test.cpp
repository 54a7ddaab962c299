#include <gtest/gtest.h>

#include "support/tlv_builder.h"
#include "terminal/frame.h"

namespace pkt {
namespace {

using test::Bytes;
using test::TlvBuilder;

TEST(FrameHeader, FieldsAreLittleEndianAndUnaligned) {
  Bytes tlv = TlvBuilder().Byte(2, 8).WithRoot();
  Bytes body = test::TerminalFrameBody(0x0A0B0C0D, tlv);
  TTerminalFrameHeader t = TTerminalFrameHeader::Read(body.data(), body.size());
  EXPECT_TRUE(t.Complete);
  EXPECT_EQ(t.MessageNumber, 0x0A0B0C0Du);
  EXPECT_EQ(t.Size, tlv.size() + 16);
  // Host frames carry the number at the odd offset 1.
  Bytes host = test::HostFrameBody(0xDEADBEEF, tlv);
  THostFrameHeader h = THostFrameHeader::Read(host.data(), host.size());
  EXPECT_EQ(h.MessageNumber, 0xDEADBEEFu);
  EXPECT_EQ(h.Size, tlv.size() + 32);
}

TEST(FrameHeader, ShortBodyReadsOnlyTheFieldsItHolds) {
  Bytes body = test::TerminalFrameBody(77, {}, 300);
  TTerminalFrameHeader t = TTerminalFrameHeader::Read(body.data(), 8);
  EXPECT_FALSE(t.Complete);
  EXPECT_EQ(t.MessageNumber, 77u);
  EXPECT_EQ(t.Size, 300u);
  EXPECT_TRUE(t.HasMessageNumber && t.HasSize);
  t = TTerminalFrameHeader::Read(body.data(), 7);  // the size field is cut: 0
  EXPECT_EQ(t.MessageNumber, 77u);
  EXPECT_EQ(t.Size, 0u);
  EXPECT_TRUE(t.HasMessageNumber);
  EXPECT_FALSE(t.HasSize);
  EXPECT_FALSE(TTerminalFrameHeader::Read(nullptr, 0).HasMessageNumber);
  THostFrameHeader h = THostFrameHeader::Read(body.data(), 4);  // the host number needs bytes 1-4
  EXPECT_FALSE(h.HasMessageNumber);
  EXPECT_EQ(h.MessageNumber, 0u);
  // Without the whole header there is no message, with it an empty one.
  Bytes host = test::HostFrameBody(5, {});
  EXPECT_FALSE(HostTlvRegion(host.data(), 39).ok);
  EXPECT_TRUE(HostTlvRegion(host.data(), 40).ok);
  EXPECT_FALSE(TerminalTlvRegion(body.data(), 25).ok);
}

TEST(FrameRegion, RegionFollowsTheSizeField) {
  Bytes tlv = TlvBuilder().Byte(2, 8).Str(45, "TRACK").WithRoot();
  Bytes body = test::TerminalFrameBody(1, tlv);
  body.push_back(0xEE);  // a byte behind the message is not part of it
  TFrameRegion r = TerminalTlvRegion(body.data(), body.size());
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.data, body.data() + 26);
  EXPECT_EQ(r.size, tlv.size());
  TTLVStorage s;
  EXPECT_EQ(ParseTerminalMessage(s, body.data(), body.size()), TLV_OK);
  EXPECT_EQ(s.Count(), 3u);

  Bytes host = test::HostFrameBody(1, tlv);
  r = HostTlvRegion(host.data(), host.size());
  EXPECT_EQ(r.data, host.data() + 40);
  EXPECT_EQ(r.size, tlv.size());
  EXPECT_EQ(ParseHostMessage(s, host.data(), host.size()), TLV_OK);
  EXPECT_EQ(s.Count(), 3u);
}

TEST(FrameRegion, NeverReachesPastTheBody) {
  Bytes tlv = TlvBuilder().Byte(2, 8).WithRoot();
  TTLVStorage s;
  // One byte more than the body holds, the largest size, and sizes below the
  // bias, whose TLV length wraps to 65520 and more.
  for (int size : {int(tlv.size()) + 17, 0xFFFF, 0, 15}) {
    Bytes body = test::TerminalFrameBody(1, tlv, size);
    TFrameRegion r = TerminalTlvRegion(body.data(), body.size());
    EXPECT_FALSE(r.ok) << size;
    EXPECT_EQ(r.size, 0u) << size;
    EXPECT_EQ(ParseTerminalMessage(s, body.data(), body.size()), TLV_NO_DATA) << size;
    EXPECT_EQ(s.Count(), 1u) << size;
  }
  for (int size : {int(tlv.size()) + 33, 0, 31}) {
    Bytes host = test::HostFrameBody(1, tlv, size);
    EXPECT_EQ(ParseHostMessage(s, host.data(), host.size()), TLV_NO_DATA) << size;
  }
  // The body size counts what lies in the mapped file: a record cut by the
  // end of the file refuses its message even when the size field is right.
  Bytes body = test::TerminalFrameBody(1, tlv);
  EXPECT_FALSE(TerminalTlvRegion(body.data(), body.size() - 1).ok);
  // A wrapped length is honoured when the body really holds that many bytes.
  body = test::TerminalFrameBody(1, {}, 4);
  body.resize(26 + 65524, 0x00);
  EXPECT_EQ(TerminalTlvRegion(body.data(), body.size()).size, 65524u);
}

TEST(FrameRegion, TheHeaderGivesTheRegionOfItsBody) {
  // Every body length of a frame, whole and cut, and sizes that fit, overrun and wrap.
  const Bytes tlv = TlvBuilder().Byte(2, 8).Str(45, "x").WithRoot();
  for (int size : {int(tlv.size()) + 16, int(tlv.size()) + 32, int(tlv.size()) + 17, 0, 15, 0xFFFF}) {
    const Bytes body = test::TerminalFrameBody(1, tlv, size);
    const Bytes host = test::HostFrameBody(1, tlv, size);
    for (std::size_t n = 0; n <= body.size(); ++n) {
      const TFrameRegion a = TerminalTlvRegion(body.data(), n);
      const TFrameRegion b = TTerminalFrameHeader::Read(body.data(), n).TlvRegion(body.data(), n);
      EXPECT_TRUE(a.ok == b.ok && a.data == b.data && a.size == b.size) << size << " " << n;
    }
    for (std::size_t n = 0; n <= host.size(); ++n) {
      const TFrameRegion a = HostTlvRegion(host.data(), n);
      const TFrameRegion b = THostFrameHeader::Read(host.data(), n).TlvRegion(host.data(), n);
      EXPECT_TRUE(a.ok == b.ok && a.data == b.data && a.size == b.size) << size << " " << n;
    }
  }
}

}  // namespace
}  // namespace pkt
