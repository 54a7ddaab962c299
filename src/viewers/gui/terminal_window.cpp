#include "viewers/gui/terminal_window.h"

#include <QKeyEvent>

#include "viewers/gui/chart_pages.h"

namespace pkt {

namespace {
const std::vector<int> kColumnWidths = {40, 100, 150, 70, 70, 150, 100, 70};
}  // namespace

bool TDigitKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (key->key() == Qt::Key_Backspace) return false;
    // Keys that type nothing (arrows, Delete, Home) and shortcuts (Ctrl+V)
    // edit the field; a typed character must be a digit.
    if (text.isEmpty() || (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) return false;
    for (QChar c : text)
      if (c < QLatin1Char('0') || c > QLatin1Char('9')) return true;
  }
  return QObject::eventFilter(watched, event);
}

TfmTerminalViewer::TfmTerminalViewer(QWidget* owner, const std::string& captionText, const std::string& fileName,
                                     const std::string& tempPath)
    : TFamilyViewerWindow(owner, kColumnWidths, true, captionText, fileName, tempPath) {
  resize(855, 733);
  QVBoxLayout* identity = IdentityPanel();
  cbEmitentID = new QCheckBox(QString::fromUtf8("Номер эмитента:"), this);
  edEmitentID = new QLineEdit(QStringLiteral("1101"), this);
  edEmitentID->installEventFilter(new TDigitKeyFilter(edEmitentID));
  cbTerminalID = new QCheckBox(QString::fromUtf8("Номер терминала:"), this);
  edTerminalID = new QLineEdit(QStringLiteral("2914"), this);
  identity->addWidget(cbEmitentID);
  identity->addWidget(edEmitentID);
  identity->addWidget(cbTerminalID);
  identity->addWidget(edTerminalID);

  chtLoad = CreateLoadChart(Pages);
  chtLatency = CreateLatencyChart(Pages);
  Pages->addTab(chtLoad, QString::fromUtf8("Нагрузка"));
  Pages->addTab(chtLatency, QString::fromUtf8("Задержки"));

  FormCreate();
}

TfmTerminalViewer::~TfmTerminalViewer() = default;

TTerminalFilterSettings TfmTerminalViewer::ReadSettings() const {
  TTerminalFilterSettings s;
  s.emitentChecked = cbEmitentID->isChecked();
  s.emitentText = edEmitentID->text().toStdString();
  s.terminalChecked = cbTerminalID->isChecked();
  s.terminalText = edTerminalID->text().toStdString();
  s.time = ReadTimeBounds();
  s.kinds = ReadKindBoxes();
  return s;
}

void TfmTerminalViewer::BeforeBackground() {
  // The pages let go of the points of the last build until the new one arrives.
  ShowTerminalCharts(TTerminalCharts{}, *chtLoad, *chtLatency);
}

void TfmTerminalViewer::AfterReload() { ShowTerminalCharts(viewer_.Charts(), *chtLoad, *chtLatency); }

}  // namespace pkt
