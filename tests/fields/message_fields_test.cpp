// Whole messages: nested fields, dispatch of every tag, duplicates, a
// realistic message in both front ends, and messages built to break things.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "fields/render_helpers.h"
#include "terminal/fields/field_table.h"

namespace pkt::test {
namespace {

using Lines = std::vector<std::string>;

TlvBuilder OutOfBandItems() { return std::move(TlvBuilder().DWord(3, 7).Byte(44, 2)); }

TEST(NestedFields, ItemsOfTheValueBecomeChildrenOrFollowFlat) {
  Bytes msg = TlvBuilder().Nested(50, OutOfBandItems()).bytes();
  EXPECT_EQ(TreeOf(msg, 1), "MF_OUT_OF_BAND\n  MF_ROOT\n  MF_TRN_NUMBER: 7\n  MF_CARD_TYPE: 2\n");
  EXPECT_EQ(LinesOf(msg, 1), (Lines{"MF_OUT_OF_BAND", "MF_ROOT", "MF_TRN_NUMBER: 7", "MF_CARD_TYPE: 2"}));

  // The extended card data and the product record end with the final step: an empty export string.
  msg = TlvBuilder().Nested(179, TlvBuilder().Str(180, "95")).bytes();
  EXPECT_EQ(TreeOf(msg, 1), "MF_PRODUCT_DATA_RECORD\n  MF_ROOT\n  MF_PRODUCT_CODE: 95\n");
  EXPECT_EQ(LinesOf(msg, 1), (Lines{"MF_PRODUCT_DATA_RECORD", "MF_ROOT", "MF_PRODUCT_CODE: 95", ""}));
  msg = TlvBuilder().Nested(34, TlvBuilder().Byte(44, 1)).bytes();
  EXPECT_EQ(LinesOf(msg, 1), (Lines{"MF_EXTENDED_CARD_DATA", "MF_ROOT", "MF_CARD_TYPE: 1", ""}));

  msg = TlvBuilder().Nested(67, TlvBuilder().Byte(44, 1)).bytes();
  EXPECT_EQ(TreeOf(msg, 1), "MF_SERVICE_INFO\n  MF_ROOT\n  MF_CARD_TYPE: 1\n");
  EXPECT_EQ(LinesOf(msg, 1), (Lines{"MF_SERVICE_INFO", "MF_ROOT", "MF_CARD_TYPE: 1"}));

  // Fields inside are looked up in the nested value only.
  msg = TlvBuilder().DWord(3, 99).Nested(50, TlvBuilder().Byte(44, 2)).bytes();
  EXPECT_EQ(TreeOf(msg, 2), "MF_OUT_OF_BAND\n  MF_ROOT\n  MF_CARD_TYPE: 2\n");
}

TEST(NestedFields, ValuesThatDoNotParse) {
  Bytes junk = B({0x20, 0x01});  // a first tag byte of 32 or more
  EXPECT_EQ(TreeOfField(50, junk), "MF_OUT_OF_BAND\n");
  EXPECT_EQ(LinesOfField(50, junk), (Lines{"MF_OUT_OF_BAND", ""}));
  EXPECT_EQ(TreeOfField(67, junk), "");
  EXPECT_EQ(LinesOfField(67, junk), Lines{});
  EXPECT_EQ(TreeOfField(179, junk), "MF_PRODUCT_DATA_RECORD\n");
  EXPECT_EQ(LinesOfField(34, junk), (Lines{"MF_EXTENDED_CARD_DATA", ""}));
  // An empty value parses to the root alone.
  EXPECT_EQ(TreeOfField(50, B({})), "MF_OUT_OF_BAND\n  MF_ROOT\n");
}

TEST(NestedFields, DuplicatesTakeTheirOwnValueExceptExtendedCardData) {
  Bytes msg = TlvBuilder()
                  .Nested(50, TlvBuilder().Byte(44, 1))
                  .Nested(50, TlvBuilder().Byte(44, 2))
                  .Nested(34, TlvBuilder().Byte(44, 3))
                  .Nested(34, TlvBuilder().Byte(44, 4))
                  .bytes();
  EXPECT_EQ(TreeOf(msg, 1),
            "MF_OUT_OF_BAND\n  MF_ROOT\n  MF_CARD_TYPE: 1\n"
            "MF_OUT_OF_BAND\n  MF_ROOT\n  MF_CARD_TYPE: 2\n"
            "MF_EXTENDED_CARD_DATA\n  MF_ROOT\n  MF_CARD_TYPE: 3\n"
            "MF_EXTENDED_CARD_DATA\n  MF_ROOT\n  MF_CARD_TYPE: 3\n");
}

Bytes NestedOutOfBand(int levels) {
  TlvBuilder inner;
  inner.DWord(3, 7);
  for (int i = 0; i < levels; ++i) {
    TlvBuilder outer;
    outer.Nested(50, inner);
    inner = std::move(outer);
  }
  return inner.bytes();
}

std::size_t CountOf(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(NestedFields, NestingStopsAtTheLimit) {
  std::string tree = TreeOf(NestedOutOfBand(kMaxFieldNesting), 1);
  EXPECT_EQ(CountOf(tree, "MF_OUT_OF_BAND"), std::size_t(kMaxFieldNesting));
  EXPECT_EQ(CountOf(tree, "MF_TRN_NUMBER: 7"), 1u);

  // One level more: the innermost header stays, its items are left out.
  for (int levels : {kMaxFieldNesting + 1, 3000}) {
    tree = TreeOf(NestedOutOfBand(levels), 1);
    EXPECT_EQ(CountOf(tree, "MF_OUT_OF_BAND"), std::size_t(kMaxFieldNesting + 1));
    EXPECT_EQ(CountOf(tree, "MF_TRN_NUMBER"), 0u);
    Lines lines = LinesOf(NestedOutOfBand(levels), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "MF_OUT_OF_BAND"), kMaxFieldNesting + 1);
  }
}

// The tags that neither front end has a case for.
std::set<int> TagsWithoutACase() {
  std::set<int> tags{0, 9, 14, 19, 66, 68, 123, 138, 140, 148, 149, 151, 169, 170, 172, 174, 176, 191, 238, 239};
  auto range = [&](int a, int b) {
    for (int t = a; t <= b; ++t) tags.insert(t);
  };
  range(37, 43), range(71, 73), range(75, 78), tags.insert(81), range(86, 108), range(115, 121);
  range(160, 163), range(212, 214), range(242, 255);
  return tags;
}

std::set<int> TagsWithoutAnExportCase() {
  std::set<int> tags{65, 84, 147, 159, 171, 173, 175, 177, 178, 240, 241};
  for (int t = 153; t <= 157; ++t) tags.insert(t);
  for (int t = 164; t <= 168; ++t) tags.insert(t);
  for (int t = 182; t <= 190; ++t) tags.insert(t);
  return tags;
}

TEST(FieldDispatch, EveryTagReachesItsCase) {
  const std::set<int> none = TagsWithoutACase();
  const std::set<int> noExport = TagsWithoutAnExportCase();
  EXPECT_EQ(256 - none.size(), 170u);
  Bytes value = B({0x0A, 0x0B});
  for (int tag = 0; tag < 256; ++tag) {
    // Tag 1 is the root: its value is never an item of its own.
    TTLVStorage storage;
    Bytes msg = tag == 1 ? Bytes{} : TlvBuilder().Item(tag, value).bytes();
    ASSERT_EQ(storage.Parse(msg.data(), msg.size()), TLV_OK);
    const TTLV& item = *storage.Item(tag == 1 ? 0 : 1);
    TreeNode top;
    AddFieldNode(top, storage, item);
    Lines lines;
    AddFieldLines(lines, storage, item);
    char unknown[64];
    std::snprintf(unknown, sizeof unknown, "Неизвестное поле 0x%.2X", tag);
    std::string dump = (tag == 0 || tag == 255) ? "" : " [ 0A 0B  ]";
    bool treeUnknown = top.size() == 1 && top[0].text.rfind(unknown, 0) == 0;
    bool exportUnknown = lines.size() == 1 && lines[0] == unknown + dump;
    EXPECT_EQ(treeUnknown, none.count(tag) == 1) << "tag " << tag;
    EXPECT_EQ(exportUnknown, none.count(tag) == 1 || noExport.count(tag) == 1) << "tag " << tag;
    if (none.count(tag)) {
      EXPECT_EQ(top[0].text, unknown + dump);
    }
  }
  for (std::size_t i = 0; i < FieldRuleCount(); ++i) {
    if (FieldRules()[i].conv == Conv::Structured) {
      EXPECT_NE(FieldRules()[i].structured, nullptr);
    }
  }
  // The unknown-field text names the tag in two digits.
  EXPECT_EQ(TreeOfAbsent(9), "Неизвестное поле 0x09\n");
  EXPECT_EQ(LinesOfField(173, Bcd("42")), Lines{"Неизвестное поле 0xAD [ 42  ]"});
  EXPECT_EQ(TreeOfField(173, Bcd("42")), "MF_PKE_PAN: 42\n");
}

TEST(FieldLookup, DuplicateTagsShowTheFirstValue) {
  Bytes msg = TlvBuilder().DWord(3, 1).DWord(3, 2).Item(9, B({1})).Item(9, B({2})).Item(156, B({3})).Item(156, B({4})).bytes();
  EXPECT_EQ(TreeOf(msg, 1),
            "MF_TRN_NUMBER: 1\nMF_TRN_NUMBER: 1\n"
            "Неизвестное поле 0x09 [ 01  ]\nНеизвестное поле 0x09 [ 01  ]\n"
            "MF_CERT_DATA: [ 03  ]\nMF_CERT_DATA: [ 03  ]\n");
  // The same for a token and a special rule (a date and time): the second item shows the first's value.
  const Bytes first(16, 0x11), second(16, 0x22);
  msg = TlvBuilder()
            .Item(30, first)
            .Item(30, second)
            .Item(25, B({116, 4, 6, 9, 5, 0}))
            .Item(25, B({117, 0, 1, 0, 0, 0}))
            .bytes();
  EXPECT_EQ(TreeOf(msg, 1),
            "MF_TRZ_TOKEN: 11111111111111111111111111111111\nMF_TRZ_TOKEN: 11111111111111111111111111111111\n"
            "MF_TRZ_DATETIME: 2016-04-06 09:05:00.000\nMF_TRZ_DATETIME: 2016-04-06 09:05:00.000\n");
  // A first item that cannot be read hides a readable second one.
  msg = TlvBuilder().Item(44, B({1, 2})).Byte(44, 5).bytes();
  EXPECT_EQ(TreeOf(msg, 1), "");
  EXPECT_EQ(LinesOf(msg, 1), (Lines{"", ""}));
}

TEST(FieldMessage, DebitRequestInBothFrontEnds) {
  Bytes token;
  for (int i = 0; i < 16; ++i) token.push_back(0xA0 + i);
  Bytes msg = TlvBuilder()
                  .Byte(2, 8)
                  .DWord(3, 1234)
                  .Bcd(4, "20160406090500")
                  .Word(5, 12)
                  .Word(10, 501)
                  .Bcd(8, "7824861090012345678")
                  .Item(25, B({116, 4, 6, 9, 5, 0}))
                  .Byte(26, 3)
                  .Bcd(27, "271350")
                  .Bcd(28, "455000")
                  .Bcd(29, "12344150")
                  .Item(30, token)
                  .Str(83, "1234")
                  .Nested(50, OutOfBandItems())
                  .Nested(179, TlvBuilder().Str(180, "95").Bcd(27, "100000"))
                  .Bcd(173, "4276000012345678")
                  .Word(192, 1)
                  .Item(9, B({0x0A, 0x0B}))
                  .Byte(2, 9)
                  .WithRoot();
  EXPECT_EQ(TreeOf(msg),
            "MF_ROOT\n"
            "MF_TYPE_ID: Транзакция на дебет - запрос\n"
            "MF_TRN_NUMBER: 1234\n"
            "MF_TIMESTAMP: 20160406090500\n"
            "MF_EMITENT_ID: 12\n"
            "MF_TERMINAL_ID: 501\n"
            "MF_CARD_ID: 7824861090012345678\n"
            "MF_TRZ_DATETIME: 2016-04-06 09:05:00.000\n"
            "MF_TRZ_SERVICE: 3\n"
            "MF_TRZ_AMOUNT: 27.14\n"
            "MF_TRZ_PRICE: 45.50\n"
            "MF_TRZ_SUM: 1234.41\n"
            "MF_TRZ_TOKEN: A3A2A1A0A5A4A7A6A8A9AAABACADAEAF\n"
            "MF_CARD_PIN: ****\n"
            "MF_OUT_OF_BAND\n"
            "  MF_ROOT\n"
            "  MF_TRN_NUMBER: 7\n"
            "  MF_CARD_TYPE: 2\n"
            "MF_PRODUCT_DATA_RECORD\n"
            "  MF_ROOT\n"
            "  MF_PRODUCT_CODE: 95\n"
            "  MF_TRZ_AMOUNT: 10.00\n"
            "MF_PKE_PAN: 4276000012345678\n"
            "MF_RECALC_ONLINE: 0\n"
            "Неизвестное поле 0x09 [ 0A 0B  ]\n"
            "MF_TYPE_ID: Транзакция на дебет - запрос\n");
  EXPECT_EQ(LinesOf(msg), (Lines{
                              "MF_ROOT",
                              "MF_TYPE_ID: Транзакция на дебет - запрос",
                              "MF_TRN_NUMBER: 1234",
                              "MF_TIMESTAMP: 20160406090500",
                              "MF_EMITENT_ID: 12",
                              "MF_TERMINAL_ID: 501",
                              "MF_CARD_ID: 7824861090012345678",
                              "MF_TRZ_DATETIME: 2016-04-06 09:05:00.000",
                              "MF_TRZ_SERVICE: 3",
                              "MF_TRZ_AMOUNT: 27.14",
                              "MF_TRZ_PRICE: 45.50",
                              "MF_TRZ_SUM: 1234.41",
                              "MF_TRZ_TOKEN: A3A2A1A0A5A4A7A6A8A9AAABACADAEAF",
                              "MF_CARD_PIN: ****",
                              "MF_OUT_OF_BAND",
                              "MF_ROOT",
                              "MF_TRN_NUMBER: 7",
                              "MF_CARD_TYPE: 2",
                              "MF_PRODUCT_DATA_RECORD",
                              "MF_ROOT",
                              "MF_PRODUCT_CODE: 95",
                              "MF_TRZ_AMOUNT: 10.00",
                              "",
                              "Неизвестное поле 0xAD [ 42 76 00 00 12 34 56 78  ]",
                              "Error",
                              "Неизвестное поле 0x09 [ 0A 0B  ]",
                              "MF_TYPE_ID: Транзакция на дебет - запрос",
                          }));
}

bool IsUtf8(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
    i += n;
  }
  return true;
}

void CollectTree(const TreeNode& node, Lines& out) {
  for (const auto& child : node.children) {
    out.push_back(child->text);
    CollectTree(*child, out);
  }
}

// Random items of the given tags, some of them nested messages of random items.
void RandomItems(std::mt19937& rng, TlvBuilder& b, int depth, const std::vector<int>& tags) {
  static const int kNested[] = {34, 50, 67, 179};
  int count = rng() % 8;
  for (int i = 0; i < count; ++i) {
    if (depth < 4 && rng() % 5 == 0) {
      TlvBuilder inner;
      if (rng() % 8 == 0)
        inner.Raw(B({int(rng() % 256), int(rng() % 256)}));  // a value that may not parse
      else
        RandomItems(rng, inner, depth + 1, tags);
      b.Nested(kNested[rng() % 4], inner);
      continue;
    }
    Bytes value(rng() % 24);
    for (auto& v : value) v = static_cast<std::uint8_t>(rng() % 4 == 0 ? rng() % 10 : rng());
    b.Item(tags[rng() % tags.size()], value);
  }
}

TEST(FieldRobustness, AnyValueOfAnyTagRendersSafely) {
  // Every tag with values of every length up to beyond the largest buffer
  // (tag 1 is the root's header, which never holds a value).
  for (int tag = 0; tag < 256; ++tag) {
    if (tag == 1) continue;
    for (std::size_t length : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 15, 16, 17, 31, 32, 33, 99, 100, 101, 255, 256,
                               511, 512, 999, 1000, 1024, 1025, 4000}) {
      Bytes value(length);
      for (std::size_t i = 0; i < length; ++i) value[i] = static_cast<std::uint8_t>(i * 37 + tag);
      for (const std::string& line : LinesOfField(tag, value)) ASSERT_TRUE(IsUtf8(line)) << tag;
      Lines tree;
      TreeNode top;
      TTLVStorage storage;
      Bytes msg = TlvBuilder().Item(tag, value).bytes();
      ASSERT_EQ(storage.Parse(msg.data(), msg.size()), TLV_OK);
      for (std::uint32_t i = 0; i < storage.Count(); ++i) AddFieldNode(top, storage, *storage.Item(i));
      CollectTree(top, tree);
      for (const std::string& line : tree) ASSERT_TRUE(IsUtf8(line)) << tag;
    }
  }
}

// Fields whose export is the same as their tree: the export's non-empty
// strings are the tree's nodes in order. The structured fields are left out
// here: they are checked with their own layouts.
TEST(FieldRobustness, FrontEndsTakeTheSameDecisions) {
  std::set<int> differs = TagsWithoutAnExportCase();
  for (int t : {1, 45, 46, 146, 192}) differs.insert(t);
  for (std::size_t i = 0; i < FieldRuleCount(); ++i)
    if (FieldRules()[i].conv == Conv::Structured) differs.insert(FieldRules()[i].tag);
  std::vector<int> same, any;
  for (int t = 0; t < 256; ++t) {
    any.push_back(t);
    if (!differs.count(t)) same.push_back(t);
  }

  std::mt19937 rng(20160406);
  for (int round = 0; round < 4000; ++round) {
    bool comparable = round % 2 == 0;
    TlvBuilder b;
    RandomItems(rng, b, 0, comparable ? same : any);
    TTLVStorage storage;
    if (storage.Parse(b.bytes().data(), b.bytes().size()) != TLV_OK) continue;
    TreeNode top;
    Lines lines;
    for (std::uint32_t i = 0; i < storage.Count(); ++i) {
      AddFieldNode(top, storage, *storage.Item(i));
      AddFieldLines(lines, storage, *storage.Item(i));
    }
    Lines tree, shown;
    CollectTree(top, tree);
    for (const std::string& line : tree) ASSERT_TRUE(IsUtf8(line));
    for (const std::string& line : lines) {
      ASSERT_TRUE(IsUtf8(line));
      if (!line.empty()) shown.push_back(line);
    }
    if (comparable) {
      EXPECT_EQ(shown, tree);
    }
  }
}

}  // namespace
}  // namespace pkt::test
