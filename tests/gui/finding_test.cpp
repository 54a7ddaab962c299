// Finding records in the viewer windows as the operator does it: "Отбор" in
// the panel, the find bar with "Найти далее" / "Найти ранее", the pairing of a
// request with its response, the list's context menu and copying the tree.
#include <QApplication>
#include <QClipboard>
#include <QEventLoop>

#include <memory>

#include "gui_fixture.h"
#include "viewers/gui/find_bar.h"
#include "viewers/gui/h2h_window.h"
#include "viewers/gui/terminal_window.h"

namespace pkt::test {
namespace {

const Stamp kT0{2016, 4, 6, 10, 0, 0, 0};

// Connect, request and its response 250 ms later, a request of another
// terminal that no response answers, a disconnect.
Bytes Log() {
  return Join({
      TerminalRecord().Kind(6).Time(kT0).Emitent(1101).Terminal(7).Build(),
      TerminalRecord().Kind(0).Time(kT0.PlusMs(100)).Emitent(1101).Terminal(7)
          .Body(TerminalFrameBody(42, RequestTlv(42))).Build(),
      TerminalRecord().Kind(1).Time(kT0.PlusMs(350)).Emitent(1101).Terminal(7)
          .Body(TerminalFrameBody(43, RequestTlv(43))).Build(),
      TerminalRecord().Kind(0).Time(kT0.PlusMs(1200)).Emitent(2000).Terminal(9)
          .Body(TerminalFrameBody(44, RequestTlv(44))).Build(),
      TerminalRecord().Kind(7).Time(kT0.PlusMs(1500)).Emitent(1101).Terminal(7).Build(),
  });
}

class Finding : public GuiTest {
 protected:
  std::unique_ptr<TfmTerminalViewer> Open() {
    auto w = std::make_unique<TfmTerminalViewer>(nullptr, "", "/logs/NS1_1.pkt", programDir.Write("{T}.tmp", Log()));
    w->show();
    return w;
  }
  static void Select(TViewerWindow& w, int row) {
    w.LogView->selectionModel()->setCurrentIndex(w.LogView->model()->index(row, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  // Lets the window's events run until done holds (the search thread posts its result).
  template <class Done>
  static bool WaitFor(Done done) {
    for (int i = 0; i < 100000 && !done(); ++i) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    return done();
  }
  // Starts a search and waits for its end.
  static void Find(TViewerWindow& w, const QString& text, bool backward = false) {
    w.FindBar->edFind->setText(text);
    bool done = false;
    auto c = QObject::connect(w.FindBar, &TFindBar::searchDone, [&done] { done = true; });
    (backward ? w.acFindPrevious : w.acFindNext)->trigger();
    EXPECT_TRUE(WaitFor([&] { return done; }));
    QObject::disconnect(c);
  }
  static int Row(const TViewerWindow& w) { return w.SelectedRow() ? static_cast<int>(*w.SelectedRow()) : -1; }
};

TEST_F(Finding, SelectionNarrowsTheListAndABadExpressionEmptiesIt) {
  auto w = Open();
  EXPECT_EQ(w->cbMatch->text().toStdString(), "Отбор:");
  w->cbMatch->setChecked(true);
  w->edMatch->setText("MF_TRN_NUMBER >= 43 and terminal == 7");
  EXPECT_TRUE(w->Reload());
  EXPECT_EQ(w->ListRowCount(), 1u);
  w->WaitForBackground();
  EXPECT_EQ(w->Viewer().Charts().load.size(), 1u);  // the charts follow the listed records
  // The box unchecked: the expression is not applied.
  w->cbMatch->setChecked(false);
  EXPECT_TRUE(w->Reload());
  EXPECT_EQ(w->ListRowCount(), 5u);
  // A bad expression: its message, and no rows, as any fault of the filter.
  w->cbMatch->setChecked(true);
  w->edMatch->setText("MF_TRN == 43");
  EXPECT_FALSE(w->Reload());
  ASSERT_EQ(errors.size(), 1);
  EXPECT_EQ(errors[0].toStdString(), "Неизвестное имя \"MF_TRN\", позиция 1");
  EXPECT_EQ(w->ListRowCount(), 0u);
  // Also when the kind boxes would reject every record before it.
  for (QCheckBox* box : {w->cbConnects, w->cbDisconnects, w->cbIncoming, w->cbOutgoing}) box->setChecked(false);
  EXPECT_FALSE(w->Reload());
  EXPECT_EQ(errors.size(), 2);
}

TEST_F(Finding, FindBarSearchesBothWaysWrapsAndCounts) {
  auto w = Open();
  EXPECT_TRUE(w->FindBar->isHidden());
  w->acFind->trigger();
  EXPECT_FALSE(w->FindBar->isHidden());
  EXPECT_EQ(w->acFind->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
  EXPECT_EQ(w->acFindNext->shortcut(), QKeySequence(Qt::Key_F3));
  EXPECT_EQ(w->acFindPrevious->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F3));

  Find(*w, "kind == \"Входящий\"");
  EXPECT_EQ(Row(*w), 1);
  EXPECT_EQ(w->StatusNote().toStdString(), "");
  EXPECT_TRUE(WaitFor([&] { return !w->FindBar->lbCount->text().isEmpty(); }));
  EXPECT_EQ(w->FindBar->lbCount->text().toStdString(), "Совпадений: 2");
  Find(*w, "kind == \"Входящий\"");
  EXPECT_EQ(Row(*w), 3);
  Find(*w, "kind == \"Входящий\"");
  EXPECT_EQ(Row(*w), 1);
  EXPECT_EQ(w->StatusNote().toStdString(), "Поиск продолжен с начала списка");
  Find(*w, "kind == \"Входящий\"", true);
  EXPECT_EQ(Row(*w), 3);
  EXPECT_EQ(w->StatusNote().toStdString(), "Поиск продолжен с конца списка");

  // A plain word is looked for in every text of a row.
  Find(*w, "Отключение");
  EXPECT_EQ(Row(*w), 4);
  Find(*w, "MF_CARD_ID");
  EXPECT_EQ(w->StatusNote().toStdString(), "Не найдено");
  EXPECT_EQ(Row(*w), 4);
  Find(*w, "kind ==");
  EXPECT_NE(w->StatusNote().toStdString().find("позиция 8"), std::string::npos);
}

TEST_F(Finding, PairingSelectsThePartnerAndTellsTheLatency) {
  auto w = Open();
  EXPECT_EQ(w->acPair->text().toStdString(), "Перейти к парному сообщению");
  EXPECT_EQ(w->acPair->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
  Select(*w, 1);
  w->acPair->trigger();
  EXPECT_EQ(Row(*w), 2);
  EXPECT_EQ(w->StatusNote().toStdString(), "Ответ: строка 2, через 250 мс");
  w->acPair->trigger();
  EXPECT_EQ(Row(*w), 1);
  EXPECT_EQ(w->StatusNote().toStdString(), "Запрос: строка 1, за 250 мс до ответа");
  Select(*w, 3);
  w->acPair->trigger();
  EXPECT_EQ(Row(*w), 3);
  EXPECT_EQ(w->StatusNote().toStdString(), "Пары нет");
}

TEST_F(Finding, ContextMenuNarrowsToTheRowsTerminalAndCopiesRowAndTree) {
  auto w = Open();
  Select(*w, 3);
  w->acCopyRow->trigger();
  const std::vector<std::string> cells = w->Viewer().LogViewData(3);
  std::string line;
  for (std::size_t i = 0; i < cells.size(); ++i) line += (i ? "\t" : "") + cells[i];
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), line);

  w->acCopyAllValues->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), TreeText(w->Viewer().LogViewSelectItem(3u).nodes));

  w->acNarrowToTerminal->trigger();
  EXPECT_TRUE(w->cbTerminalID->isChecked());
  EXPECT_EQ(w->edTerminalID->text().toStdString(), "9");
  EXPECT_EQ(w->ListRowCount(), 1u);
  EXPECT_EQ(w->pmLogView->actions().size(), 2);
}

TEST_F(Finding, HostToHostWindowGoesToARowAndNarrowsToAHost) {
  Bytes host(16, 0);
  host[15] = 0x01;
  const Bytes log = Join({HostRecord().Kind(6).Time(kT0).Build(), HostRecord().Kind(7).Time(kT0).HostID(host).Build()});
  TfmH2HViewer w(nullptr, "", "/logs/H2H_1.pkt", programDir.Write("{H}.tmp", log));
  EXPECT_TRUE(w.acGoto->isEnabled());
  answers << "1";
  w.acGoto->trigger();
  EXPECT_EQ(Row(w), 1);
  w.acNarrowToHost->trigger();
  EXPECT_TRUE(w.cbHostID->isChecked());
  EXPECT_EQ(w.edHostID->text().toStdString(), "00000000000000000000000000000001");
  EXPECT_EQ(w.ListRowCount(), 1u);
}

}  // namespace
}  // namespace pkt::test
