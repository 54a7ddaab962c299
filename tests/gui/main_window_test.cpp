// The main window: menus and shortcuts, opening files and folders into the
// right viewer, the merged "Поиск" menu, the window commands, the clean-up at
// start-up, the about box and the error display.
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>

#include <filesystem>

#include "app/gui/about_box.h"
#include "app/gui/mdicont.h"
#include "app/log_opening.h"
#include "gui_fixture.h"
#include "pkt_version.h"
#include "platform/errors.h"
#include "viewers/gui/h2h_window.h"
#include "viewers/gui/terminal_window.h"

namespace pkt::test {
namespace {

const Stamp kT0{2016, 4, 6, 10, 0, 0, 0};

Bytes TerminalLog(int records) {
  Bytes log;
  for (int i = 0; i < records; ++i)
    Append(log, TerminalRecord().Kind(0).Time(kT0.PlusMs(i * 10)).Body(TerminalFrameBody(i, RequestTlv(i))).Build());
  return log;
}

Bytes HostLog() {
  return Join({
      HostRecord().Kind(6).Time(kT0).Build(),
      HostRecord().Kind(0).Time(kT0.PlusMs(10)).Body(HostFrameBody(5, RequestTlv(5))).Build(),
      HostRecord().Kind(8).Time(kT0.PlusMs(20)).Body(B({0x41, 0x0D, 0x0A})).Build(),
  });
}

QStringList MenuTitles(QMainWindow& w) {
  QStringList titles;
  for (QAction* a : w.menuBar()->actions()) titles << a->text();
  return titles;
}

class MainWindow : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    main = std::make_unique<TfmMDICont>();
    main->show();
    main->activateWindow();
  }
  void TearDown() override {
    main.reset();
    GuiTest::TearDown();
  }
  std::vector<std::string> TempFiles() const { return ProgramFiles("{", ".tmp"); }

  std::unique_ptr<TfmMDICont> main;
};

TEST_F(MainWindow, MenusActionsAndShortcuts) {
  EXPECT_EQ(main->windowTitle().toStdString(), "Модуль просмотра журнала сетевых сообщений");
  EXPECT_EQ(MenuTitles(*main).join("|").toStdString(), "Файл|Окна|Справка");
  QStringList file;
  for (QAction* a : main->mnFile->actions()) file << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(file.join("|").toStdString(), "Открыть...|Открыть папку...|-|Выход");
  EXPECT_EQ(main->acOpen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
  EXPECT_EQ(main->acExit->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4));
  QStringList windows;
  for (QAction* a : main->mnWindows->actions()) {
    windows << a->text();
    EXPECT_EQ(a->toolTip(), a->text());
    EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();  // no child yet
  }
  EXPECT_EQ(windows.join("|").toStdString(),
            "Окна сверху вниз|Окна слева направо|Окна каскадом|Свернуть окна|Закрыть окно");
  EXPECT_EQ(main->mnHelp->actions().value(0)->text().toStdString(), "О программе");
  EXPECT_EQ(std::string(kLogFileTypes[3].description), "Журнал сетевых пакетов H2A Alfabank SVFE  (H2A*.pkt)");
}

TEST_F(MainWindow, StartUpRemovesLeftoverTemporaryFiles) {
  main.reset();
  programDir.Write("a.tmp", B({1}));
  programDir.Write("{6F9619FF-8B86-D011-B42D-00C04FC964FF}.tmp", B({1}));
  programDir.Write(".hidden.tmp", B({1}));
  std::filesystem::create_directory(programDir.File("x.tmp"));
  main = std::make_unique<TfmMDICont>();
  EXPECT_FALSE(std::filesystem::exists(programDir.File("a.tmp")));
  EXPECT_FALSE(std::filesystem::exists(programDir.File("{6F9619FF-8B86-D011-B42D-00C04FC964FF}.tmp")));
  EXPECT_TRUE(std::filesystem::exists(programDir.File(".hidden.tmp")));
  EXPECT_TRUE(std::filesystem::is_directory(programDir.File("x.tmp")));
}

TEST_F(MainWindow, TheFilterIndexDecidesTheViewer) {
  const QString ns = QString::fromStdString(logs.Write("NS1_a.pkt", TerminalLog(3)));
  const QString h2h = QString::fromStdString(logs.Write("H2H_a.pkt", HostLog()));

  TViewerWindow* v1 = main->OpenFiles({ns}, 1);
  ASSERT_NE(v1, nullptr);
  EXPECT_NE(qobject_cast<TfmTerminalViewer*>(v1), nullptr);
  EXPECT_EQ(v1->ListRowCount(), 3u);
  EXPECT_TRUE(v1->windowTitle().endsWith(" - " + ns)) << v1->windowTitle().toStdString();

  for (int index : {2, 3, 4, 5}) {
    TViewerWindow* v = main->OpenFiles({h2h}, index);
    EXPECT_NE(qobject_cast<TfmH2HViewer*>(v), nullptr) << index;
    EXPECT_EQ(v->ListRowCount(), 3u);
  }
  // A host-to-host log opened as the first type goes to the terminal viewer.
  EXPECT_NE(qobject_cast<TfmTerminalViewer*>(main->OpenFiles({h2h}, 1)), nullptr);
  EXPECT_EQ(main->Viewers().size(), 6);
  // One plain log each: read where it lies, no merged log.
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_EQ(main->OpenFiles({ns, ns}, 1)->ListRowCount(), 6u);
  EXPECT_EQ(TempFiles().size(), 1u);
  // An index that names no viewer opens nothing and leaves no merged log.
  EXPECT_EQ(main->OpenFiles({ns, ns}, 0), nullptr);
  EXPECT_EQ(main->OpenFiles({ns, ns}, 6), nullptr);
  EXPECT_EQ(main->Viewers().size(), 7);
  EXPECT_EQ(TempFiles().size(), 1u);
}

TEST_F(MainWindow, OpenDialogAndFolderChooserGoThroughTheSameOpening) {
  const std::string a = logs.Write("NS1_a.pkt", TerminalLog(2));
  const std::string b = logs.Write("NS1_b.pkt", TerminalLog(3));
  int dialogs = 0;
  bool cancel = true;
  main->SetAskFiles([&](QStringList& files, int& index) {
    ++dialogs;
    files = {QString::fromStdString(b), QString::fromStdString(a)};
    index = 1;
    return !cancel;
  });
  main->acOpen->trigger();
  EXPECT_EQ(dialogs, 1);
  EXPECT_TRUE(main->Viewers().isEmpty());
  cancel = false;
  main->acOpen->trigger();
  ASSERT_EQ(main->Viewers().size(), 1);
  TViewerWindow* v = main->Viewers()[0];
  EXPECT_EQ(v->ListRowCount(), 5u);
  // The merged log holds the files in the dialog's order.
  Bytes merged = ReadBytes(b);
  Append(merged, ReadBytes(a));
  EXPECT_EQ(ReadBytes(v->TempPath()), merged);
  EXPECT_TRUE(v->windowTitle().endsWith(" - " + QString::fromStdString(b)));

  QStringList initial;
  QString answer;
  main->SetAskFolder([&](QString& folder) {
    initial << folder;
    if (answer.isEmpty()) return false;
    folder = answer;
    return true;
  });
  main->acOpenFolder->trigger();  // cancelled
  EXPECT_TRUE(main->WorkingFolder().isEmpty());
  answer = QString::fromStdString(logs.path());
  main->acOpenFolder->trigger();
  EXPECT_EQ(main->WorkingFolder(), answer);
  ASSERT_EQ(main->Viewers().size(), 2);
  EXPECT_NE(qobject_cast<TfmTerminalViewer*>(main->Viewers()[1]), nullptr);
  EXPECT_EQ(main->Viewers()[1]->ListRowCount(), 5u);
  answer.clear();
  main->acOpenFolder->trigger();  // cancelled again: the working folder stays, the chooser started at it
  EXPECT_EQ(main->WorkingFolder().toStdString(), logs.path());
  ASSERT_EQ(initial.size(), 3);
  EXPECT_EQ(initial[2].toStdString(), logs.path());
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(MainWindow, AFolderWithoutTerminalLogsStillOpensAViewer) {
  TempFolder empty;
  TViewerWindow* v = main->OpenFolder(QString::fromStdString(empty.path()));
  ASSERT_NE(qobject_cast<TfmTerminalViewer*>(v), nullptr);
  EXPECT_EQ(v->ListRowCount(), 0u);
  EXPECT_TRUE(std::filesystem::exists(v->TempPath()));
  EXPECT_EQ(std::filesystem::file_size(v->TempPath()), 0u);
  // An empty log cannot be mapped: the index says so, and the window stays.
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].startsWith("System Error.  Code: ")) << errors[0].toStdString();
  EXPECT_EQ(main->Viewers().size(), 1);
}

TEST_F(MainWindow, AFailedMergeShowsTheSystemErrorAndOpensNothing) {
  main->SetAskFiles([&](QStringList& files, int& index) {
    files = {QString::fromStdString(logs.File("NS1_missing.pkt"))};
    index = 1;
    return true;
  });
  main->acOpen->trigger();
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].startsWith("System Error.  Code: 2.\r\n")) << errors[0].toStdString();
  EXPECT_TRUE(main->Viewers().isEmpty());
}

TEST_F(MainWindow, TheActiveViewersSearchMenuStandsBetweenFileAndWindows) {
  const QString ns = QString::fromStdString(logs.Write("NS1_a.pkt", TerminalLog(2)));
  const QString h2h = QString::fromStdString(logs.Write("H2H_a.pkt", HostLog()));
  TViewerWindow* terminal = main->OpenFiles({ns}, 1);
  EXPECT_EQ(MenuTitles(*main).join("|").toStdString(), "Файл|Поиск|Окна|Справка");
  EXPECT_EQ(main->menuBar()->actions()[1], terminal->SearchMenu()->menuAction());
  EXPECT_TRUE(terminal->acGoto->isEnabled());
  ASSERT_GE(terminal->SearchMenu()->actions().size(), 1);
  EXPECT_EQ(terminal->SearchMenu()->actions()[0], terminal->acGoto);
  EXPECT_EQ(terminal->acGoto->text().toStdString(), "Перейти к...");
  EXPECT_EQ(terminal->acGoto->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));

  TViewerWindow* host = main->OpenFiles({h2h}, 2);
  EXPECT_EQ(MenuTitles(*main).join("|").toStdString(), "Файл|Поиск|Окна|Справка");
  EXPECT_EQ(main->menuBar()->actions()[1], host->SearchMenu()->menuAction());
  EXPECT_TRUE(host->acGoto->isEnabled());

  main->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(terminal->parentWidget()));
  EXPECT_EQ(main->menuBar()->actions()[1], terminal->SearchMenu()->menuAction());
  for (QAction* a : main->mnWindows->actions()) EXPECT_TRUE(a->isEnabled());

  // Closing every child takes the menu away and disables the window commands.
  const std::string terminalTemp = terminal->TempPath(), hostTemp = host->TempPath();
  main->WindowClose1->trigger();
  main->WindowClose1->trigger();
  FlushDeletes();
  EXPECT_TRUE(main->Viewers().isEmpty());
  EXPECT_EQ(MenuTitles(*main).join("|").toStdString(), "Файл|Окна|Справка");
  for (QAction* a : main->mnWindows->actions()) EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
  // The logs were read where they lie: let go of, never deleted.
  EXPECT_FALSE(IsLogReadInPlace(terminalTemp));
  EXPECT_FALSE(IsLogReadInPlace(hostTemp));
  EXPECT_TRUE(std::filesystem::exists(ns.toStdString()));
  EXPECT_TRUE(std::filesystem::exists(h2h.toStdString()));
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(MainWindow, TheStatusBarFollowsTheActiveViewer) {
  const QString ns = QString::fromStdString(logs.Write("NS1_a.pkt", TerminalLog(1200)));
  const QString h2h = QString::fromStdString(logs.Write("H2H_a.pkt", HostLog()));
  auto shown = [this] {
    return (main->lbStatusNote->text() + "|" + main->lbStatusRecords->text() + "|" + main->lbStatusTime->text())
        .toStdString();
  };
  EXPECT_EQ(shown(), "||");

  auto* terminal = qobject_cast<TfmTerminalViewer*>(main->OpenFiles({ns}, 1));
  ASSERT_NE(terminal, nullptr);
  // While the charts and the export are built, the note tells how far they got.
  EXPECT_TRUE(QRegularExpression("^(Построение графиков|Выгрузка): \\d+ %$").match(main->lbStatusNote->text()).hasMatch())
      << main->lbStatusNote->text().toStdString();
  terminal->WaitForBackground();
  EXPECT_EQ(shown(), "|Записи: 1\u00a0200 из 1\u00a0200|");
  terminal->LogView->selectionModel()->setCurrentIndex(
      terminal->LogView->model()->index(3, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  EXPECT_EQ(shown(), "|Записи: 1\u00a0200 из 1\u00a0200|2016-04-06 10:00:00.030");
  terminal->SetStatusNote("Найдено: 2");
  EXPECT_EQ(shown(), "Найдено: 2|Записи: 1\u00a0200 из 1\u00a0200|2016-04-06 10:00:00.030");

  // A rebuild lists fewer records of the same log and forgets the selection.
  terminal->cbEmitentID->setChecked(true);
  terminal->edEmitentID->setText("9");
  terminal->acApplyFilter->trigger();
  terminal->WaitForBackground();  // the search's note stays through the work
  EXPECT_EQ(shown(), "Найдено: 2|Записи: 0 из 1\u00a0200|");

  // Another window shows its own status; coming back shows the first one's again.
  TViewerWindow* host = main->OpenFiles({h2h}, 2);
  host->WaitForBackground();
  EXPECT_EQ(shown(), "|Записи: 3 из 3|");
  terminal->SetStatusNote("");  // an inactive window's change does not reach the bar
  EXPECT_EQ(shown(), "|Записи: 3 из 3|");
  main->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(terminal->parentWidget()));
  EXPECT_EQ(shown(), "|Записи: 0 из 1\u00a0200|");

  main->WindowClose1->trigger();
  main->WindowClose1->trigger();
  FlushDeletes();
  EXPECT_TRUE(main->Viewers().isEmpty());
  EXPECT_EQ(shown(), "||");
}

TEST_F(MainWindow, TilingFillsTheWorkspace) {
  const QString ns = QString::fromStdString(logs.Write("NS1_a.pkt", TerminalLog(1)));
  main->resize(900, 700);
  main->OpenFiles({ns}, 1);
  main->OpenFiles({ns}, 1);
  const QRect area = main->MdiArea()->viewport()->rect();
  QList<QMdiSubWindow*> subs = main->MdiArea()->subWindowList();
  ASSERT_EQ(subs.size(), 2);

  main->WindowTileHorizontal1->trigger();
  EXPECT_EQ(subs[0]->width(), area.width());
  EXPECT_EQ(subs[1]->width(), area.width());
  EXPECT_EQ(subs[0]->height() + subs[1]->height(), area.height());
  EXPECT_NE(subs[0]->y(), subs[1]->y());

  main->WindowTileVertical1->trigger();
  EXPECT_EQ(subs[0]->height(), area.height());
  EXPECT_EQ(subs[0]->width() + subs[1]->width(), area.width());
  EXPECT_NE(subs[0]->x(), subs[1]->x());

  main->WindowMinimizeAll1->trigger();
  EXPECT_TRUE(subs[0]->isMinimized());
  EXPECT_TRUE(subs[1]->isMinimized());
}

TEST_F(MainWindow, HostViewerListsDecodesAndKeepsItsDisabledCommands) {
  const QString h2h = QString::fromStdString(logs.Write("H2H_a.pkt", HostLog()));
  auto* v = qobject_cast<TfmH2HViewer*>(main->OpenFiles({h2h}, 2));
  ASSERT_NE(v, nullptr);
  EXPECT_FALSE(v->cbHostID->isChecked());
  EXPECT_EQ(v->edHostID->text(), "1101");
  QAbstractItemModel* m = v->LogView->model();
  ASSERT_EQ(m->columnCount(), 7);
  EXPECT_EQ(m->headerData(3, Qt::Horizontal).toString().toStdString(), "Хост");
  EXPECT_EQ(m->index(0, 1).data().toString().toStdString(), "Подключение");
  EXPECT_EQ(m->index(0, 3).data().toString(), QString("AB").repeated(16));
  EXPECT_EQ(m->index(2, 1).data().toString().toStdString(), "Входящий");

  // Every record is rejected by the initial host text once the box is checked.
  v->cbHostID->setChecked(true);
  v->Button1->click();
  EXPECT_EQ(v->ListRowCount(), 0u);
  v->edHostID->setText(QString("AB").repeated(16));
  v->Button1->click();
  EXPECT_EQ(v->ListRowCount(), 3u);

  // A raw record: "Сообщение" and its characters, bytes below 32 as bullets.
  v->LogView->selectionModel()->setCurrentIndex(m->index(2, 0),
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  ASSERT_EQ(v->PacketView->topLevelItemCount(), 2);
  EXPECT_EQ(v->PacketView->topLevelItem(0)->text(0).toStdString(), "Сообщение");
  EXPECT_EQ(v->PacketView->topLevelItem(1)->text(0).toStdString(), "A\u2022\u2022");

  for (QAction* a : {v->acCopyValue, v->acClose}) {
    EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    a->trigger();
  }
  // "Перейти к..." and copying the whole tree work here as well.
  EXPECT_TRUE(v->acGoto->isEnabled());
  EXPECT_TRUE(v->acCopyAllValues->isEnabled());
  v->PacketView->setCurrentItem(v->PacketView->topLevelItem(1));
  EXPECT_FALSE(v->acCopyValue->isEnabled());
  EXPECT_TRUE(asked.isEmpty());
  EXPECT_EQ(main->Viewers().size(), 1);  // "Закрыть" did not close it
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(MainWindow, AboutBoxShowsNameVersionAndBuild) {
  TAboutBox box(main.get());
  EXPECT_EQ(box.windowTitle().toStdString(), "О программе");
  EXPECT_EQ(box.ProductName->text().toStdString(), "Модуль просмотра журнала сетевых сообщений");
  EXPECT_EQ(box.lbAboutVersion->text().toStdString(), std::string("Версия: ") + PKTVIEW_VERSION_TEXT);
  EXPECT_TRUE(QRegularExpression("^Дата сборки: [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}$")
                  .match(box.lbAboutBuild->text())
                  .hasMatch())
      << box.lbAboutBuild->text().toStdString();
  EXPECT_EQ(box.OKButton->text().toStdString(), "Закрыть");
  EXPECT_TRUE(box.OKButton->isDefault());
  EXPECT_EQ(box.size(), QSize(388, 283));
}

// An object whose event handler raises what it is given.
class Raiser : public QObject {
 public:
  std::function<void()> raise;
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) raise();
    return QObject::event(e);
  }
};

TEST_F(MainWindow, ErrorsLeavingAnEventHandlerAreShownAndTheLoopGoesOn) {
  Raiser r;
  QEvent e(QEvent::User);
  r.raise = [] { throw AppError("Неверный индекс пакета!"); };
  QCoreApplication::sendEvent(&r, &e);
  r.raise = [] { throw std::runtime_error("not one of ours"); };
  QCoreApplication::sendEvent(&r, &e);
  r.raise = [] { throw SystemError(13); };
  QCoreApplication::sendEvent(&r, &e);
  ASSERT_EQ(errors.size(), 3);
  EXPECT_EQ(errors[0].toStdString(), "Неверный индекс пакета!");
  EXPECT_EQ(errors[1], QString());  // not the program's own error: an empty message
  EXPECT_TRUE(errors[2].startsWith("System Error.  Code: 13.\r\n"));
}

}  // namespace
}  // namespace pkt::test
