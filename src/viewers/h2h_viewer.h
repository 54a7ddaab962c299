#pragma once
// The host-to-host log viewer without its widgets: the index over the
// temporary merged log, the rebuild, the row texts, the decoded tree of a row
// by record kind and the export.
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "logs/fastlog.h"
#include "viewers/filter.h"
#include "viewers/log_export.h"
#include "viewers/log_viewer.h"
#include "viewers/progress.h"
#include "viewers/terminal_viewer.h"
#include "viewers/viewer_common.h"

namespace pkt {

// The texts the tree shows for an ISO 8583 message it cannot show.
namespace h2h_text {
inline constexpr const char* kMessage = "Сообщение";
inline constexpr const char* kWrongSize = "Сообщение имеет неправильный размер";
inline constexpr const char* kCannotShow = "Сообщение не может быть отображено";
}  // namespace h2h_text

class TH2HViewer : public TLogViewer<TH2HFastLog> {
 public:
  TH2HViewer(std::string captionText, std::string fileName, std::string tempPath);
  ~TH2HViewer();

  // ResetView, open the index with the filter, set the row count, write the
  // export (steps.charts is ignored: this viewer has no charts). An error of the
  // index or the filter raises and leaves no rows and no export. Runs every
  // step on the calling thread.
  void Reload(const TH2HFilterSettings& settings, const TProgress& progress = {}, const TReloadSteps& steps = {});

  // The rebuild in two parts, as the window runs it (see TTerminalViewer):
  // the index on the calling thread, the export on a thread of its own.
  void ReloadIndex(const TH2HFilterSettings& settings, const TProgress& progress = {});
  void StartRest(std::function<void()> finished = {}, const TReloadSteps& steps = {});
  std::exception_ptr FinishRest() { return FinishWork(); }

  // "#", "Тип", "Время", "Хост", "Адрес", "№ сообщения", "Размер".
  static const std::vector<std::string>& ColumnCaptions();
  std::vector<std::string> LogViewData(std::uint32_t row) const;
  void LogViewData(std::uint32_t row, std::vector<std::string>& cells) const;

  // No row: Clear; data length 0: Keep; otherwise Show: for TLV kinds (0-7, 12,
  // 15-255) the node "Сообщение" with the fields (nothing when the message does
  // not parse); for kinds 8-11, 13, 14 the top-level node "Сообщение" followed
  // by top-level nodes: the characters of a raw message, or the lines of the
  // ISO 8583 listing.
  TSelection LogViewSelectItem(std::optional<std::uint32_t> row) const;
};

// The tree of one host-to-host record.
TSelection H2HRecordTree(const TH2HPacketHandler& packet);

// A listing cut into lines at CR LF, CR or LF; an empty text gives one empty
// line, a final break no extra line.
std::vector<std::string> CutListingLines(const std::string& listing);

}  // namespace pkt
