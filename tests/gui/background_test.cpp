// The rebuild's charts and export built in the background: the window is in
// use while the export is being written, and a new "Применить", closing the
// window or ending the program cancel the export and remove its cut file.
#include <QAbstractItemModel>
#include <QLineSeries>
#include <QTableView>

#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <sstream>

#include "gui_fixture.h"
#include "viewers/background_work.h"
#include "viewers/gui/chart_pages.h"
#include "viewers/gui/terminal_window.h"
#include "viewers/log_export.h"

namespace pkt::test {
namespace {

const Stamp kT0{2016, 4, 6, 10, 0, 0, 0};

// Enough requests and responses that the export reports its progress several
// times before its end.
Bytes LargeTerminalLog(int pairs) {
  Bytes log;
  for (int i = 0; i < pairs; ++i) {
    Append(log, TerminalRecord().Kind(0).Time(kT0.PlusMs(i * 20)).Terminal(7)
                    .Body(TerminalFrameBody(i, RequestTlv(i))).Build());
    Append(log, TerminalRecord().Kind(1).Time(kT0.PlusMs(i * 20 + 5)).Terminal(7)
                    .Body(TerminalFrameBody(i, RequestTlv(i))).Build());
  }
  return log;
}

// Holds the next export that has written a part of its file, until the test
// lets it go or the export is cancelled.
class ExportGate {
 public:
  ExportGate() {
    previous_ = TBackgroundWork::SetProbe(
        [this](TWorkStage stage, std::uint64_t done, std::uint64_t total, std::stop_token stop) {
          if (stage != TWorkStage::Export || done == 0 || done >= total) return;
          std::unique_lock<std::mutex> lock(mutex_);
          if (holds_ == 0) return;
          --holds_;
          held_ = true;
          changed_.notify_all();
          changed_.wait(lock, stop, [this] { return released_; });
          held_ = false;
        });
  }
  ~ExportGate() { TBackgroundWork::SetProbe(std::move(previous_)); }

  // Waits until an export is held.
  void WaitUntilHeld() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return held_; });
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  TBackgroundWork::Probe previous_;
  std::mutex mutex_;
  std::condition_variable_any changed_;
  int holds_ = 1;
  bool held_ = false;
  bool released_ = false;
};

class Background : public GuiTest {
 protected:
  std::unique_ptr<TfmTerminalViewer> Open(const Bytes& log) {
    temp = programDir.Write("{TEST}.tmp", log);
    auto w = std::make_unique<TfmTerminalViewer>(nullptr, "", "/logs/NS1_1.pkt", temp);
    w->show();
    return w;
  }
  // The export of every record of the log, as one pass writes it.
  std::string ExpectedExport() const {
    TTerminalFastLog index;
    index.Open(temp);
    std::ostringstream out;
    WriteTerminalExport(index, out);
    return out.str();
  }
  std::vector<std::string> Exports() const { return ProgramFiles("PKT ", ".txt"); }

  std::string temp;
};

TEST_F(Background, TheWindowIsInUseWhileTheExportIsWrittenAndASecondApplyCancelsIt) {
  ExportGate gate;
  auto w = Open(LargeTerminalLog(20000));
  gate.WaitUntilHeld();
  ASSERT_TRUE(w->BackgroundBusy());
  // The first part of the export is on disk; the rows read and decode.
  ASSERT_EQ(Exports().size(), 1u);
  const std::string first = Exports()[0];
  EXPECT_GT(std::filesystem::file_size(first), 0u);
  EXPECT_EQ(w->ListRowCount(), 40000u);
  const QAbstractItemModel* m = w->LogView->model();
  EXPECT_EQ(m->index(39999, 2).data().toString(), "2016-04-06 10:06:39.985");
  EXPECT_EQ(m->index(39999, 6).data().toString(), "19999");
  w->LogView->selectionModel()->setCurrentIndex(m->index(39998, 0),
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  ASSERT_EQ(w->PacketView->topLevelItemCount(), 1);
  EXPECT_EQ(w->PacketView->topLevelItem(0)->text(0).toStdString(), "Сообщение ");
  EXPECT_GT(w->PacketView->topLevelItem(0)->childCount(), 0);

  // A second "Применить" cancels the held export: its cut file goes, and the
  // new rebuild leaves one complete export.
  w->Button1->click();
  w->WaitForBackground();
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
  ASSERT_EQ(Exports().size(), 1u);
  EXPECT_TRUE(w->LastExport().written);
  EXPECT_EQ(Exports()[0], w->LastExport().path);
  EXPECT_EQ(AsString(ReadBytes(Exports()[0])), ExpectedExport());
  EXPECT_EQ(w->Viewer().Charts().latency.size(), 20000u);
  EXPECT_TRUE(w->StatusNote().isEmpty());
}

TEST_F(Background, TheChartsShowWhileTheExportIsWrittenAndKeepTheirViewAtItsEnd) {
  ExportGate gate;
  auto w = Open(LargeTerminalLog(20000));
  gate.WaitUntilHeld();
  // The charts were built before the export began: the next look at the
  // work's progress hands them to their pages.
  for (int i = 0; i < 1000 && w->chtLatency->IsBuilding(); ++i)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  ASSERT_TRUE(w->BackgroundBusy());
  EXPECT_FALSE(w->chtLoad->IsBuilding());
  EXPECT_FALSE(w->chtLatency->IsBuilding());
  EXPECT_GT(w->chtLatency->Series(0)->count(), 0);
  // Their plotters (every aggregation level) were made by the work, not on the window's thread.
  ASSERT_TRUE(w->Viewer().PlotsBuiltSoFar().latency);
  EXPECT_EQ(w->chtLatency->Plotter(), w->Viewer().PlotsBuiltSoFar().latency.get());
  EXPECT_EQ(w->chtLoad->Plotter(), w->Viewer().PlotsBuiltSoFar().load.get());
  const TChartPlotter* const shown = w->chtLatency->Plotter();

  // The operator narrows the view while the export goes on; its end keeps it.
  const std::int64_t from = w->chtLatency->ViewFromMs() + 60000, to = from + 30000;
  w->chtLatency->SetView(from, to);
  gate.Release();
  w->WaitForBackground();
  EXPECT_TRUE(w->LastExport().written);
  EXPECT_EQ(w->Viewer().Charts().latency.size(), 20000u);
  EXPECT_EQ(w->chtLatency->ViewFromMs(), from);
  EXPECT_EQ(w->chtLatency->ViewToMs(), to);
  EXPECT_EQ(w->chtLatency->Plotter(), shown);
  EXPECT_EQ(w->Viewer().SharedPlots().latency.get(), shown);

  // A new "Применить" sends the pages back to "Строится…" until its own charts.
  ExportGate next;
  w->Button1->click();
  EXPECT_TRUE(w->chtLatency->IsBuilding());
  next.Release();
  w->WaitForBackground();
  EXPECT_FALSE(w->chtLatency->IsBuilding());
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(Background, ClosingOrDestroyingTheWindowCancelsTheExportAndRemovesItsFile) {
  {
    ExportGate gate;
    auto w = Open(LargeTerminalLog(10000));
    gate.WaitUntilHeld();
    ASSERT_EQ(Exports().size(), 1u);
    // Closing: the export stops, its file goes, then the temporary log.
    w->acClose->trigger();
    EXPECT_FALSE(w->BackgroundBusy());
    EXPECT_TRUE(Exports().empty());
    EXPECT_FALSE(std::filesystem::exists(temp));
    EXPECT_TRUE(w->StatusNote().isEmpty());
  }
  {
    ExportGate gate;
    auto w = Open(LargeTerminalLog(10000));
    gate.WaitUntilHeld();
    // Ending the program destroys the window without its close step: the
    // export stops and its file goes; the temporary log waits for the next start.
    w.reset();
    EXPECT_TRUE(Exports().empty());
    EXPECT_TRUE(std::filesystem::exists(temp));
  }
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(Background, AnExportLetGoAfterItsHoldCompletesItsFile) {
  ExportGate gate;
  auto w = Open(LargeTerminalLog(10000));
  gate.WaitUntilHeld();
  gate.Release();
  w->WaitForBackground();
  ASSERT_EQ(Exports().size(), 1u);
  EXPECT_EQ(AsString(ReadBytes(Exports()[0])), ExpectedExport());
}

}  // namespace
}  // namespace pkt::test
