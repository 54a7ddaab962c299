#include "viewers/gui/terminal_window.h"

#include <QKeyEvent>

#include "app/gui/error_display.h"
#include "viewers/gui/chart_pages.h"
#include "viewers/gui/match_panel.h"
#include "viewers/pairing.h"

namespace pkt {

namespace {
const std::vector<int> kColumnWidths = {40, 100, 150, 70, 70, 150, 100, 70};
constexpr std::size_t kTerminalColumn = 4;  // "Терминал"
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
  // A latency point clicked: its response's row on "Сообщения".
  connect(chtLatency, &TChartPage::rowClicked, this, [this](std::uint32_t row) {
    Pages->setCurrentIndex(0);
    GotoRow(QString::number(row));
  });

  acPair = new QAction(QString::fromUtf8("Перейти к парному сообщению"), this);
  acPair->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  acPair->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  addAction(acPair);
  connect(acPair, &QAction::triggered, this, [this] { RunGuarded([this] { acPairExecute(); }); });
  mnSearch->insertAction(mnSearch->actions().value(1), acPair);
  acNarrowToTerminal =
      AddNarrowingAction(QString::fromUtf8("Отобрать этот терминал"), cbTerminalID, edTerminalID, kTerminalColumn);

  FormCreate();
}

// "Тип" fits the longest kind name the list can show.
QStringList TfmTerminalViewer::ColumnSamples(int column) const {
  QStringList texts;
  if (column == 1)
    for (int kind = 0; kind < 256; ++kind) texts << QString::fromUtf8(TerminalKindName(static_cast<TRecordKind>(kind)));
  return texts;
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
  ReadPanelMatch<TTerminalPacketHandler>(*this, s);
  return s;
}

void TfmTerminalViewer::BeforeBackground() {
  // The pages let go of the points of the last build until the new one arrives.
  ShowChartsBuilding(*chtLoad, *chtLatency);
}

void TfmTerminalViewer::acPairExecute() {
  const auto row = SelectedRow();
  if (!row) return;
  const auto partner = PairedRow(viewer_.Log(), *row);
  if (!partner) {
    SetStatusNote(QString::fromUtf8("Пары нет"));
    return;
  }
  SelectRow(partner->row);
  const QString note = partner->partnerIsResponse ? QString::fromUtf8("Ответ: строка %1, через %2 мс")
                                                  : QString::fromUtf8("Запрос: строка %1, за %2 мс до ответа");
  SetStatusNote(note.arg(partner->row).arg(partner->latencyMs));
}

void TfmTerminalViewer::BackgroundProgressed() {
  // The charts go to their pages as soon as they are built, while the export is still written.
  if (!chtLoad->IsBuilding()) return;
  if (TChartPlots plots = viewer_.PlotsBuiltSoFar(); plots.load) ShowCharts(plots);
}

void TfmTerminalViewer::AfterReload() {
  // Charts the pages already show from the export's start keep their view (a zoom the operator made meanwhile).
  if (chtLoad->IsBuilding() || &viewer_.Charts() != shownCharts_) ShowCharts(viewer_.SharedPlots());
}

void TfmTerminalViewer::ShowCharts(const TChartPlots& plots) {
  shownCharts_ = plots.load->Source();
  ShowTerminalCharts(plots, *chtLoad, *chtLatency);
}

}  // namespace pkt
