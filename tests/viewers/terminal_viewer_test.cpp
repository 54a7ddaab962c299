// The terminal viewer's rebuild: the filter and its order of tests, the two
// ways a rebuild fails, the row texts, the tree of a row and the export.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "fixture.h"
#include "platform/errors.h"
#include "platform/systime.h"

namespace pkt {
namespace {

using namespace test;

class TerminalViewerTest : public ::testing::Test {
 protected:
  // Writes the log and makes a viewer over it (the log file stands for the merged file).
  TTerminalViewer& Open(const Bytes& log) {
    path_ = folder_.Write("NS1_test.pkt", log);
    viewer_ = std::make_unique<TTerminalViewer>("13:29:48 /logs/", "/logs/NS1_test.pkt", path_);
    return *viewer_;
  }
  void Reload(const TTerminalFilterSettings& s = {}) { viewer_->Reload(s, {}, ExportTo(ExportPath())); }
  std::string ExportPath() const { return folder_.File("export.txt"); }
  std::vector<std::string> Column(std::size_t cell) const {
    std::vector<std::string> out;
    for (std::uint32_t i = 0; i < viewer_->RowCount(); ++i) out.push_back(viewer_->LogViewData(i)[cell]);
    return out;
  }

  TempFolder folder_;
  std::string path_;
  std::unique_ptr<TTerminalViewer> viewer_;
};

Bytes Rec(int kind, std::uint16_t emitent, std::uint16_t terminal, const Stamp& t = {}) {
  return TerminalRecord().Kind(kind).Emitent(emitent).Terminal(terminal).Time(t).Build();
}

std::int64_t Ms(const Stamp& s) {
  return DateTimeMs(TSystemTime::FromBytes(StampBytes(s).data()));
}

TEST_F(TerminalViewerTest, InitialPanelListsEveryRecordAndTheIssuerFilterWorksModulo65536) {
  Open(Join({Rec(0, 1101, 1), Rec(12, 1101, 2), Rec(99, 5, 3), Rec(6, 1101, 4)}));
  Reload();
  EXPECT_EQ(viewer_->RowCount(), 4u);
  EXPECT_EQ(Column(1), (std::vector<std::string>{"Входящий", "Уведомление (мобильный заказ)", "Неизвестный", "Подключение"}));

  TTerminalFilterSettings s;
  s.emitentChecked = true;
  Reload(s);  // the initial text 1101
  EXPECT_EQ(Column(4), (std::vector<std::string>{"1", "2", "4"}));
  s.emitentText = "66637";  // 1101 + 65536
  Reload(s);
  EXPECT_EQ(viewer_->RowCount(), 3u);
  s.emitentText = "";
  Reload(s);
  EXPECT_EQ(viewer_->RowCount(), 4u);

  TTerminalFilterSettings t;
  t.terminalChecked = true;
  t.terminalText = "3";
  Reload(t);
  EXPECT_EQ(Column(3), std::vector<std::string>{"5"});
}

TEST_F(TerminalViewerTest, NumberTextsAreConvertedWhenTheirTestIsFirstReached) {
  // Only issuer 5: with issuer 1101 asked for, the terminal test (with a bad
  // text) is never reached and nothing is raised.
  Open(Join({Rec(0, 5, 1), Rec(0, 5, 2)}));
  TTerminalFilterSettings s;
  s.emitentChecked = true;
  s.terminalChecked = true;
  s.terminalText = "zz";
  Reload(s);
  EXPECT_EQ(viewer_->RowCount(), 0u);

  // A bad issuer text raises at the first record, leaves the list empty and writes no export.
  s.emitentText = "12a";
  std::filesystem::remove(ExportPath());
  try {
    Reload(s);
    FAIL();
  } catch (const ConvertError& e) {
    EXPECT_STREQ(e.what(), "'12a' is not a valid integer value");
  }
  EXPECT_EQ(viewer_->RowCount(), 0u);
  EXPECT_FALSE(viewer_->LastExport().attempted);
  EXPECT_FALSE(std::filesystem::exists(ExportPath()));

  // An unchecked box never converts its text.
  s.emitentChecked = false;
  s.terminalChecked = false;
  Reload(s);
  EXPECT_EQ(viewer_->RowCount(), 2u);
}

TEST_F(TerminalViewerTest, TimeBoundsAreInclusiveToTheMillisecond) {
  const Stamp t0;
  Open(Join({Rec(0, 1, 1, t0.PlusMs(-1)), Rec(0, 1, 2, t0), Rec(0, 1, 3, t0.PlusMs(250)), Rec(0, 1, 4, t0.PlusMs(251))}));
  TTerminalFilterSettings s;
  s.time.startChecked = true;
  s.time.startMs = Ms(t0);
  s.time.endChecked = true;
  s.time.endMs = Ms(t0.PlusMs(250));
  Reload(s);
  EXPECT_EQ(Column(4), (std::vector<std::string>{"2", "3"}));
}

TEST_F(TerminalViewerTest, KindBoxesRemoveOnlyTheirKinds) {
  Open(Join({Rec(0, 1, 0), Rec(1, 1, 1), Rec(2, 1, 2), Rec(3, 1, 3), Rec(4, 1, 4), Rec(5, 1, 5), Rec(6, 1, 6),
             Rec(7, 1, 7), Rec(12, 1, 12)}));
  TTerminalFilterSettings s;
  s.kinds.keyExchange = false;
  s.kinds.incoming = false;
  Reload(s);
  EXPECT_EQ(Column(4), (std::vector<std::string>{"1", "4", "5", "6", "7", "12"}));
  s = {};
  s.kinds = {false, false, false, false, false, false};
  Reload(s);
  EXPECT_EQ(Column(4), std::vector<std::string>{"12"});
}

TEST(PanelFilter, OnlyThePanelAsItStartsAdmitsEveryRecordUnasked) {
  EXPECT_TRUE(TTerminalFilter({}).AdmitsEverything());
  EXPECT_TRUE(TH2HFilter({}).AdmitsEverything());
  std::vector<TTerminalFilterSettings> narrowing(7);
  narrowing[0].emitentChecked = true;
  narrowing[1].terminalChecked = true;
  narrowing[2].time.startChecked = true;
  narrowing[3].time.endChecked = true;
  narrowing[4].kinds.authentication = false;
  narrowing[5].kinds.connects = false;
  narrowing[6].match = [](const TTerminalPacketHandler&) { return true; };
  for (std::size_t i = 0; i < narrowing.size(); ++i) EXPECT_FALSE(TTerminalFilter(narrowing[i]).AdmitsEverything()) << i;
  TTerminalFilterSettings emptyTexts;
  emptyTexts.emitentChecked = emptyTexts.terminalChecked = true;
  emptyTexts.emitentText = emptyTexts.terminalText = "";  // an empty text passes every record
  EXPECT_TRUE(TTerminalFilter(emptyTexts).AdmitsEverything());
  TH2HFilterSettings host;
  host.hostChecked = true;
  EXPECT_FALSE(TH2HFilter(host).AdmitsEverything());
}

TEST_F(TerminalViewerTest, AnIndexErrorLeavesNoRowsTheOldChartsAndNoExport) {
  Open(Join({Rec(0, 1, 1), Rec(1, 1, 1, Stamp{}.PlusMs(100))}));
  Reload();
  ASSERT_EQ(viewer_->RowCount(), 2u);
  ASSERT_EQ(viewer_->Charts().latency.size(), 1u);
  std::filesystem::remove(ExportPath());

  // The same file with ten stray bytes: a truncated terminal log.
  Bytes truncated = Join({Rec(0, 1, 1), Bytes(10, 0x55)});
  folder_.Write("NS1_test.pkt", truncated);
  EXPECT_THROW(Reload(), TruncatedLogError);
  EXPECT_EQ(viewer_->RowCount(), 0u);
  EXPECT_EQ(viewer_->Charts().latency.size(), 1u);
  EXPECT_EQ(viewer_->Charts().load.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(ExportPath()));
}

TEST_F(TerminalViewerTest, AChartErrorKeepsTheRowsAndThePointsSoFarButWritesNoExport) {
  Stamp bad;
  bad.month = 13;
  Stamp later = Stamp{}.PlusMs(5000);
  Open(Join({Rec(0, 1, 1), Rec(6, 1, 2, later), Rec(0, 1, 3, bad)}));
  try {
    Reload();
    FAIL();
  } catch (const ConvertError& e) {
    EXPECT_STREQ(e.what(), "'2016-13-06 13:29:48.005' is not a valid date and time");
  }
  EXPECT_EQ(viewer_->RowCount(), 3u);
  EXPECT_FALSE(viewer_->LastExport().attempted);
  EXPECT_FALSE(std::filesystem::exists(ExportPath()));

  // With a time box checked the filter itself raises, at the bad record.
  TTerminalFilterSettings s;
  s.time.endChecked = true;
  s.time.endMs = Ms(later);
  EXPECT_THROW(Reload(s), ConvertError);
  EXPECT_EQ(viewer_->RowCount(), 0u);
}

TEST_F(TerminalViewerTest, TheBackgroundPartOfARebuildFollowsTheRulesOfTheWholeRebuild) {
  const Stamp later = Stamp{}.PlusMs(250);
  Open(Join({Rec(0, 1, 1), Rec(6, 1, 2, later), Rec(1, 1, 1, later)}));
  Reload();
  const std::string whole = ReadText(ExportPath());
  std::filesystem::remove(ExportPath());

  // Rows first; the charts and the export come from the work's thread.
  viewer_->ReloadIndex({});
  EXPECT_EQ(viewer_->RowCount(), 3u);
  std::atomic<int> finished{0};
  viewer_->StartRest([&] { ++finished; }, ExportTo(ExportPath()));
  EXPECT_EQ(viewer_->FinishRest(), nullptr);
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(ReadText(ExportPath()), whole);
  EXPECT_TRUE(viewer_->LastExport().written);
  EXPECT_EQ(viewer_->Charts().latency.size(), 1u);

  // An error of the charts ends the work with the points so far and no export.
  Stamp bad;
  bad.month = 13;
  Open(Join({Rec(0, 1, 1), Rec(0, 1, 3, bad)}));
  std::filesystem::remove(ExportPath());
  viewer_->ReloadIndex({});
  viewer_->StartRest({}, ExportTo(ExportPath()));
  const std::exception_ptr error = viewer_->FinishRest();
  ASSERT_NE(error, nullptr);
  EXPECT_THROW(std::rethrow_exception(error), ConvertError);
  EXPECT_FALSE(viewer_->LastExport().attempted);
  EXPECT_FALSE(std::filesystem::exists(ExportPath()));

  // Cancelled while the charts are built: nothing is written, nothing is published.
  Open(Join({Rec(0, 1, 1), Rec(1, 1, 1, later)}));
  viewer_->ReloadIndex({});
  std::atomic<bool> holding{false};
  const auto previous = TBackgroundWork::SetProbe([&](TWorkStage stage, std::uint64_t, std::uint64_t, std::stop_token stop) {
    if (stage != TWorkStage::Charts) return;
    holding = true;
    while (!stop.stop_requested()) std::this_thread::yield();
  });
  viewer_->StartRest({}, ExportTo(ExportPath()));
  while (!holding) std::this_thread::yield();
  viewer_->CancelRest();
  TBackgroundWork::SetProbe(previous);
  EXPECT_TRUE(viewer_->Work().WasCancelled());
  EXPECT_FALSE(std::filesystem::exists(ExportPath()));
  EXPECT_TRUE(viewer_->Charts().latency.empty());
  EXPECT_EQ(viewer_->RowCount(), 2u);  // the rows stay
}

TEST_F(TerminalViewerTest, TheWorkMakesTheChartPlottersWhenAskedAndTheViewerMakesThemOtherwise) {
  const Stamp later = Stamp{}.PlusMs(250);
  Open(Join({Rec(0, 1, 1), Rec(6, 1, 2, later), Rec(1, 1, 1, later)}));
  viewer_->ReloadIndex({});
  TReloadSteps steps = ExportTo(ExportPath());
  steps.plots = true;
  viewer_->StartRest({}, steps);
  ASSERT_EQ(viewer_->FinishRest(), nullptr);
  const TChartPlots made = viewer_->SharedPlots();
  ASSERT_TRUE(made.load && made.latency);
  EXPECT_EQ(made.load->Source(), &viewer_->Charts());
  EXPECT_EQ(made.latency->Source(), &viewer_->Charts());
  EXPECT_EQ(made.latency->FirstMs(), Ms(later));
  EXPECT_EQ(viewer_->SharedPlots().latency, made.latency);  // kept, not made again

  // A rebuild that asks for none (pktdump's): the plotters of its charts are made when asked for.
  std::filesystem::remove(ExportPath());
  viewer_->ReloadIndex({});
  EXPECT_FALSE(viewer_->PlotsBuiltSoFar().load);
  viewer_->StartRest({}, ExportTo(ExportPath()));
  ASSERT_EQ(viewer_->FinishRest(), nullptr);
  const TChartPlots remade = viewer_->SharedPlots();
  ASSERT_TRUE(remade.latency);
  EXPECT_NE(remade.latency, made.latency);
  EXPECT_EQ(remade.latency->Source(), &viewer_->Charts());
}

TEST_F(TerminalViewerTest, RowTextsOfMessagesAndOfRecordsWithoutBody) {
  Bytes addr = Text("\xC0\xE4\xF0\xE5\xF1 1");  // "Адрес 1" in cp1251
  Open(Join({TerminalRecord().Kind(0).Emitent(65535).Terminal(2914).Address(AsString(addr)).Body(TerminalFrame(7001, SampleTlv())).Build(),
             TerminalRecord().Kind(6).Time(Stamp{}.PlusMs(1)).AddressField(Bytes(24, 'x')).Build()}));
  Reload();
  ASSERT_EQ(viewer_->RowCount(), 2u);
  const std::string size = std::to_string(SampleTlv().size() + 16);
  EXPECT_EQ(viewer_->LogViewData(0), (std::vector<std::string>{"0", "Входящий", "2016-04-06 13:29:48.005", "65535",
                                                               "2914", "Адрес 1", "7001", size}));
  EXPECT_EQ(viewer_->LogViewData(1), (std::vector<std::string>{"1", "Подключение", "2016-04-06 13:29:48.006", "1101",
                                                               "7", std::string(24, 'x'), "", ""}));
  EXPECT_EQ(viewer_->RowColour(0), TKindColour::Black);
  EXPECT_EQ(viewer_->RowColour(1), TKindColour::Green);
  EXPECT_THROW(viewer_->LogViewData(2), AppError);
  EXPECT_EQ(TTerminalViewer::ColumnCaptions().size(), 8u);
  EXPECT_EQ(viewer_->Caption(), "Сообщения - 13:29:48 /logs/ - /logs/NS1_test.pkt");
}

TEST_F(TerminalViewerTest, TreeOfARowByItsBody) {
  const Bytes tlv = SampleTlv();
  Open(Join({TerminalRecord().Kind(0).Body(TerminalFrame(1, tlv)).Build(),
             TerminalRecord().Kind(6).Time(Stamp{}.PlusMs(1)).Build(),
             TerminalRecord().Kind(0).Time(Stamp{}.PlusMs(2)).Body(TerminalFrame(2, B({0x20, 0x01}))).Build(),
             TerminalRecord().Kind(0).Time(Stamp{}.PlusMs(3)).Body(B({1, 2, 3})).Build(),
             // A size field announcing more than the body holds: not decodable.
             TerminalRecord().Kind(0).Time(Stamp{}.PlusMs(4)).Body(TerminalFrame(3, tlv, 0xFFFF)).Build()}));
  Reload();
  TSelection s = viewer_->LogViewSelectItem(0);
  ASSERT_EQ(s.action, TSelection::Show);
  ASSERT_EQ(s.nodes.size(), 1u);
  EXPECT_EQ(s.nodes[0]->text, "Сообщение ");
  EXPECT_EQ(TreeText(s.nodes), ExpectedTree(tlv, "Сообщение "));

  EXPECT_EQ(viewer_->LogViewSelectItem(1).action, TSelection::Keep);
  for (std::uint32_t row : {2u, 3u}) {
    s = viewer_->LogViewSelectItem(row);
    EXPECT_EQ(s.action, TSelection::Show);
    EXPECT_TRUE(s.nodes.empty()) << row;
  }
  s = viewer_->LogViewSelectItem(4);
  EXPECT_EQ(s.action, TSelection::Show);
  EXPECT_TRUE(s.nodes.empty());
  EXPECT_EQ(viewer_->LogViewSelectItem(std::nullopt).action, TSelection::Clear);
  EXPECT_THROW(viewer_->LogViewSelectItem(5), AppError);
}

TEST_F(TerminalViewerTest, ExportWritesOneBlockPerListedRecord) {
  const Bytes tlv = SampleTlv(9);
  Open(Join({TerminalRecord().Kind(6).Emitent(1101).Terminal(2914).Address("10.0.0.1:5000").Build(),
             TerminalRecord().Kind(0).Emitent(1101).Terminal(2914).Address("a \"b\"").Time(Stamp{}.PlusMs(10))
                 .Body(TerminalFrame(77, tlv)).Build(),
             TerminalRecord().Kind(12).Time(Stamp{}.PlusMs(20)).Address("").Body(TerminalFrame(78, B({0x20}))).Build()}));
  Reload();
  ASSERT_TRUE(viewer_->LastExport().written);
  const std::string size = std::to_string(tlv.size() + 16);
  const std::string expected =
      "\"2016-04-06 13:29:48.005\"\t" + Utf8ToCp1251("Подключение") + "\t1101\t2914\t10.0.0.1:5000\r\n"
      "\r\n"
      "\"2016-04-06 13:29:48.015\"\t" + Utf8ToCp1251("Входящий") + "\t1101\t2914\t\"a \"\"b\"\"\"\t77\t" + size + "\r\n" +
      ExpectedMessageLines(tlv) +
      "\r\n"
      "\"2016-04-06 13:29:48.025\"\t\"" + Utf8ToCp1251("Уведомление (мобильный заказ)") + "\"\t1101\t7\t\t78\t17\r\n"
      "\r\n";
  EXPECT_EQ(ReadText(ExportPath()), expected);
  // The root's line begins with the quoted field "Сообщение ".
  EXPECT_EQ(ExpectedMessageLines(tlv).rfind("\"" + Utf8ToCp1251("Сообщение ") + "\"", 0), 0u);

  // No accepted record: an empty file.
  TTerminalFilterSettings none;
  none.emitentChecked = true;
  none.emitentText = "1";
  Reload(none);
  EXPECT_TRUE(viewer_->LastExport().written);
  EXPECT_EQ(ReadText(ExportPath()), "");
}

TEST_F(TerminalViewerTest, AnExportThatCannotBeCreatedIsSkippedAndSaysWhy) {
  Open(Rec(6, 1, 1));
  viewer_->Reload({}, {}, ExportTo(folder_.File("missing/export.txt")));
  EXPECT_EQ(viewer_->RowCount(), 1u);
  EXPECT_TRUE(viewer_->LastExport().attempted);
  EXPECT_FALSE(viewer_->LastExport().written);
  EXPECT_EQ(viewer_->LastExport().reason.rfind("System Error.  Code: 2.\r\n", 0), 0u);
}

TEST_F(TerminalViewerTest, FormCloseDeletesTheTemporaryFile) {
  Open(Rec(6, 1, 1));
  Reload();
  viewer_->FormClose();
  EXPECT_EQ(viewer_->RowCount(), 0u);
  EXPECT_FALSE(std::filesystem::exists(path_));
  EXPECT_TRUE(std::filesystem::exists(ExportPath()));
}

}  // namespace
}  // namespace pkt
