// The host-to-host viewer: host filter, row texts, the tree of every kind
// group, and the export blocks.
#include <gtest/gtest.h>

#include <filesystem>

#include "fixture.h"
#include "iso8583/bfko.h"
#include "iso8583/h2h.h"
#include "platform/errors.h"
#include "viewers/h2h_viewer.h"

namespace pkt {
namespace {

using namespace test;

class H2HViewerTest : public ::testing::Test {
 protected:
  TH2HViewer& Open(const Bytes& log) {
    path_ = folder_.Write("H2H_test.pkt", log);
    viewer_ = std::make_unique<TH2HViewer>("", "/logs/H2H_test.pkt", path_);
    return *viewer_;
  }
  void Reload(const TH2HFilterSettings& s = {}) { viewer_->Reload(s, {}, ExportTo(ExportPath())); }
  std::string ExportPath() const { return folder_.File("export.txt"); }
  // The tree of a one-record log.
  std::vector<std::string> TreeOf(int kind, const Bytes& body) {
    Open(HostRecord().Kind(kind).Body(body).Build());
    Reload();
    TSelection s = viewer_->LogViewSelectItem(0);
    EXPECT_EQ(s.action, TSelection::Show);
    std::vector<std::string> texts;
    for (const auto& n : s.nodes) {
      EXPECT_TRUE(n->children.empty() || kind < 8 || kind == 12 || kind > 14);
      texts.push_back(n->text);
    }
    return texts;
  }

  TempFolder folder_;
  std::string path_;
  std::unique_ptr<TH2HViewer> viewer_;
};

using Texts = std::vector<std::string>;

Bytes HostId(int first) {
  Bytes b;
  for (int i = 0; i < 16; ++i) b.push_back(static_cast<std::uint8_t>(first + i));
  return b;
}

TEST_F(H2HViewerTest, HostTextIsComparedExactlyAndTheKindBoxesSpareRawAndIsoKinds) {
  Open(Join({HostRecord().Kind(0).HostID(HostId(1)).Build(), HostRecord().Kind(6).HostID(HostId(2)).Build(),
             HostRecord().Kind(8).HostID(HostId(1)).Build(), HostRecord().Kind(13).HostID(HostId(1)).Build()}));
  TH2HFilterSettings s;
  s.hostChecked = true;  // the initial text "1101" matches no 32-digit host text
  Reload(s);
  EXPECT_EQ(viewer_->RowCount(), 0u);
  s.hostText = "";
  Reload(s);
  EXPECT_EQ(viewer_->RowCount(), 4u);
  s.hostText = "0102030405060708090A0B0C0D0E0F10";
  Reload(s);
  EXPECT_EQ(viewer_->RowCount(), 3u);
  s.hostText = "0102030405060708090a0b0c0d0e0f10";  // case matters
  Reload(s);
  EXPECT_EQ(viewer_->RowCount(), 0u);

  TH2HFilterSettings k;
  k.kinds = {false, false, false, false, false, false};
  Reload(k);
  EXPECT_EQ(viewer_->RowCount(), 2u);  // kinds 8 and 13
}

TEST_F(H2HViewerTest, RowTextsReadTheHostFrameFieldsOfAnyBody) {
  Open(Join({HostRecord().Kind(9).HostID(HostId(1)).Address("h1").Body(HostFrame(300, SampleTlv())).Build(),
             HostRecord().Kind(6).Time(Stamp{}.PlusMs(1)).Build(),
             HostRecord().Kind(12).Time(Stamp{}.PlusMs(2)).Body(B({1, 2, 3})).Build()}));
  Reload();
  EXPECT_EQ(viewer_->LogViewData(0), (Texts{"0", "Исходящий", "2016-04-06 13:29:48.005", "0102030405060708090A0B0C0D0E0F10",
                                            "h1", "300", std::to_string(SampleTlv().size() + 32)}));
  EXPECT_EQ(viewer_->LogViewData(1)[5], "");
  EXPECT_EQ(viewer_->LogViewData(1)[6], "");
  // A body of three bytes holds neither field.
  EXPECT_EQ(viewer_->LogViewData(2)[1], "Неизвестный");
  EXPECT_EQ(viewer_->LogViewData(2)[5], "");
  EXPECT_EQ(viewer_->RowColour(1), TKindColour::Green);
  EXPECT_EQ(TH2HViewer::ColumnCaptions().size(), 7u);
}

TEST_F(H2HViewerTest, TlvKindsShowTheMessageUnderOneNode) {
  const Bytes tlv = SampleTlv();
  for (int kind : {0, 7, 12, 15, 255}) {
    Open(HostRecord().Kind(kind).Body(HostFrame(1, tlv)).Build());
    Reload();
    TSelection s = viewer_->LogViewSelectItem(0);
    EXPECT_EQ(TreeText(s.nodes), ExpectedTree(tlv, "Сообщение")) << kind;
  }
  EXPECT_TRUE(TreeOf(0, HostFrame(1, B({0x20}))).empty());
  EXPECT_TRUE(TreeOf(0, B({1, 2, 3})).empty());
  Open(HostRecord().Kind(0).Build());
  Reload();
  EXPECT_EQ(viewer_->LogViewSelectItem(0).action, TSelection::Keep);
}

TEST_F(H2HViewerTest, RawKindsShowTheBytesWithBulletsForControlBytes) {
  EXPECT_EQ(TreeOf(8, B({0x41, 0x0D, 0x0A})), (Texts{"Сообщение", "A\u2022\u2022"}));
  EXPECT_EQ(TreeOf(9, B({0xC0, 0x00, 0x20})), (Texts{"Сообщение", "А\u2022 "}));
}

TEST_F(H2HViewerTest, IsoKindsCheckTheirLengthPrefixBeforeDecoding) {
  const std::string wrong = "Сообщение имеет неправильный размер";
  Bytes twelve = Text("0012");
  for (int i = 0; i < 12; ++i) twelve.push_back(static_cast<std::uint8_t>('0' + i % 10));
  Texts expected{"Сообщение"};
  {
    const std::string listing = DecodeH2HMsgToLog(twelve.data() + 4, 12);
    if (listing.empty()) expected.push_back("Сообщение не может быть отображено");
    for (const std::string& line : CutListingLines(listing)) expected.push_back(Cp1251ToUtf8(line));
  }
  EXPECT_EQ(TreeOf(10, twelve), expected);

  EXPECT_EQ(TreeOf(10, Join({Text("001A"), Bytes(30, '0')})), (Texts{"Сообщение", wrong, ""}));
  EXPECT_EQ(TreeOf(11, Text("0012")), (Texts{"Сообщение", wrong, ""}));       // only the prefix
  EXPECT_EQ(TreeOf(10, Join({Text("0011"), Bytes(11, '0')})), (Texts{"Сообщение", wrong, ""}));
  EXPECT_EQ(TreeOf(10, Join({Text("0040"), Bytes(12, '0')})), (Texts{"Сообщение", wrong, ""}));  // beyond the body

  EXPECT_EQ(TreeOf(13, Join({B({0, 0, 0, 0x0B}), Bytes(11, 0)})), (Texts{"Сообщение", wrong, ""}));
  EXPECT_EQ(TreeOf(14, B({0, 0, 0})), (Texts{"Сообщение", wrong, ""}));                          // shorter than 4
  EXPECT_EQ(TreeOf(13, Join({B({0xFF, 0xFF, 0xFF, 0xFF}), Bytes(20, 0)})), (Texts{"Сообщение", wrong, ""}));  // -1
  EXPECT_EQ(TreeOf(13, Join({B({0, 0, 0, 0x1D}), Bytes(28, 0)})), (Texts{"Сообщение", wrong, ""}));  // 29 > 28

  Bytes bfko = B({0, 0, 0, 0x1C});
  Bytes msg;
  for (int i = 0; i < 28; ++i) msg.push_back(static_cast<std::uint8_t>('0' + i % 10));
  Append(bfko, msg);
  Texts bfkoExpected{"Сообщение"};
  const std::string listing = DecodeIso8583MsgToLog(msg.data(), msg.size());
  if (listing.empty()) bfkoExpected.push_back("Сообщение не может быть отображено");
  for (const std::string& line : CutListingLines(listing)) bfkoExpected.push_back(Cp1251ToUtf8(line));
  EXPECT_EQ(TreeOf(13, bfko), bfkoExpected);
}

TEST_F(H2HViewerTest, ExportBlocksRepeatTheTimeAndParseEveryBodyAsAHostFrame) {
  const Bytes tlv = SampleTlv(5);
  Open(Join({HostRecord().Kind(6).HostID(HostId(1)).Address("h 1").Build(),
             HostRecord().Kind(1).Time(Stamp{}.PlusMs(1)).HostID(HostId(1)).Address("h1").Body(HostFrame(9, tlv)).Build(),
             HostRecord().Kind(10).Time(Stamp{}.PlusMs(2)).HostID(HostId(1)).Address("h1").Body(Join({Text("0012"), Bytes(40, '0')})).Build(),
             // An ISO 8583 kind whose bytes happen to form a host frame: exported as TLV.
             HostRecord().Kind(13).Time(Stamp{}.PlusMs(3)).HostID(HostId(1)).Address("h1").Body(HostFrame(10, tlv)).Build()}));
  Reload();
  const std::string host = "0102030405060708090A0B0C0D0E0F10";
  const std::string size = std::to_string(tlv.size() + 32);
  auto head = [&](const char* ms, const char* kind) {
    const std::string t = std::string("\"2016-04-06 13:29:48.") + ms + "\"";
    return t + "\t" + Utf8ToCp1251(kind) + "\t" + t + "\t" + host + "\t";
  };
  const std::string expected =
      head("005", "Подключение") + "\"h 1\"\r\n\r\n" +
      head("006", "Исходящий") + "h1\t9\t" + size + "\r\n" + ExpectedMessageLines(tlv) + "\r\n" +
      // "0012" then zeros: the number is LE32 of the bytes "0120", the size LE16 of "00".
      head("007", "Входящий") + "h1\t" + std::to_string(0x30323130u) + "\t" + std::to_string(0x3030) + "\r\n\r\n" +
      head("008", "Входящий") + "h1\t10\t" + size + "\r\n" + ExpectedMessageLines(tlv) + "\r\n";
  EXPECT_EQ(ReadText(ExportPath()), expected);
}

TEST_F(H2HViewerTest, AFilterErrorLeavesNoRowsAndNoExport) {
  Stamp bad;
  bad.hour = 24;
  Open(Join({HostRecord().Kind(0).Build(), HostRecord().Kind(0).Time(bad).Build()}));
  Reload();
  EXPECT_EQ(viewer_->RowCount(), 2u);  // no time box: the bad time stamp is listed
  std::filesystem::remove(ExportPath());
  TH2HFilterSettings s;
  s.time.startChecked = true;
  EXPECT_THROW(Reload(s), ConvertError);
  EXPECT_EQ(viewer_->RowCount(), 0u);
  EXPECT_FALSE(std::filesystem::exists(ExportPath()));
  viewer_->FormClose();
  EXPECT_FALSE(std::filesystem::exists(path_));
}

}  // namespace
}  // namespace pkt
