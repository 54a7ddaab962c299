#pragma once
// The terminal log viewer without its widgets: the index over the temporary
// merged log, the rebuild, the row texts, the decoded tree of a row, the charts
// and the export. The window and pktdump drive the same calls.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "logs/fastlog.h"
#include "viewers/chart_plot.h"
#include "viewers/charts.h"
#include "viewers/filter.h"
#include "viewers/log_export.h"
#include "viewers/log_viewer.h"
#include "viewers/progress.h"
#include "viewers/viewer_common.h"

namespace pkt {

class TTerminalViewer : public TLogViewer<TTerminalFastLog> {
 public:
  // The texts of an opening: caption text, file name (first file or the
  // folder), the temporary merged log that this viewer owns.
  TTerminalViewer(std::string captionText, std::string fileName, std::string tempPath);
  ~TTerminalViewer();

  // The rebuild: ResetView, open the index with the filter of settings, set the
  // row count, build the charts, write the export. Nothing when the temporary
  // path is empty. An error of a step raises and ends the rebuild there: an
  // error of the index or the filter leaves no rows; one of the charts leaves
  // the rows and the charts built so far; in both cases no export is written.
  // When the export file cannot be created the export is skipped and
  // LastExport tells why.
  // Runs every step on the calling thread (pktdump, the tests).
  void Reload(const TTerminalFilterSettings& settings, const TProgress& progress = {}, const TReloadSteps& steps = {});

  // The rebuild in two parts, as the window runs it. ReloadIndex cancels the
  // background part of the rebuild before, then builds the index and sets the
  // row count: the list can show its rows. StartRest then builds the charts
  // and the export from that index on a thread of its own (finished is
  // called on that thread at its end); the index must not change until
  // FinishRest or CancelRest. FinishRest waits for the thread's end,
  // publishes the charts (as far as they got) and the export, and returns the
  // error of the work, which holds the same rules as Reload's.
  void ReloadIndex(const TTerminalFilterSettings& settings, const TProgress& progress = {});
  void StartRest(std::function<void()> finished = {}, const TReloadSteps& steps = {});
  std::exception_ptr FinishRest();

  // "#", "Тип", "Время", "Эмитент", "Терминал", "Адрес", "№ сообщения", "Размер".
  static const std::vector<std::string>& ColumnCaptions();
  // The texts of all cells of row i (UTF-8); the last two are empty for a
  // record without body. Raises AppError "Неверный индекс пакета!" outside the list.
  std::vector<std::string> LogViewData(std::uint32_t row) const;
  // The same, appended into cells (reused buffers for painting many rows).
  void LogViewData(std::uint32_t row, std::vector<std::string>& cells) const;

  // The tree of the selected row (no row: Clear). A record with data length 0
  // gives Keep; otherwise Show with the node "Сообщение " holding one subtree
  // per item of the message, or no node when the message does not parse.
  TSelection LogViewSelectItem(std::optional<std::uint32_t> row) const;

  // The charts of the last rebuild, shared with the chart pages without a copy.
  const TTerminalCharts& Charts() const { return *charts_; }
  std::shared_ptr<const TTerminalCharts> SharedCharts() const { return charts_; }
  // The plotters of Charts(): those the background work made with them, or
  // made now on the calling thread (a work that asked for none, or failed).
  TChartPlots SharedPlots() const;
  // The plotters the running background work has made with its charts, once
  // it has gone on to the export (it no longer touches them then): the pages
  // need not wait for the export's end. Null before, and when the work makes
  // none.
  TChartPlots PlotsBuiltSoFar() const;

 private:
  // The charts and the export of the index, as far as steps ask; the charts
  // go to pendingCharts_.
  void BuildRest(const TProgress& progress, const TReloadSteps& steps);

  std::shared_ptr<const TTerminalCharts> charts_;
  std::shared_ptr<TTerminalCharts> pendingCharts_;
  mutable TChartPlots plots_;  // made again only for new charts
  TChartPlots pendingPlots_;
};

// The tree of one terminal record (the part of LogViewSelectItem after the row
// is fetched).
TSelection TerminalRecordTree(const TTerminalPacketHandler& packet);

}  // namespace pkt
