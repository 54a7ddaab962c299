#pragma once
// The terminal log viewer window: filter panel (issuer, terminal, time
// range, kinds), the virtual list and message tree, and the load and latency
// chart pages.
#include <QLineEdit>

#include <memory>

#include "viewers/gui/viewer_window.h"
#include "viewers/terminal_viewer.h"

namespace pkt {

class TChartPage;

// Lets only the digits 0-9 and backspace reach an edit field as typed text;
// every other character is discarded (editing keys and shortcuts still work).
class TDigitKeyFilter : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

class TfmTerminalViewer : public TFamilyViewerWindow<TTerminalViewer> {
  Q_OBJECT
 public:
  // owner, caption text, file name (first file or folder), temporary merged log.
  TfmTerminalViewer(QWidget* owner, const std::string& captionText, const std::string& fileName,
                    const std::string& tempPath);
  ~TfmTerminalViewer() override;

  // The filter panel as the core's settings.
  TTerminalFilterSettings ReadSettings() const;

  QCheckBox* cbEmitentID = nullptr;
  QLineEdit* edEmitentID = nullptr;
  QCheckBox* cbTerminalID = nullptr;
  QLineEdit* edTerminalID = nullptr;
  TChartPage* chtLoad = nullptr;
  TChartPage* chtLatency = nullptr;
  QAction* acPair = nullptr;              // "Перейти к парному сообщению"
  QAction* acNarrowToTerminal = nullptr;  // "Отобрать этот терминал"

 protected:
  void CoreReloadIndex(const TProgress& progress) override { viewer_.ReloadIndex(ReadSettings(), progress); }
  void BeforeBackground() override;
  void BackgroundProgressed() override;
  QStringList ColumnSamples(int column) const override;
  void AfterReload() override;

 private:
  void acPairExecute();
  // The pages show charts (not "Строится…") unless they are building; then
  // the charts shown are these, which the pages keep alive.
  void ShowCharts(const TChartPlots& plots);
  const TTerminalCharts* shownCharts_ = nullptr;
};

}  // namespace pkt
