// The terminal viewer window driven as the operator drives it: the list and
// its colours, the filter panel, the tree of a row, "Перейти к...", copying,
// the charts and closing.
#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QLineEdit>
#include <QTableView>

#include <filesystem>
#include <memory>

#include "gui_fixture.h"
#include "viewers/gui/chart_pages.h"
#include "viewers/gui/log_model.h"
#include "viewers/gui/terminal_window.h"

namespace pkt::test {
namespace {

const Stamp kT0{2016, 4, 6, 10, 0, 0, 0};

// Connect, request and its response 250 ms later, a key request of another
// issuer, a disconnect, a mobile order notice: one record of each colour.
Bytes SampleTerminalLog() {
  return Join({
      TerminalRecord().Kind(6).Time(kT0).Emitent(1101).Terminal(7).Build(),
      TerminalRecord().Kind(0).Time(kT0.PlusMs(100)).Emitent(1101).Terminal(7)
          .Body(TerminalFrameBody(42, RequestTlv(42))).Build(),
      TerminalRecord().Kind(1).Time(kT0.PlusMs(350)).Emitent(1101).Terminal(7)
          .Body(TerminalFrameBody(43, RequestTlv(43))).Build(),
      TerminalRecord().Kind(2).Time(kT0.PlusMs(1200)).Emitent(2000).Terminal(9).Build(),
      TerminalRecord().Kind(7).Time(kT0.PlusMs(1500)).Emitent(1101).Terminal(7).Build(),
      TerminalRecord().Kind(12).Time(kT0.PlusMs(2300)).Emitent(1101).Terminal(7).Build(),
  });
}

class TerminalWindow : public GuiTest {
 protected:
  std::unique_ptr<TfmTerminalViewer> Open(const Bytes& log) {
    const std::string temp = programDir.Write("{TEST}.tmp", log);
    auto w = std::make_unique<TfmTerminalViewer>(nullptr, "10:00:00 /logs/", "/logs/NS1_1.pkt", temp);
    w->show();
    w->WaitForBackground();
    return w;
  }
  static QString Cell(const TViewerWindow& w, int row, int column, int role = Qt::DisplayRole) {
    return w.LogView->model()->index(row, column).data(role).toString();
  }
  static QColor Colour(const TViewerWindow& w, int row, int column) {
    return w.LogView->model()->index(row, column).data(Qt::ForegroundRole).value<QColor>();
  }
  static void Select(TViewerWindow& w, int row) {
    w.LogView->selectionModel()->setCurrentIndex(w.LogView->model()->index(row, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  static void Type(QWidget* target, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
  }
};

TEST_F(TerminalWindow, InitialPanelListsEveryRecordWithItsTextsAndColours) {
  auto w = Open(SampleTerminalLog());
  EXPECT_EQ(w->windowTitle().toStdString(), "Сообщения - 10:00:00 /logs/ - /logs/NS1_1.pkt");
  EXPECT_FALSE(w->cbEmitentID->isChecked());
  EXPECT_EQ(w->edEmitentID->text(), "1101");
  EXPECT_FALSE(w->cbTerminalID->isChecked());
  EXPECT_EQ(w->edTerminalID->text(), "2914");
  EXPECT_FALSE(w->cbStartDateTime->isChecked());
  EXPECT_FALSE(w->cbEndDateTime->isChecked());
  for (QCheckBox* kind : {w->cbConnects, w->cbDisconnects, w->cbIncoming, w->cbOutgoing, w->cbKeyExchange,
                          w->cbAuthentication})
    EXPECT_TRUE(kind->isChecked()) << kind->text().toStdString();
  EXPECT_EQ(w->dtStartDate->date(), QDate::currentDate());

  QAbstractItemModel* m = w->LogView->model();
  ASSERT_EQ(m->rowCount(), 6);
  ASSERT_EQ(m->columnCount(), 8);
  const char* headers[] = {"#", "Тип", "Время", "Эмитент", "Терминал", "Адрес", "№ сообщения", "Размер"};
  const int widths[] = {40, 100, 150, 70, 70, 150, 100, 70};
  for (int c = 0; c < 8; ++c) {
    EXPECT_EQ(m->headerData(c, Qt::Horizontal).toString().toStdString(), headers[c]);
    // "Тип" widens to the longest kind name; every other column keeps its width here.
    if (c == 1) EXPECT_GE(w->LogView->columnWidth(c), widths[c]);
    else EXPECT_EQ(w->LogView->columnWidth(c), widths[c]);
  }

  EXPECT_EQ(Cell(*w, 1, 0), "1");
  EXPECT_EQ(Cell(*w, 1, 1).toStdString(), "Входящий");
  EXPECT_EQ(Cell(*w, 1, 2), "2016-04-06 10:00:00.100");
  EXPECT_EQ(Cell(*w, 1, 3), "1101");
  EXPECT_EQ(Cell(*w, 1, 4), "7");
  EXPECT_EQ(Cell(*w, 1, 5), "10.0.0.1:5000");
  EXPECT_EQ(Cell(*w, 1, 6), "42");
  EXPECT_EQ(Cell(*w, 1, 7), QString::number(RequestTlv(42).size() + 16));
  // A connect has no body: no message number, no size.
  EXPECT_EQ(Cell(*w, 0, 6), "");
  EXPECT_EQ(Cell(*w, 0, 7), "");
  EXPECT_EQ(Cell(*w, 5, 1).toStdString(), "Уведомление (мобильный заказ)");

  // Only the "Тип" cell is coloured: connect green, key exchange blue,
  // disconnect red, the rest black.
  EXPECT_EQ(Colour(*w, 0, 1), QColor(0, 0x80, 0));
  EXPECT_EQ(Colour(*w, 1, 1), QColor(0, 0, 0));
  EXPECT_EQ(Colour(*w, 3, 1), QColor(0, 0, 0xFF));
  EXPECT_EQ(Colour(*w, 4, 1), QColor(0xFF, 0, 0));
  EXPECT_FALSE(m->index(0, 2).data(Qt::ForegroundRole).isValid());
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
  // The first rebuild wrote its export.
  EXPECT_TRUE(w->LastExport().written);
  EXPECT_EQ(ProgramFiles("PKT ", ".txt").size(), 1u);
}

TEST_F(TerminalWindow, ApplyingThePanelFiltersTheList) {
  auto w = Open(SampleTerminalLog());
  w->cbEmitentID->setChecked(true);
  w->Button1->click();
  EXPECT_EQ(w->ListRowCount(), 5u);  // the key request of issuer 2000 goes

  w->edEmitentID->setText(QString::number(2000 + 65536));  // compared modulo 65536
  w->Button1->click();
  EXPECT_EQ(w->ListRowCount(), 1u);
  EXPECT_EQ(Cell(*w, 0, 3), "2000");

  w->edEmitentID->clear();  // an empty text passes every record
  w->cbIncoming->setChecked(false);
  w->cbKeyExchange->setChecked(false);
  w->acApplyFilter->trigger();
  EXPECT_EQ(w->ListRowCount(), 4u);  // kind 12 is never filtered by kind

  // The time bounds are inclusive.
  w->cbIncoming->setChecked(true);
  w->cbKeyExchange->setChecked(true);
  w->cbStartDateTime->setChecked(true);
  w->dtStartDate->setDate(QDate(2016, 4, 6));
  w->dtStartTime->setTime(QTime(10, 0, 1));
  w->cbEndDateTime->setChecked(true);
  w->dtEndDate->setDate(QDate(2016, 4, 6));
  w->dtEndTime->setTime(QTime(10, 0, 2));
  w->acApplyFilter->trigger();
  EXPECT_EQ(w->ListRowCount(), 2u);  // 10:00:01.200 and 10:00:01.500
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(TerminalWindow, IssuerFieldTakesDigitsOnlyAndABadTextLeavesAUsableWindow) {
  auto w = Open(SampleTerminalLog());
  w->edEmitentID->setFocus();
  w->edEmitentID->end(false);
  Type(w->edEmitentID, Qt::Key_A, "a");
  Type(w->edEmitentID, Qt::Key_5, "5");
  EXPECT_EQ(w->edEmitentID->text(), "11015");
  Type(w->edEmitentID, Qt::Key_Backspace, "\b");
  EXPECT_EQ(w->edEmitentID->text(), "1101");
  // The terminal field has no such restriction.
  w->edTerminalID->end(false);
  Type(w->edTerminalID, Qt::Key_A, "a");
  EXPECT_EQ(w->edTerminalID->text(), "2914a");

  // A pasted text that is not a number: the rebuild stops at the first record.
  w->edEmitentID->setText("12a");
  w->cbEmitentID->setChecked(true);
  const auto exportsBefore = ProgramFiles("PKT ", ".txt").size();
  w->Button1->click();
  ASSERT_EQ(errors.size(), 1);
  EXPECT_EQ(errors[0].toStdString(), "'12a' is not a valid integer value");
  EXPECT_EQ(w->ListRowCount(), 0u);
  EXPECT_FALSE(w->LastExport().attempted);
  EXPECT_EQ(ProgramFiles("PKT ", ".txt").size(), exportsBefore);

  // The window goes on: a good text lists again.
  w->edEmitentID->setText("1101");
  w->Button1->click();
  EXPECT_EQ(w->ListRowCount(), 5u);
  EXPECT_EQ(errors.size(), 1);
}

TEST_F(TerminalWindow, SelectingARowShowsItsMessageTreeAndACopyableLine) {
  auto w = Open(SampleTerminalLog());
  EXPECT_FALSE(w->acCopyValue->isEnabled());
  EXPECT_FALSE(w->acCopyAllValues->isEnabled());

  Select(*w, 1);
  ASSERT_EQ(w->PacketView->topLevelItemCount(), 1);
  QTreeWidgetItem* message = w->PacketView->topLevelItem(0);
  EXPECT_EQ(message->text(0).toStdString(), "Сообщение ");
  // One subtree per item of the message, as the viewer decoded it.
  const TSelection expected = w->Viewer().LogViewSelectItem(1u);
  ASSERT_EQ(expected.nodes.size(), 1u);
  ASSERT_EQ(message->childCount(), static_cast<int>(expected.nodes[0]->size()));
  ASSERT_GE(message->childCount(), 2);
  for (int i = 0; i < message->childCount(); ++i)
    EXPECT_EQ(message->child(i)->text(0).toStdString(), (*expected.nodes[0])[i].text);
  EXPECT_TRUE(message->isExpanded());
  for (int i = 0; i < message->childCount(); ++i) {
    if (message->child(i)->childCount() > 0) {
      EXPECT_TRUE(message->child(i)->isExpanded());
    }
  }

  // A record without body leaves the tree as it is.
  const QString firstChild = message->child(1)->text(0);
  Select(*w, 0);
  ASSERT_EQ(w->PacketView->topLevelItemCount(), 1);
  EXPECT_EQ(w->PacketView->topLevelItem(0)->child(1)->text(0), firstChild);

  // Copying a line needs a selected node.
  EXPECT_FALSE(w->acCopyValue->isEnabled());
  w->PacketView->setCurrentItem(w->PacketView->topLevelItem(0)->child(1));
  EXPECT_TRUE(w->acCopyValue->isEnabled());
  EXPECT_TRUE(w->acCopyAllValues->isEnabled());
  w->acCopyValue->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), firstChild);
  EXPECT_EQ(w->pmPacketView->actions().size(), 2);

  // Clearing the selection clears the tree.
  w->LogView->clearSelection();
  EXPECT_EQ(w->PacketView->topLevelItemCount(), 0);
  EXPECT_FALSE(w->acCopyValue->isEnabled());
}

TEST_F(TerminalWindow, GotoSelectsRowsInsideTheListOnly) {
  auto w = Open(SampleTerminalLog());
  answers << "3";
  w->acGoto->trigger();
  ASSERT_EQ(asked.size(), 1);
  EXPECT_EQ(asked[0].toStdString(), "Перейти к...|Введите № сообщения|");  // nothing selected yet
  EXPECT_EQ(w->SelectedRow(), 3u);
  EXPECT_EQ(w->LogView->currentIndex().row(), 3);

  // Pressing g in the list asks again, proposing the selected row.
  answers << "0";
  w->LogView->setFocus();
  Type(w->LogView, Qt::Key_G, "g");
  ASSERT_EQ(asked.size(), 2);
  EXPECT_EQ(asked[1].toStdString(), "Перейти к...|Введите № сообщения|3");
  EXPECT_EQ(w->SelectedRow(), 0u);

  answers << "6" << "-1";  // the row count, and -1: nothing happens
  w->acGoto->trigger();
  w->acGoto->trigger();
  EXPECT_EQ(w->SelectedRow(), 0u);
  EXPECT_TRUE(errors.isEmpty());

  answers << "abc";
  Type(w->LogView, Qt::Key_G, "G");
  ASSERT_EQ(errors.size(), 1);
  EXPECT_EQ(errors[0].toStdString(), "'abc' is not a valid integer value");
  EXPECT_EQ(w->SelectedRow(), 0u);

  // Cancelling the box changes nothing.
  w->acGoto->trigger();
  EXPECT_EQ(w->SelectedRow(), 0u);
}

TEST_F(TerminalWindow, ChartsShowTheLoadAndLatencyOfTheListedRecords) {
  auto w = Open(SampleTerminalLog());
  ASSERT_EQ(w->Pages->count(), 3);
  EXPECT_EQ(w->Pages->tabText(0).toStdString(), "Сообщения");
  EXPECT_EQ(w->Pages->tabText(1).toStdString(), "Нагрузка");
  EXPECT_EQ(w->Pages->tabText(2).toStdString(), "Задержки");

  TChartPage& load = *w->chtLoad;
  EXPECT_EQ(load.Chart()->title().toStdString(), "Нагрузка");
  EXPECT_EQ(load.BottomAxis()->titleText().toStdString(), "Время");
  EXPECT_EQ(load.LeftAxis()->titleText().toStdString(), "Кол-во сообщений");
  ASSERT_EQ(load.SeriesCount(), 4);
  const char* names[] = {"Входящие/сек", "Исходящие/сек", "Подключения", "Отключения"};
  const QColor colours[] = {QColor(0, 0x80, 0), QColor(0xFF, 0, 0), QColor(0xE6, 0x9F, 0), QColor(0, 0, 0xFF)};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(load.Series(i)->name().toStdString(), names[i]);
    EXPECT_EQ(load.Series(i)->pen().color(), colours[i]);
    EXPECT_FALSE(load.Series(i)->pointsVisible());
  }
  // Buckets from 10:00:00.000 (connect, request, response), 10:00:01.200 (key
  // request, disconnect) and 10:00:02.300 (notice).
  ASSERT_EQ(load.Series(0)->count(), 3);
  EXPECT_EQ(load.Series(0)->at(0).y(), 1);  // incoming
  EXPECT_EQ(load.Series(1)->at(0).y(), 1);  // outgoing
  EXPECT_EQ(load.Series(2)->at(0).y(), 1);  // connects
  EXPECT_EQ(load.Series(3)->at(1).y(), 1);  // disconnects
  EXPECT_EQ(load.Series(0)->at(0).x(), ChartX(w->Viewer().Charts().load[0].startMs));
  EXPECT_LT(load.Series(0)->at(0).x(), load.Series(0)->at(1).x());
  EXPECT_EQ(load.PointLabel(0, 0).toStdString(), "06.04.2016 10:00:00");

  TChartPage& latency = *w->chtLatency;
  EXPECT_EQ(latency.Chart()->title().toStdString(), "Задержка ответов (мс.)");
  EXPECT_EQ(latency.LeftAxis()->titleText().toStdString(), "Макс. задержка (мс.)");
  EXPECT_TRUE(latency.Chart()->legend()->isVisible());
  ASSERT_EQ(latency.SeriesCount(), 1);
  EXPECT_EQ(latency.Series(0)->name().toStdString(), "Задержки");
  EXPECT_EQ(latency.Series(0)->pen().color(), QColor(0xFF, 0, 0));
  ASSERT_EQ(latency.Series(0)->count(), 1);
  EXPECT_EQ(latency.Series(0)->at(0).y(), 250);
  EXPECT_EQ(latency.PointLabel(0, 0), "2");  // the response's row

  // Without responses in the list there is no latency.
  w->cbOutgoing->setChecked(false);
  w->Button1->click();
  w->WaitForBackground();
  EXPECT_EQ(latency.Series(0)->count(), 0);
  EXPECT_EQ(load.Series(1)->at(0).y(), 0);
}

TEST_F(TerminalWindow, ClosingDeletesTheTemporaryFileAndKeepsTheExport) {
  auto w = Open(SampleTerminalLog());
  const std::string temp = w->TempPath();
  ASSERT_TRUE(std::filesystem::exists(temp));
  w->acClose->trigger();
  EXPECT_FALSE(std::filesystem::exists(temp));
  EXPECT_EQ(ProgramFiles("PKT ", ".txt").size(), 1u);
  EXPECT_EQ(w->ListRowCount(), 0u);
}

TEST_F(TerminalWindow, ALogCutInsideARecordHeaderOpensWithTheErrorAndAnEmptyList) {
  Bytes log = SampleTerminalLog();
  Append(log, Bytes(20, 0x54));  // 20 bytes of a record header that never ends
  auto w = Open(log);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_FALSE(errors[0].isEmpty());
  EXPECT_EQ(w->ListRowCount(), 0u);
  EXPECT_TRUE(w->isVisible());
  // The panel still works; the log stays cut, so the same message comes again.
  w->Button1->click();
  EXPECT_EQ(errors.size(), 2);
}

TEST_F(TerminalWindow, ARecordWithoutAValidTimeStopsTheChartsButKeepsTheList) {
  Stamp bad = kT0.PlusMs(5000);
  bad.month = 13;
  Bytes log = SampleTerminalLog();
  Append(log, TerminalRecord().Kind(0).Time(bad).Body(TerminalFrameBody(9, RequestTlv(9))).Build());
  auto w = Open(log);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].endsWith("' is not a valid date and time")) << errors[0].toStdString();
  EXPECT_EQ(w->ListRowCount(), 7u);
  EXPECT_FALSE(w->LastExport().attempted);
  EXPECT_TRUE(ProgramFiles("PKT ", ".txt").empty());
  // The charts hold what was built before that record.
  EXPECT_EQ(w->chtLoad->Series(0)->count(), static_cast<int>(w->Viewer().Charts().load.size()));
}

}  // namespace
}  // namespace pkt::test

namespace pkt::test {
namespace {

// A day of load and latency for the chart page alone: one response a second.
std::shared_ptr<const TTerminalCharts> DayOfCharts() {
  auto charts = std::make_shared<TTerminalCharts>();
  const std::int64_t day = 42465LL * 86400000LL;
  for (std::uint32_t s = 0; s < 86400; ++s) {
    TLoadBucket b;
    b.startMs = day + std::int64_t(s) * 1000;
    b.incoming = s % 13;
    charts->load.push_back(b);
    TLatencyPoint p;
    p.timeMs = b.startMs + 500;
    p.latencyMs = s == 50000 ? 5000 : 100;
    p.row = 2 * s + 1;
    charts->latency.push_back(p);
  }
  return charts;
}

TEST_F(GuiTest, ChartPagesHandEachSeriesAtMostTwoPointsPerColumnAndFollowTheZoom) {
  std::unique_ptr<TChartPage> latency(CreateLatencyChart(nullptr));
  latency->resize(900, 600);
  latency->show();
  latency->ShowBuilding();
  EXPECT_TRUE(latency->IsBuilding());
  EXPECT_EQ(latency->BuildingLabel()->text().toStdString(), "Строится…");

  latency->ShowCharts(MakeChartPlots(DayOfCharts()).latency);
  QApplication::processEvents();
  EXPECT_FALSE(latency->IsBuilding());
  const int width = latency->PlotWidth();
  ASSERT_GT(width, 100);
  EXPECT_LE(latency->Series(0)->count(), 2 * width + 2);
  EXPECT_EQ(latency->IntervalMs(), 600000);
  EXPECT_EQ(latency->BottomAxis()->titleText().toStdString(), "Время (интервал 10 мин)");

  // The wheel zooms in around the cursor until the points as built show.
  const std::int64_t whole = latency->ViewToMs() - latency->ViewFromMs();
  const QRectF plot = latency->Chart()->plotArea();
  const QPointF middle = plot.center();
  for (int i = 0; i < 30; ++i) {
    QWheelEvent wheel(middle, latency->Canvas()->viewport()->mapToGlobal(middle.toPoint()), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(latency->Canvas()->viewport(), &wheel);
  }
  EXPECT_LT(latency->ViewToMs() - latency->ViewFromMs(), whole / 100);
  EXPECT_EQ(latency->IntervalMs(), 0);
  EXPECT_EQ(latency->BottomAxis()->titleText().toStdString(), "Время");
  EXPECT_LE(latency->Series(0)->count(), 2 * width + 2);
  EXPECT_FALSE(latency->ToolTipAt(middle.x()).isEmpty());

  // "Весь журнал" shows the day again.
  latency->WholeLogButton()->click();
  EXPECT_EQ(latency->ViewToMs() - latency->ViewFromMs(), whole);

  // A click on the slow response's point asks for its row.
  std::optional<std::uint32_t> clicked;
  QObject::connect(latency.get(), &TChartPage::rowClicked, [&](std::uint32_t row) { clicked = row; });
  const QPointF slow = latency->Chart()->mapToPosition(
      QPointF(static_cast<qreal>(ChartX(42465LL * 86400000LL + 50000500LL)), 5000), latency->Series(0));
  QWidget* viewport = latency->Canvas()->viewport();
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent click(type, slow, viewport->mapToGlobal(slow), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &click);
  }
  ASSERT_TRUE(clicked.has_value());
  EXPECT_EQ(*clicked, 100001u);
}

}  // namespace
}  // namespace pkt::test

namespace pkt::test {
namespace {

TEST_F(TerminalWindow, GotoBringsTheRowToTheTopInBothDirections) {
  Bytes log;
  for (int i = 0; i < 300; ++i) Append(log, TerminalRecord().Kind(6).Time(kT0.PlusMs(i * 10)).Build());
  auto w = Open(log);
  QApplication::processEvents();
  for (const char* row : {"200", "40", "120"}) {
    answers << row;
    w->acGoto->trigger();
    QApplication::processEvents();
    EXPECT_EQ(w->LogView->rowAt(0), QString(row).toInt()) << row;
  }
}

}  // namespace
}  // namespace pkt::test
