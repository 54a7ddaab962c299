#pragma once
// The terminal log viewer without its widgets: the index over the temporary
// merged log, the rebuild, the row texts, the decoded tree of a row, the charts
// and the export. The window and pktdump drive the same calls.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "logs/fastlog.h"
#include "viewers/charts.h"
#include "viewers/filter.h"
#include "viewers/log_export.h"
#include "viewers/log_viewer.h"
#include "viewers/progress.h"
#include "viewers/viewer_common.h"

namespace pkt {

// The steps of a rebuild that pktdump may leave out (the window runs all).
struct TReloadSteps {
  bool charts = true;
  TExportTarget exportTo;  // the program directory unless told otherwise
};

class TTerminalViewer : public TLogViewer<TTerminalFastLog> {
 public:
  // The texts of an opening: caption text, file name (first file or the
  // folder), the temporary merged log that this viewer owns.
  TTerminalViewer(std::string captionText, std::string fileName, std::string tempPath);

  // The rebuild: ResetView, open the index with the filter of settings, set the
  // row count, build the charts, write the export. Nothing when the temporary
  // path is empty. An error of a step raises and ends the rebuild there: an
  // error of the index or the filter leaves no rows; one of the charts leaves
  // the rows and the charts built so far; in both cases no export is written.
  // When the export file cannot be created the export is skipped and
  // LastExport tells why.
  void Reload(const TTerminalFilterSettings& settings, const TProgress& progress = {}, const TReloadSteps& steps = {});

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

  const TTerminalCharts& Charts() const { return charts_; }

 private:
  TTerminalCharts charts_;
};

// The tree of one terminal record (the part of LogViewSelectItem after the row
// is fetched).
TSelection TerminalRecordTree(const TTerminalPacketHandler& packet);

}  // namespace pkt
