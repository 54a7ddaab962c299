// The structured fields reached through the renderer's two front ends, as the
// viewers and the export call them.
#include <gtest/gtest.h>

#include "support/field_lines.h"
#include "support/structured_builder.h"
#include "support/tlv_builder.h"
#include "terminal/fields/renderer.h"
#include "text/tree.h"

namespace pkt::test {
namespace {

using Lines = std::vector<std::string>;

struct Output {
  TreeNode message;
  Lines lines;
};

// Renders the items of the tag of a parsed message in both front ends.
Output Through(const Bytes& message, std::uint32_t tag) {
  Output out;
  TTLVStorage storage;
  EXPECT_EQ(storage.Parse(message.data(), message.size()), TLV_OK);
  for (std::uint32_t i = 0; i < storage.Count(); ++i) {
    const TTLV& item = *storage.Item(i);
    if (item.GetTag() != tag) continue;
    AddFieldNode(out.message, storage, item);
    AddFieldLines(out.lines, storage, item);
  }
  return out;
}

TEST(StructuredThroughRenderer, FrontEndsDifferWhereTheFieldsSay) {
  Bytes dc = DcRecord(5, PackedCard(1, 42), PackedDate(6, 6, 2016), PackedDate(6, 7, 2016), 1000, 1, 0);
  Output d = Through(TlvBuilder().Item(22, dc).WithRoot(), 22);
  EXPECT_EQ(TreeText(d.message.children),
            "MF_DC_DATA: [GROUP: 5 CARD: 1000042 DATE_START: 6.6.2016 DATE_STOP: 6.7.2016 AMOUNT: 1000 PURSE_OP: 1 "
            "NUM_FLAG: 0] (00 05 00 10 00 2A 33 1A 33 9A 00 00 03 E8 01 00 )\n");
  EXPECT_EQ(d.lines, Lines{"MF_DC_DATA: 00 05 00 10 00 2A 33 1A 33 9A 00 00 03 E8 01 00 "});

  Coupon c;
  c.service = 95;
  Bytes coupons = Bytes(20, 0);
  Append(coupons, c.Record(false));
  Output k = Through(TlvBuilder().Item(47, coupons).WithRoot(), 47);
  ASSERT_EQ(k.message.size(), 1u);
  EXPECT_EQ(k.message[0][0][8].text, "SERVICE_ID: 95");
  ASSERT_EQ(k.lines.size(), 12u);
  EXPECT_EQ(k.lines[10], "KORVANCODE: 95");
  EXPECT_EQ(k.lines[11], "");

  Output t = Through(TlvBuilder().Item(210, TariffRecord(1, 2, 3, 0, 4, 5)).WithRoot(), 210);
  EXPECT_EQ(TreeText(t.message.children),
            "MF_TARIFFS_HISTORY\n  Record 1:\n    ServiceAquire: 1\n    ServiceGSU: 2\n    TariffValue: 3\n"
            "    ChangeTime: 00:00:00 00-00-1990\n    ChangeType: 4\n    ChangeCounter: 5\n");
  EXPECT_EQ(t.lines, (Lines{"MF_TARIFFS_HISTORY", "ServiceAquire: 1", "ServiceGSU: 2", "TariffValue: 3", ""}));
}

TEST(StructuredThroughRenderer, HeadersReturningDirectlyAndEmptyFieldTexts) {
  Output r = Through(TlvBuilder().Item(35, CardRange(1, 2, 3)).Item(35, CardRange(4, 5, 6)).WithRoot(), 35);
  EXPECT_EQ(TreeText(r.message.children),
            "MF_ONLINE_CARD_RANGES\n  1-2:3\n  4-5:6\nMF_ONLINE_CARD_RANGES\n  1-2:3\n  4-5:6\n");
  EXPECT_EQ(r.lines.size(), 6u);

  Output k = Through(TlvBuilder().Item(209, {}).WithRoot(), 209);
  EXPECT_EQ(TreeText(k.message.children), "MF_CREDIT_KEY_DATA\n");
  EXPECT_EQ(k.lines, (Lines{"MF_CREDIT_KEY_DATA", ""}));

  Output s = Through(TlvBuilder().Byte(204, 1).Bcd(202, "012345").WithRoot(), 202);
  EXPECT_EQ(TreeText(s.message.children), "MF_DISCOUNT_SUM: 123.45\n");
  EXPECT_EQ(s.lines, Lines{"MF_DISCOUNT_SUM: 123.45"});

  Output e = Through(TlvBuilder().Item(48, {}).WithRoot(), 48);
  EXPECT_EQ(e.lines, Lines{"MF_COMMIT_CR_TRZ_TOKENS_LIST: "});
}

}  // namespace
}  // namespace pkt::test
