#pragma once
// The host-to-host log viewer window: filter panel (host, time range, kinds),
// the virtual list and the message tree decoded by record kind.
#include <QLineEdit>

#include "viewers/gui/viewer_window.h"
#include "viewers/h2h_viewer.h"

namespace pkt {

class TfmH2HViewer : public TFamilyViewerWindow<TH2HViewer> {
  Q_OBJECT
 public:
  TfmH2HViewer(QWidget* owner, const std::string& captionText, const std::string& fileName,
               const std::string& tempPath);
  ~TfmH2HViewer() override;

  TH2HFilterSettings ReadSettings() const;

  QCheckBox* cbHostID = nullptr;
  QLineEdit* edHostID = nullptr;
  QAction* acNarrowToHost = nullptr;  // "Отобрать этот хост"

 protected:
  void CoreReloadIndex(const TProgress& progress) override { viewer_.ReloadIndex(ReadSettings(), progress); }
  QStringList ColumnSamples(int column) const override;
  bool FixedPitchTree(std::uint32_t row) const override;
};

}  // namespace pkt
