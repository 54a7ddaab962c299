#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "support/tlv_builder.h"
#include "terminal/tlv.h"

namespace pkt {
namespace {

using test::B;
using test::Bytes;
using test::TlvBuilder;

int ParseBytes(TTLVStorage& s, const Bytes& b) { return s.Parse(b.data(), b.size()); }

TEST(TlvParse, RootFirstThenWireItemsInOrder) {
  TTLVStorage s;
  EXPECT_EQ(s.Parse(nullptr, 0), TLV_OK);  // an empty message is only the root
  EXPECT_EQ(s.Count(), 1u);

  Bytes msg = TlvBuilder().Byte(2, 8).DWord(3, 7).Str(45, "TRACK").WithRoot();
  ASSERT_EQ(ParseBytes(s, msg), TLV_OK);
  ASSERT_EQ(s.Count(), 4u);
  EXPECT_EQ(s.Item(0)->GetTag(), 1u);
  EXPECT_EQ(s.Item(0)->GetKind(), tlvRoot);
  EXPECT_EQ(s.Item(0)->GetData(), nullptr);
  EXPECT_EQ(s.Item(0)->GetLength(), msg.size() - 2);
  EXPECT_EQ(s.Item(1)->GetKind(), tlvValue);
  EXPECT_EQ(s.Item(2)->GetTag(), 3u);
  EXPECT_EQ(s.Item(3)->GetTag(), 45u);
  EXPECT_EQ(s.Item(3)->ByteAt(4), 'K');
  EXPECT_EQ(s.Item(4), nullptr);
}

TEST(TlvParse, TagFormsAndBadTagBytes) {
  TTLVStorage s;
  // 30 is the largest one-byte tag; 0x1F takes any next byte, 0x1F 0x05 being
  // the same tag as 0x05.
  ASSERT_EQ(ParseBytes(s, B({30, 0, 0x1F, 31, 0, 0x1F, 0x00, 0, 0x1F, 0xFF, 0, 0x1F, 0x05, 0, 0x05, 0})), TLV_OK);
  ASSERT_EQ(s.Count(), 7u);
  EXPECT_EQ(s.Item(1)->GetTag(), 30u);
  EXPECT_EQ(s.Item(2)->GetTag(), 31u);
  EXPECT_EQ(s.Item(3)->GetTag(), 0u);
  EXPECT_EQ(s.Item(4)->GetTag(), 255u);
  EXPECT_EQ(s.CountTag(5), 2u);

  EXPECT_EQ(ParseBytes(s, B({0x1F})), TLV_BAD_TAG);  // 0x1F alone at the end
  EXPECT_EQ(ParseBytes(s, B({0x20, 0x00})), TLV_BAD_TAG);
  EXPECT_EQ(ParseBytes(s, B({0xFF, 0x00})), TLV_BAD_TAG);
  // The error stops parsing where it stands; the items before it stay.
  ASSERT_EQ(ParseBytes(s, TlvBuilder().Byte(2, 9).Raw(B({0x40, 0x01, 0x00})).bytes()), TLV_BAD_TAG);
  EXPECT_EQ(s.Count(), 2u);
}

TEST(TlvParse, LengthFormsAndTheirErrors) {
  TTLVStorage s;
  // The same 300-byte value behind 0x82 and 0x83 lengths, a long form of 0, then 127.
  Bytes value(300, 0x5A);
  Bytes msg = B({0x02, 0x82, 0x01, 0x2C});
  test::Append(msg, value);
  test::Append(msg, B({0x03, 0x83, 0x00, 0x01, 0x2C}));
  test::Append(msg, value);
  test::Append(msg, B({0x04, 0x82, 0x00, 0x00, 0x05, 0x7F}));
  test::Append(msg, Bytes(127, 1));
  ASSERT_EQ(ParseBytes(s, msg), TLV_OK);
  ASSERT_EQ(s.Count(), 5u);
  EXPECT_EQ(s.Item(1)->GetLength(), 300u);
  EXPECT_EQ(0, std::memcmp(s.Item(2)->GetData(), value.data(), value.size()));
  EXPECT_EQ(s.Item(3)->GetData(), nullptr);
  EXPECT_EQ(s.Item(4)->GetLength(), 127u);

  // Code 3: no length byte, a first length byte that is no form, too few length bytes.
  EXPECT_EQ(ParseBytes(s, B({0x02})), TLV_BAD_LENGTH);
  EXPECT_EQ(ParseBytes(s, B({0x1F, 0x40})), TLV_BAD_LENGTH);
  for (int first : {0x80, 0x81, 0x84, 0xFF})
    EXPECT_EQ(ParseBytes(s, B({0x02, first, 0x01, 0x01, 0x01, 0x01})), TLV_BAD_LENGTH) << first;
  EXPECT_EQ(ParseBytes(s, B({0x02, 0x82, 0x00})), TLV_BAD_LENGTH);
  EXPECT_EQ(ParseBytes(s, B({0x02, 0x83, 0x00, 0x00})), TLV_BAD_LENGTH);

  // Code 4: a value longer than what remains (256 announced, 255 there).
  msg = B({0x02, 0x82, 0x01, 0x00});
  test::Append(msg, Bytes(255, 0));
  EXPECT_EQ(ParseBytes(s, msg), TLV_NO_DATA);
  msg.push_back(0);
  EXPECT_EQ(ParseBytes(s, msg), TLV_OK);
}

TEST(TlvParse, RootHeaderEnclosesTheRestAndIsNotChecked) {
  TTLVStorage s;
  // A root announcing far more than the input: accepted, the items follow.
  Bytes msg = TlvBuilder().Root(0xFFFF).Byte(2, 8).Byte(31, 0).bytes();
  ASSERT_EQ(ParseBytes(s, msg), TLV_OK);
  EXPECT_EQ(s.Count(), 3u);
  EXPECT_EQ(s.Item(0)->GetLength(), 0xFFFFu);
  // A second root header overwrites the length and adds no item; the long
  // tag form of 1 is the root too.
  msg = TlvBuilder().Root(5).Byte(2, 8).Raw(B({0x1F, 0x01, 0x09})).Byte(3, 1).bytes();
  ASSERT_EQ(ParseBytes(s, msg), TLV_OK);
  EXPECT_EQ(s.Count(), 3u);
  EXPECT_EQ(s.Item(0)->GetLength(), 9u);
  EXPECT_EQ(s.CountTag(1), 1u);
  // A root header at the very end, with nothing behind it.
  ASSERT_EQ(ParseBytes(s, B({0x01, 0x7F})), TLV_OK);
  EXPECT_EQ(s.Count(), 1u);
}

TEST(TlvParse, ParsingAgainStartsAfresh) {
  TTLVStorage s;
  ASSERT_EQ(ParseBytes(s, TlvBuilder().Byte(2, 8).Byte(3, 9).WithRoot()), TLV_OK);
  ASSERT_EQ(ParseBytes(s, TlvBuilder().Byte(4, 1).bytes()), TLV_OK);
  EXPECT_EQ(s.Count(), 2u);
  EXPECT_EQ(s.Item(0)->GetLength(), 0u);
  EXPECT_EQ(s.Item(1)->GetTag(), 4u);
  s.Reset();
  EXPECT_EQ(s.Count(), 1u);

  // The input may be a value of this very storage (a nested message): the
  // storage copies it before it lets go of the old message.
  Bytes inner = TlvBuilder().Byte(7, 0x11).Str(8, "AB").bytes();
  ASSERT_EQ(ParseBytes(s, TlvBuilder().Item(40, inner).bytes()), TLV_OK);
  const TTLV* nested = s.Item(1);
  ASSERT_EQ(s.Parse(nested->GetData(), nested->GetLength()), TLV_OK);
  ASSERT_EQ(s.Count(), 3u);
  std::uint8_t b = 0;
  EXPECT_EQ(s.GetByte(7, b), TLV_OK);
  EXPECT_EQ(b, 0x11);
  EXPECT_EQ(s.Item(2)->ByteAt(1), 'B');
}

TEST(TlvFind, RangeOccurrenceAndRoot) {
  TTLVStorage s;
  Bytes msg = TlvBuilder().Byte(0, 1).Byte(9, 10).Byte(9, 20).Raw(B({0x1F, 0xFF, 0x00})).WithRoot();
  ASSERT_EQ(ParseBytes(s, msg), TLV_OK);
  const TTLV* sentinel = s.Item(1);
  const TTLV* out = sentinel;
  // Tags 0 and 255 are stored and counted, but cannot be looked up; out stays untouched.
  EXPECT_EQ(s.CountTag(0), 1u);
  EXPECT_EQ(s.CountTag(255), 1u);
  EXPECT_EQ(s.Find(0, out), TLV_BAD_TAG);
  EXPECT_EQ(s.Find(255, out), TLV_BAD_TAG);
  EXPECT_EQ(s.Find(1000, out), TLV_BAD_TAG);
  EXPECT_EQ(out, sentinel);

  ASSERT_EQ(s.Find(9, out, 0), TLV_OK);
  EXPECT_EQ(out->ByteAt(0), 10);
  ASSERT_EQ(s.Find(9, out, 1), TLV_OK);
  EXPECT_EQ(out->ByteAt(0), 20);
  EXPECT_EQ(s.Find(9, out, 2), TLV_NOT_FOUND);
  EXPECT_EQ(out, nullptr);  // cleared once the tag is in range
  EXPECT_EQ(s.Find(77, out), TLV_NOT_FOUND);

  ASSERT_EQ(s.Find(1, out), TLV_OK);
  EXPECT_EQ(out, s.Item(0));
  EXPECT_EQ(s.Find(1, out, 1), TLV_NOT_FOUND);
}

TEST(TlvFind, FirstWithTagAnswersAsFind) {
  TTLVStorage s;
  // Tags 0 and 255 are refused by Find, so FirstWithTag refuses them too.
  ASSERT_EQ(ParseBytes(s, B({2, 1, 1, 3, 1, 2, 0, 1, 3, 0x1F, 0xFF, 1, 4})), TLV_OK);
  ASSERT_EQ(s.Count(), 5u);
  EXPECT_EQ(s.FirstWithTag(*s.Item(1)), s.Item(1));
  EXPECT_EQ(s.FirstWithTag(*s.Item(2)), s.Item(2));
  EXPECT_EQ(s.FirstWithTag(*s.Item(3)), nullptr);
  EXPECT_EQ(s.FirstWithTag(*s.Item(4)), nullptr);

  // A repeated tag: every item with it answers the first; parsing again forgets the repeat.
  ASSERT_EQ(ParseBytes(s, TlvBuilder().Byte(2, 1).Byte(3, 2).Byte(2, 3).bytes()), TLV_OK);
  EXPECT_EQ(s.FirstWithTag(*s.Item(3)), s.Item(1));
  EXPECT_EQ(s.FirstWithTag(*s.Item(2)), s.Item(2));
  ASSERT_EQ(ParseBytes(s, TlvBuilder().Byte(3, 1).Byte(2, 2).bytes()), TLV_OK);
  EXPECT_EQ(s.FirstWithTag(*s.Item(2)), s.Item(2));

  // An item of another storage is looked up by its tag; the root's tag is the root.
  TTLVStorage other;
  ASSERT_EQ(ParseBytes(other, TlvBuilder().Byte(2, 9).bytes()), TLV_OK);
  EXPECT_EQ(s.FirstWithTag(*other.Item(1)), s.Item(2));
  EXPECT_EQ(s.FirstWithTag(*other.Item(0)), s.Item(0));
}

TEST(TlvGetters, IntegersAreBigEndianAndSizeChecked) {
  TTLVStorage s;
  Bytes msg = TlvBuilder().Byte(2, 0xAB).Word(3, 0x1234).DWord(4, 0x89ABCDEF).Item(5, B({1, 2, 3})).Item(6, {}).WithRoot();
  ASSERT_EQ(ParseBytes(s, msg), TLV_OK);
  std::uint8_t b = 0;
  std::uint16_t w = 0;
  std::uint32_t d = 0;
  std::int32_t i = 0;
  EXPECT_EQ(s.GetByte(2, b), TLV_OK);
  EXPECT_EQ(b, 0xAB);
  EXPECT_EQ(s.GetWord(3, w), TLV_OK);
  EXPECT_EQ(w, 0x1234);
  EXPECT_EQ(s.GetDWord(4, d), TLV_OK);
  EXPECT_EQ(d, 0x89ABCDEFu);
  EXPECT_EQ(s.GetInt(4, i), TLV_OK);
  EXPECT_EQ(i, static_cast<std::int32_t>(0x89ABCDEF));

  // A value of the wrong size gives 3 and leaves the output alone.
  b = 7;
  EXPECT_EQ(s.GetByte(3, b), TLV_BAD_LENGTH);
  EXPECT_EQ(s.GetByte(6, b), TLV_BAD_LENGTH);
  EXPECT_EQ(b, 7);
  EXPECT_EQ(s.GetWord(2, w), TLV_BAD_LENGTH);
  EXPECT_EQ(s.GetDWord(5, d), TLV_BAD_LENGTH);
  EXPECT_EQ(s.GetInt(3, i), TLV_BAD_LENGTH);
  // Find's codes pass through.
  EXPECT_EQ(s.GetByte(0, b), TLV_BAD_TAG);
  EXPECT_EQ(s.GetDWord(4, d, 1), TLV_NOT_FOUND);
}

TEST(TlvGetters, GetStringCapacityRules) {
  TTLVStorage s;
  ASSERT_EQ(ParseBytes(s, TlvBuilder().Str(30, "ABCDE").Item(6, {}).WithRoot()), TLV_OK);
  char buf[16] = "xxxxxxxxxxxxxxx";
  std::uint32_t cap = sizeof buf;
  EXPECT_EQ(s.GetString(30, buf, cap), TLV_OK);
  EXPECT_STREQ(buf, "ABCDE");
  EXPECT_EQ(cap, sizeof buf);

  // Capacity equal to the length is too small: the required size comes back,
  // and a second call with it succeeds.
  cap = 5;
  buf[0] = 'x';
  EXPECT_EQ(s.GetString(30, buf, cap), TLV_BUFFER_TOO_SMALL);
  EXPECT_EQ(cap, 6u);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(s.GetString(30, buf, cap), TLV_OK);
  // Capacity 0: nothing is written.
  cap = 0;
  buf[0] = 'x';
  EXPECT_EQ(s.GetString(30, buf, cap), TLV_BUFFER_TOO_SMALL);
  EXPECT_EQ(buf[0], 'x');

  // Empty value: 4 with an empty string. Not found and bad tags: 2.
  cap = sizeof buf;
  EXPECT_EQ(s.GetString(6, buf, cap), TLV_NO_DATA);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(s.GetString(7, buf, cap), TLV_BAD_TAG);
  EXPECT_EQ(s.GetString(0, buf, cap), TLV_BAD_TAG);
  EXPECT_EQ(s.GetString(30, buf, cap, 1), TLV_BAD_TAG);
}

TEST(TlvGetters, RootValueCannotBeCopied) {
  // The root announces a length but holds no bytes: reading it as a string
  // gives "could not be copied" and an empty string, never a read through a
  // missing buffer.
  TTLVStorage s;
  ASSERT_EQ(ParseBytes(s, TlvBuilder().Byte(2, 8).WithRoot()), TLV_OK);
  ASSERT_EQ(s.Item(0)->GetLength(), 3u);
  char buf[8] = "xxxxxxx";
  std::uint32_t cap = sizeof buf;
  EXPECT_EQ(s.GetString(1, buf, cap), TLV_NO_DATA);
  EXPECT_STREQ(buf, "");
  std::uint64_t bcd = 99;
  EXPECT_EQ(s.GetBCD(1, 20, bcd), TLV_OK);
  EXPECT_EQ(bcd, 0u);
  std::uint8_t b = 0;
  EXPECT_EQ(s.GetByte(1, b), TLV_BAD_LENGTH);
  EXPECT_FALSE(s.Item(0)->ReadAt(buf, 0, 1));
}

TEST(TlvGetters, PackedBcd) {
  TTLVStorage s;
  ASSERT_EQ(ParseBytes(s, TlvBuilder()
                              .Item(2, B({0x12, 0x34}))
                              .Item(3, {})
                              .Item(4, B({0x1F, 0xA0}))
                              .Bcd(5, "12345678901234567890")
                              .WithRoot()),
            TLV_OK);
  std::uint64_t v = 0;
  EXPECT_EQ(s.GetBCD(2, 4, v), TLV_OK);
  EXPECT_EQ(v, 1234u);
  v = 5;
  EXPECT_EQ(s.GetBCD(2, 3, v), TLV_BAD_LENGTH);
  EXPECT_EQ(v, 5u);
  EXPECT_EQ(s.GetBCD(3, 0, v), TLV_OK);  // empty value
  EXPECT_EQ(v, 0u);
  // Nibbles above 9 enter with their binary value: 1,15 then 10,0.
  EXPECT_EQ(s.GetBCD(4, 4, v), TLV_OK);
  EXPECT_EQ(v, (1u * 10 + 15) * 100 + 10 * 10 + 0);
  EXPECT_EQ(s.GetBCD(5, 20, v), TLV_OK);
  EXPECT_EQ(v, 12345678901234567890ull);
  EXPECT_EQ(s.GetBCD(9, 20, v), TLV_NOT_FOUND);
}

TEST(TlvGetters, PackedBcdOfEveryLengthAndNibbleIsTheDigitByDigitSum) {
  // The reader adds the last eight bytes at once; it must give the sum of
  // value * 100 + 10 * high + low byte after byte, wrapping in 64 bits, for
  // any nibbles (above 9 too) and every length the readers accept.
  std::mt19937 random(20160406);
  for (int round = 0; round < 3000; ++round) {
    const std::size_t length = static_cast<std::size_t>(round % 11);
    Bytes value(length);
    for (auto& b : value) b = static_cast<std::uint8_t>(round % 3 == 0 ? 0x99 : random());
    std::uint64_t expected = 0;
    for (std::uint8_t b : value) expected = expected * 100 + (b >> 4) * 10 + (b & 0x0F);
    // First in the message, then behind another item (the reader may then
    // load the bytes before the value too).
    for (bool behind : {false, true}) {
      TlvBuilder message;
      if (behind) message.Item(6, Bytes(round % 13, 0xEE));
      TTLVStorage s;
      ASSERT_EQ(ParseBytes(s, message.Item(7, value).WithRoot()), TLV_OK);
      std::uint64_t v = 1;
      ASSERT_EQ(s.GetBCD(7, 20, v), TLV_OK);
      ASSERT_EQ(v, expected) << "length " << length << " round " << round << (behind ? " behind" : "");
    }
  }
}

TEST(TlvItem, ReadsStayInsideTheValue) {
  TTLV item(9, 4, tlvValue);
  std::uint8_t src[] = {1, 2, 3, 4}, dst[8] = {};
  ASSERT_TRUE(item.Fill(src, 4));
  EXPECT_TRUE(item.ReadAt(dst, 2, 8));  // only the two bytes that remain
  EXPECT_EQ(dst[1], 4);
  EXPECT_EQ(dst[2], 0);
  EXPECT_FALSE(item.ReadAt(dst, 4, 1));
  EXPECT_EQ(item.ByteAt(4), 0);
  // No buffer for an empty value or a stream value.
  for (const TTLV& none : {TTLV(9, 0, tlvValue), TTLV(9, 4, tlvStream)}) {
    EXPECT_EQ(none.GetData(), nullptr);
    EXPECT_FALSE(none.ReadAt(dst, 0, 1));
    EXPECT_EQ(none.ByteAt(0), 0);
  }
}

// Random and truncated inputs (fixed seed): whatever the bytes, Parse answers
// one of its codes, the root comes first, and no item claims more bytes than
// the input holds.
TEST(TlvParse, RandomAndTruncatedInputsKeepTheInvariants) {
  std::mt19937 rng(20160406);
  TTLVStorage s;
  auto check = [&](const Bytes& in) {
    int rc = s.Parse(in.data(), in.size());
    ASSERT_TRUE(rc == TLV_OK || rc == TLV_BAD_TAG || rc == TLV_BAD_LENGTH || rc == TLV_NO_DATA) << rc;
    ASSERT_GE(s.Count(), 1u);
    ASSERT_EQ(s.Item(0)->GetTag(), 1u);
    ASSERT_EQ(s.Item(0)->GetKind(), tlvRoot);
    ASSERT_EQ(s.Item(0)->GetData(), nullptr);
    std::size_t total = 0;
    for (std::uint32_t i = 1; i < s.Count(); ++i) {
      const TTLV* item = s.Item(i);
      ASSERT_NE(item->GetTag(), 1u);
      ASSERT_LE(item->GetTag(), 255u);
      ASSERT_EQ(item->GetKind(), tlvValue);
      ASSERT_LE(item->GetLength(), in.size());
      ASSERT_EQ(item->GetData() == nullptr, item->GetLength() == 0);
      total += item->GetLength();
    }
    ASSERT_LE(total, in.size());
    ASSERT_EQ(s.Item(s.Count()), nullptr);
  };

  // Well-formed messages cut at every length.
  for (int round = 0; round < 200; ++round) {
    TlvBuilder b;
    int items = 1 + int(rng() % 12);
    for (int k = 0; k < items; ++k) {
      Bytes value(rng() % (k == 0 ? 300 : 40));
      for (auto& v : value) v = std::uint8_t(rng());
      b.Item(2 + rng() % 250, value);
    }
    Bytes whole = b.WithRoot();
    ASSERT_EQ(s.Parse(whole.data(), whole.size()), TLV_OK);
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
      Bytes part(whole.begin(), whole.begin() + std::ptrdiff_t(cut));
      check(part);
    }
  }
  // Pure noise, biased towards small tag and length bytes so that parsing
  // gets past the first item.
  for (int round = 0; round < 20000; ++round) {
    Bytes in(rng() % 64);
    for (auto& v : in) {
      std::uint32_t r = rng();
      v = (r & 3) ? std::uint8_t((r >> 8) % 40) : std::uint8_t(r >> 8);
    }
    check(in);
  }
}

}  // namespace
}  // namespace pkt
