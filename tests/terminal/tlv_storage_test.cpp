#include <gtest/gtest.h>

#include "support/tlv_builder.h"
#include "terminal/tlv.h"

namespace pkt {
namespace {

using test::B;
using test::Bytes;
using test::TlvBuilder;

TEST(TlvParse, RootFirstThenWireItemsInOrder) {
  Bytes msg = TlvBuilder().Byte(2, 8).DWord(3, 7).Str(45, "TRACK").WithRoot();
  TTLVStorage s;
  ASSERT_EQ(s.Parse(msg.data(), msg.size()), TLV_OK);
  ASSERT_EQ(s.Count(), 4u);
  EXPECT_EQ(s.Item(0)->GetTag(), 1u);
  EXPECT_EQ(s.Item(0)->GetKind(), tlvRoot);
  EXPECT_EQ(s.Item(0)->GetLength(), msg.size() - 2);
  EXPECT_EQ(s.Item(1)->GetTag(), 2u);
  EXPECT_EQ(s.Item(3)->GetTag(), 45u);
  EXPECT_EQ(s.Item(4), nullptr);
  std::uint32_t trn = 0;
  EXPECT_EQ(s.GetDWord(3, trn), TLV_OK);
  EXPECT_EQ(trn, 7u);
}

}  // namespace
}  // namespace pkt
