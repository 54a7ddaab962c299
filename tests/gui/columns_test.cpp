// The list's columns fit what they show, and ISO 8583 listings line up in a
// fixed-pitch tree.
#include <QFontDatabase>
#include <QFontMetrics>
#include <QTableView>
#include <QTreeWidget>

#include <memory>
#include <vector>

#include "gui_fixture.h"
#include "support/iso_builder.h"
#include "viewers/gui/h2h_window.h"
#include "viewers/gui/terminal_window.h"

namespace pkt::test {
namespace {

const Stamp kT0{2016, 4, 6, 10, 0, 0, 0};

class Columns : public GuiTest {
 protected:
  static int Advance(const QTableView& view, const char* text) {
    return QFontMetrics(view.font()).horizontalAdvance(QString::fromUtf8(text));
  }
  static void Select(TViewerWindow& w, int row) {
    w.LogView->selectionModel()->setCurrentIndex(w.LogView->model()->index(row, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
};

TEST_F(Columns, NumberAndKindFitTheirTextsAndNeverShrinkBelowTheirOwnWidths) {
  std::vector<Bytes> records;
  for (int i = 0; i < 120000; ++i) records.push_back(TerminalRecord().Kind(6).Time(kT0.PlusMs(i)).Build());
  Bytes log;
  for (const Bytes& r : records) Append(log, r);
  TfmTerminalViewer w(nullptr, "", "/logs/NS1_1.pkt", programDir.Write("{C}.tmp", log));
  w.WaitForBackground();
  ASSERT_EQ(w.ListRowCount(), 120000u);
  const QTableView& view = *w.LogView;
  EXPECT_GT(view.columnWidth(0), Advance(view, "119999"));
  EXPECT_GT(view.columnWidth(0), 40);
  for (int kind = 0; kind < 256; ++kind)
    EXPECT_GT(view.columnWidth(1), Advance(view, TerminalKindName(static_cast<TRecordKind>(kind)))) << kind;
  EXPECT_EQ(view.columnWidth(2), 150);  // columns without samples keep their widths

  // A short list keeps "#" at its own width: the column is never narrowed.
  TfmTerminalViewer small(nullptr, "", "/logs/NS1_2.pkt",
                          programDir.Write("{D}.tmp", TerminalRecord().Kind(6).Time(kT0).Build()));
  small.WaitForBackground();
  EXPECT_EQ(small.LogView->columnWidth(0), 40);
  EXPECT_GE(small.LogView->columnWidth(1), 100);
}

TEST_F(Columns, HostColumnFitsItsIdentifierAndIsoListingsUseAFixedPitchFont) {
  const Bytes message = H2hBuilder("1100").Fixed(7, "0406132948").Build();
  Bytes body = Text(std::to_string(1000 + message.size()).substr(1));
  Append(body, message);
  Bytes host(16, 0xAB);
  const Bytes log = Join({HostRecord().Kind(6).Time(kT0).HostID(host).Build(),
                          HostRecord().Kind(10).Time(kT0.PlusMs(5)).HostID(host).Body(body).Build()});
  TfmH2HViewer w(nullptr, "", "/logs/H2H_1.pkt", programDir.Write("{H}.tmp", log));
  w.WaitForBackground();
  ASSERT_EQ(w.ListRowCount(), 2u);
  EXPECT_GT(w.LogView->columnWidth(3), Advance(*w.LogView, "ABABABABABABABABABABABABABABABAB"));

  const QString fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
  Select(w, 1);
  ASSERT_GT(w.PacketView->topLevelItemCount(), 0);
  EXPECT_EQ(w.PacketView->font().family(), fixed);
  Select(w, 0);
  EXPECT_EQ(w.PacketView->font().family(), w.font().family());
}

}  // namespace
}  // namespace pkt::test
