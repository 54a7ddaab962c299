#include "viewers/terminal_viewer.h"

#include "viewers/record_header.h"

#include "terminal/fields/renderer.h"
#include "terminal/tlv.h"
#include "text/codepage.h"
#include "text/format.h"
#include "terminal/frame.h"
#include "platform/errors.h"

namespace pkt {

TTerminalViewer::TTerminalViewer(std::string captionText, std::string fileName, std::string tempPath)
    : TLogViewer(std::move(captionText), std::move(fileName), std::move(tempPath)),
      charts_(std::make_shared<TTerminalCharts>()) {}

// The work reads pendingCharts_: it must end before the members go.
TTerminalViewer::~TTerminalViewer() { CancelRest(); }

void TTerminalViewer::Reload(const TTerminalFilterSettings& settings, const TProgress& progress,
                             const TReloadSteps& steps) {
  if (tempPath_.empty()) return;
  ReloadIndex(settings, progress);
  try {
    BuildRest(progress, steps);
  } catch (...) {
    FinishRest();  // the charts as far as they got
    throw;
  }
  FinishRest();
}

void TTerminalViewer::ReloadIndex(const TTerminalFilterSettings& settings, const TProgress& progress) {
  if (tempPath_.empty()) return;
  CancelRest();
  ResetView();
  lastExport_ = TExportResult{};
  pendingExport_ = TExportResult{};
  pendingCharts_.reset();
  pendingPlots_ = {};
  TTerminalFilter filter(settings);
  OpenFilteredIndex(log_, tempPath_, filter, progress, fileName_);
  rowCount_ = log_.GetCount();
}

void TTerminalViewer::BuildRest(const TProgress& progress, const TReloadSteps& steps) {
  if (steps.charts) {
    pendingCharts_ = std::make_shared<TTerminalCharts>();
    BuildCharts(log_, *pendingCharts_, progress);
    if (steps.plots) pendingPlots_ = MakeChartPlots(pendingCharts_);
  }
  pendingExport_ = ExportRebuild(log_, steps.exportTo, progress);
}

void TTerminalViewer::StartRest(std::function<void()> finished, const TReloadSteps& steps) {
  if (tempPath_.empty()) return;
  StartWork([this, steps](const TProgress& progress) { BuildRest(progress, steps); }, std::move(finished));
}

std::exception_ptr TTerminalViewer::FinishRest() {
  std::exception_ptr error = FinishWork();
  if (pendingCharts_) {
    charts_ = std::move(pendingCharts_);
    plots_ = std::move(pendingPlots_);
  }
  pendingCharts_.reset();
  pendingPlots_ = {};
  return error;
}

TChartPlots TTerminalViewer::SharedPlots() const {
  if (!plots_.load || plots_.load->Source() != charts_.get()) plots_ = MakeChartPlots(charts_);
  return plots_;
}

TChartPlots TTerminalViewer::PlotsBuiltSoFar() const {
  // The work made pendingPlots_ before it reported its first step of the
  // export; State() reads that report under the work's lock.
  if (!work_.Started() || work_.State().stage != TWorkStage::Export) return {};
  return pendingPlots_;
}

const std::vector<std::string>& TTerminalViewer::ColumnCaptions() {
  static const std::vector<std::string> captions = {"#",        "Тип",   "Время",       "Эмитент",
                                                    "Терминал", "Адрес", "№ сообщения", "Размер"};
  return captions;
}

void TTerminalViewer::LogViewData(std::uint32_t row, std::vector<std::string>& cells) const {
  ListCells(row, ReadHeaderCells<TTerminalFamily>(Packet(row)), cells);
}

std::vector<std::string> TTerminalViewer::LogViewData(std::uint32_t row) const {
  std::vector<std::string> cells;
  LogViewData(row, cells);
  return cells;
}

TSelection TerminalRecordTree(const TTerminalPacketHandler& packet) {
  TSelection s;
  if (packet.GetDataLength() == 0) {
    s.action = TSelection::Keep;
    return s;
  }
  s.action = TSelection::Show;
  TTLVStorage storage;
  if (ParseTerminalMessage(storage, packet.GetBody(), packet.GetBodySize()) != TLV_OK) return s;
  auto message = std::make_unique<TreeNode>("Сообщение ");
  for (std::uint32_t i = 0; i < storage.Count(); ++i) AddFieldNode(*message, storage, *storage.Item(i));
  s.nodes.push_back(std::move(message));
  return s;
}

TSelection TTerminalViewer::LogViewSelectItem(std::optional<std::uint32_t> row) const {
  if (!row) return {};
  return TerminalRecordTree(Packet(*row));
}

}  // namespace pkt
