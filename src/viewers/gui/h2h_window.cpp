#include "viewers/gui/h2h_window.h"

#include "viewers/gui/match_panel.h"

namespace pkt {

namespace {
const std::vector<int> kColumnWidths = {40, 100, 150, 150, 150, 100, 70};
constexpr std::size_t kHostColumn = 3;  // "Хост"
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
