// Opening logs as users open files: named on the command line or dropped on
// the main window, packed by the log rotation, and Qt's own dialogs in Russian.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "app/gui/mdicont.h"
#include "app/gui/translations.h"
#include "gui_fixture.h"
#include "support/archive_builder.h"
#include "viewers/gui/h2h_window.h"
#include "viewers/gui/terminal_window.h"

namespace pkt::test {
namespace {

Bytes Requests(int records) {
  Bytes log;
  for (int i = 0; i < records; ++i)
    Append(log, TerminalRecord().Kind(0).Time(Stamp{}.PlusMs(i)).Body(TerminalFrameBody(i, RequestTlv(i))).Build());
  return log;
}

class Opening : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    main = std::make_unique<TfmMDICont>();
    main->show();
  }
  void TearDown() override {
    main.reset();
    GuiTest::TearDown();
  }

  // Runs the message loop until the main window holds count viewers or an error was shown.
  void WaitForViewers(int count) {
    for (int i = 0; i < 1000 && main->Viewers().size() < count && errors.isEmpty(); ++i)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }

  // Drags the files over the main window and drops them; true when the drag was accepted.
  bool Drop(const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << (p.startsWith('/') ? QUrl::fromLocalFile(p) : QUrl(p));
    data.setUrls(urls);
    const QPoint at = main->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(main.get(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(main.get(), &drop);
    return drop.isAccepted();
  }

  std::unique_ptr<TfmMDICont> main;
};

TEST_F(Opening, CommandLineFilesOpenInTheViewerTheirNamesTell) {
  const QString ns = QString::fromStdString(logs.Write("NS1_a.pkt", Requests(3)));
  const QString packed = QString::fromStdString(
      logs.Write("h2h_b.pkt.xz", Compressed(Join({HostRecord().Kind(6).Build(), HostRecord().Kind(7).Build()}), ARCHIVE_FILTER_XZ)));
  main->OpenPathsLater({ns, QString::fromStdString(logs.Write("ns1_c.pkt.gz", Compressed(Requests(2), ARCHIVE_FILTER_GZIP)))});
  EXPECT_TRUE(main->Viewers().isEmpty());  // not before the message loop runs
  WaitForViewers(1);
  ASSERT_EQ(main->Viewers().size(), 1);
  auto* terminal = qobject_cast<TfmTerminalViewer*>(main->Viewers()[0]);
  ASSERT_NE(terminal, nullptr);
  EXPECT_EQ(terminal->ListRowCount(), 5u);
  EXPECT_TRUE(terminal->windowTitle().endsWith(" - " + ns)) << terminal->windowTitle().toStdString();
  // The export's label shows where the file is, whole (the export may be written in the background).
  for (int i = 0; i < 1000 && !terminal->lbExport->text().contains("PKT "); ++i)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  const QString label = terminal->lbExport->text();
  EXPECT_TRUE(label.startsWith(QString::fromUtf8("Выгрузка: ") + QString::fromStdString(programDir.path()) + "/PKT "))
      << label.toStdString();

  EXPECT_NE(qobject_cast<TfmH2HViewer*>(main->OpenPaths({packed})), nullptr);
  EXPECT_EQ(main->Viewers()[1]->ListRowCount(), 2u);
  // A folder opens as "Открыть папку..." does and becomes the working folder.
  TViewerWindow* folder = main->OpenPaths({QString::fromStdString(logs.path() + "/")});
  EXPECT_NE(qobject_cast<TfmTerminalViewer*>(folder), nullptr);
  EXPECT_EQ(folder->ListRowCount(), 5u);
  EXPECT_EQ(main->WorkingFolder().toStdString(), logs.path());
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(Opening, MixedOrUnknownNamesAreRefusedWithAMessage) {
  const QString ns = QString::fromStdString(logs.Write("NS1_a.pkt", Requests(1)));
  const QString h2h = QString::fromStdString(logs.Write("H2O_a.pkt", Requests(1)));
  const QString other = QString::fromStdString(logs.Write("notes.txt", Requests(1)));
  main->OpenPathsLater({ns, h2h});
  main->OpenPathsLater({other});
  for (int i = 0; i < 1000 && errors.size() < 2; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  ASSERT_EQ(errors.size(), 2);
  EXPECT_EQ(errors[0], QString::fromUtf8("Журналы разных видов не открываются вместе: \"") + ns + "\" и \"" + h2h + "\".");
  EXPECT_TRUE(errors[1].contains(other)) << errors[1].toStdString();
  EXPECT_TRUE(main->Viewers().isEmpty());
  EXPECT_TRUE(ProgramFiles("{", ".tmp").empty());
}

TEST_F(Opening, DroppedFilesOpenAndOtherDragsAreRefused) {
  const QString a = QString::fromStdString(logs.Write("NS1_a.pkt", Requests(2)));
  const QString b = QString::fromStdString(logs.Write("NS1_b.zip", Zip({{"NS1_b.pkt", Requests(3)}})));
  EXPECT_FALSE(Drop({"https://example.org/NS1_a.pkt"}));
  EXPECT_FALSE(Drop({a, "https://example.org/NS1_b.pkt"}));
  EXPECT_TRUE(Drop({a, b}));
  WaitForViewers(1);
  ASSERT_EQ(main->Viewers().size(), 1);
  EXPECT_EQ(main->Viewers()[0]->ListRowCount(), 5u);
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
  // A damaged archive dropped is named in the message; no viewer opens for it.
  const QString bad = QString::fromStdString(logs.Write("NS1_bad.pkt.bz2", Requests(1)));
  EXPECT_TRUE(Drop({bad}));
  for (int i = 0; i < 1000 && errors.isEmpty(); ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].startsWith(QString::fromUtf8("Не удаётся распаковать файл \"") + bad + "\"")) << errors[0].toStdString();
  EXPECT_EQ(main->Viewers().size(), 1);
}

TEST_F(Opening, TheOpenDialogAdmitsPackedLogsUnderTheTypesOwnNames) {
  const QStringList filters = OpenDialogFilters();
  ASSERT_EQ(filters.size(), 5);
  EXPECT_EQ(filters[0].toStdString(),
            "Журнал сетевых пакетов (NS*.pkt) (NS*.pkt NS*.pkt.gz NS*.pkt.xz NS*.pkt.zst NS*.pkt.bz2 NS*.zip)");
  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setNameFilters(filters);
  auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
  ASSERT_NE(types, nullptr);
  EXPECT_EQ(types->itemText(4).toStdString(), "Журнал сетевых пакетов H2O БФКО (H2O*.pkt)");
  // The dialog reports the chosen type by its description; the type's index is found again.
  for (int index = 1; index <= 5; ++index) {
    dialog.selectNameFilter(filters[index - 1]);
    EXPECT_EQ(OpenDialogTypeIndex(dialog.selectedNameFilter()), index) << dialog.selectedNameFilter().toStdString();
  }
  EXPECT_EQ(OpenDialogTypeIndex(filters[3]), 4);
  EXPECT_EQ(OpenDialogTypeIndex(QStringLiteral("*.txt")), 0);
}

TEST_F(Opening, QtsOwnDialogsSpeakRussian) {
  ASSERT_TRUE(InstallQtTranslations(App()));
  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  auto* lookIn = dialog.findChild<QLabel*>("lookInLabel");
  ASSERT_NE(lookIn, nullptr);
  EXPECT_NE(lookIn->text(), QStringLiteral("Look in:"));
  auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
  ASSERT_NE(buttons, nullptr);
  EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text().toStdString(), "Отмена");
  QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No);
  EXPECT_EQ(box.button(QDialogButtonBox::Yes)->text().remove('&').toStdString(), "Да");
}

}  // namespace
}  // namespace pkt::test
