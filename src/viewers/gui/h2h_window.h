#pragma once
// The host-to-host log viewer window: filter panel (host, time range, kinds),
// the virtual list and the message tree decoded by record kind.
#include <QLineEdit>

#include "viewers/gui/viewer_window.h"
#include "viewers/h2h_viewer.h"

namespace pkt {

class TfmH2HViewer : public TViewerWindow {
  Q_OBJECT
 public:
  TfmH2HViewer(QWidget* owner, const std::string& captionText, const std::string& fileName,
               const std::string& tempPath);
  ~TfmH2HViewer() override;

  TH2HFilterSettings ReadSettings() const;

  const std::string& TempPath() const override { return viewer_.TempPath(); }
  const TExportResult& LastExport() const override { return viewer_.LastExport(); }
  const TH2HViewer& Viewer() const { return viewer_; }

  QCheckBox* cbHostID = nullptr;
  QLineEdit* edHostID = nullptr;

 protected:
  std::string Caption() const override { return viewer_.Caption(); }
  void CoreReload(const TProgress& progress) override { viewer_.Reload(ReadSettings(), progress); }
  std::uint32_t CoreRowCount() const override { return viewer_.RowCount(); }
  void CoreRowTexts(std::uint32_t row, std::vector<std::string>& cells) const override {
    viewer_.LogViewData(row, cells);
  }
  TKindColour CoreRowColour(std::uint32_t row) const override { return viewer_.RowColour(row); }
  TSelection CoreSelectItem(std::optional<std::uint32_t> row) const override {
    return viewer_.LogViewSelectItem(row);
  }
  void CoreFormClose() override { viewer_.FormClose(); }

 private:
  TH2HViewer viewer_;
};

}  // namespace pkt
