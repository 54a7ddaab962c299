#include "viewers/gui/h2h_window.h"

#include "viewers/gui/match_panel.h"

namespace pkt {

namespace {
const std::vector<int> kColumnWidths = {40, 100, 150, 150, 150, 100, 70};
constexpr std::size_t kHostColumn = 3;  // "Хост"
constexpr std::size_t kKindColumn = 1;  // "Тип"
// The rows whose host identifiers the "Хост" column is fitted to: a log's
// hosts are few, and its first rows already name them.
constexpr std::uint32_t kHostSampleRows = 4096;
}  // namespace

TfmH2HViewer::TfmH2HViewer(QWidget* owner, const std::string& captionText, const std::string& fileName,
                           const std::string& tempPath)
    // "Перейти к...", copying and "Закрыть" have no command in this window.
    : TFamilyViewerWindow(owner, kColumnWidths, false, captionText, fileName, tempPath) {
  resize(834, 721);
  cbHostID = new QCheckBox(QString::fromUtf8("Идентификатор хоста:"), this);
  edHostID = new QLineEdit(QStringLiteral("1101"), this);
  IdentityPanel()->addWidget(cbHostID);
  IdentityPanel()->addWidget(edHostID);
  acNarrowToHost = AddNarrowingAction(QString::fromUtf8("Отобрать этот хост"), cbHostID, edHostID, kHostColumn);
  FormCreate();
}

TfmH2HViewer::~TfmH2HViewer() = default;

QStringList TfmH2HViewer::ColumnSamples(int column) const {
  QStringList texts;
  if (column == static_cast<int>(kKindColumn)) {
    for (int kind = 0; kind < 256; ++kind) texts << QString::fromUtf8(H2HKindName(static_cast<TRecordKind>(kind)));
  } else if (column == static_cast<int>(kHostColumn)) {
    std::vector<std::string> cells;
    for (std::uint32_t row = 0; row < std::min(CoreRowCount(), kHostSampleRows); ++row) {
      cells.clear();
      CoreRowTexts(row, cells);
      if (cells.size() > kHostColumn) texts << QString::fromStdString(cells[kHostColumn]);
    }
  }
  return texts;
}

// ISO 8583 listings line their fields and hex dumps up in columns.
bool TfmH2HViewer::FixedPitchTree(std::uint32_t row) const {
  return IsIsoKind(viewer_.Log().GetPacket(row).GetKind());
}

TH2HFilterSettings TfmH2HViewer::ReadSettings() const {
  TH2HFilterSettings s;
  s.hostChecked = cbHostID->isChecked();
  s.hostText = edHostID->text().toStdString();
  s.time = ReadTimeBounds();
  s.kinds = ReadKindBoxes();
  ReadPanelMatch<TH2HPacketHandler>(*this, s);
  return s;
}

}  // namespace pkt
