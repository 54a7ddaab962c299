// Pictures of the windows for a person to look at: run with
//   PKTVIEW_SCREENSHOTS=<folder> tests_gui --gtest_also_run_disabled_tests --gtest_filter='Screens.*'
// Each window is grabbed to a PNG file of that folder.
#include <QDir>
#include <QMdiSubWindow>
#include <QPixmap>

#include "app/gui/about_box.h"
#include "app/gui/mdicont.h"
#include "gui_fixture.h"
#include "viewers/gui/h2h_window.h"
#include "viewers/gui/terminal_window.h"

namespace pkt::test {
namespace {

// A minute of traffic of four terminals: connects, requests answered after a
// varying delay, key exchanges and disconnects.
Bytes BusyTerminalLog() {
  Bytes log;
  const Stamp t0{2016, 4, 6, 10, 0, 0, 0};
  for (int term = 0; term < 4; ++term)
    Append(log, TerminalRecord().Kind(6).Time(t0.PlusMs(term * 37)).Terminal(100 + term).Build());
  for (int i = 0; i < 240; ++i) {
    const int at = 500 + i * 250 + (i % 7) * 13;
    const int term = 100 + i % 4;
    Append(log, TerminalRecord().Kind(0).Time(t0.PlusMs(at)).Terminal(term)
                    .Body(TerminalFrameBody(i, RequestTlv(1000 + i))).Build());
    Append(log, TerminalRecord().Kind(1).Time(t0.PlusMs(at + 40 + (i * 37) % 300)).Terminal(term)
                    .Body(TerminalFrameBody(i, RequestTlv(1000 + i))).Build());
    if (i % 30 == 0) Append(log, TerminalRecord().Kind(2).Time(t0.PlusMs(at + 5)).Terminal(term).Build());
  }
  for (int term = 0; term < 4; ++term)
    Append(log, TerminalRecord().Kind(7).Time(t0.PlusMs(61000 + term * 50)).Terminal(100 + term).Build());
  return log;
}

Bytes HostLog() {
  const Stamp t0{2016, 4, 6, 10, 0, 0, 0};
  return Join({
      HostRecord().Kind(6).Time(t0).Build(),
      HostRecord().Kind(0).Time(t0.PlusMs(10)).Body(HostFrameBody(5, RequestTlv(5))).Build(),
      HostRecord().Kind(8).Time(t0.PlusMs(20)).Body(Text("PING\r\n")).Build(),
      HostRecord().Kind(7).Time(t0.PlusMs(30)).Build(),
  });
}

class Screens : public GuiTest {};

TEST_F(Screens, DISABLED_GrabEveryWindow) {
  const QString out = qEnvironmentVariable("PKTVIEW_SCREENSHOTS");
  if (out.isEmpty()) GTEST_SKIP() << "PKTVIEW_SCREENSHOTS is not set";
  QDir().mkpath(out);
  auto save = [&](QWidget* w, const char* name) { EXPECT_TRUE(w->grab().save(out + "/" + name + ".png")); };

  TfmMDICont main;
  main.resize(1280, 900);
  main.show();
  const QString ns = QString::fromStdString(logs.Write("NS1_busy.pkt", BusyTerminalLog()));
  const QString h2h = QString::fromStdString(logs.Write("H2H_a.pkt", HostLog()));
  auto* terminal = qobject_cast<TfmTerminalViewer*>(main.OpenFiles({ns}, 1));
  ASSERT_NE(terminal, nullptr);
  terminal->WaitForBackground();
  terminal->parentWidget()->resize(1100, 800);
  terminal->LogView->selectionModel()->setCurrentIndex(
      terminal->LogView->model()->index(4, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  QCoreApplication::processEvents();
  save(&main, "main_terminal_messages");
  terminal->Pages->setCurrentIndex(1);
  QCoreApplication::processEvents();
  save(terminal, "terminal_load");
  terminal->Pages->setCurrentIndex(2);
  QCoreApplication::processEvents();
  save(terminal, "terminal_latency");

  auto* host = qobject_cast<TfmH2HViewer*>(main.OpenFiles({h2h}, 2));
  ASSERT_NE(host, nullptr);
  host->WaitForBackground();
  host->LogView->selectionModel()->setCurrentIndex(host->LogView->model()->index(2, 0),
                                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  main.WindowTileVertical1->trigger();
  QCoreApplication::processEvents();
  save(&main, "main_tiled");
  save(host, "host_viewer");

  TAboutBox about(&main);
  about.show();
  QCoreApplication::processEvents();
  save(&about, "about_box");
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

}  // namespace
}  // namespace pkt::test
