#pragma once
// What both viewers share: the window caption, the colour of the "Тип" cell,
// the answer of a row selection, the filtered opening of the index and the
// day arithmetic of date-time values.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/log_opening.h"
#include "logs/records.h"
#include "platform/files.h"
#include "text/tree.h"
#include "viewers/progress.h"

namespace pkt {

// "Сообщения - %s" with the file name when the caption text is empty,
// otherwise "Сообщения - %s - %s" with the caption text and the file name.
std::string ViewerCaption(const std::string& captionText, const std::string& fileName);

// Font colour of the "Тип" cell: kinds 2-5 blue, 6 green, 7 red, any other black.
enum class TKindColour { Black, Blue, Green, Red };
TKindColour KindColour(TRecordKind kind);

using TTreeForest = std::vector<std::unique_ptr<TreeNode>>;

// What selecting a row does to the message tree.
struct TSelection {
  enum Action {
    Clear,     // no row selected: the tree is emptied
    Keep,      // a record without body: the tree keeps what it shows
    Show,      // the tree is replaced by nodes (empty when the message does not parse)
  };
  Action action = Clear;
  TTreeForest nodes;  // top-level nodes, in order; the window expands them all
};

// The index step of a rebuild: opens the index over the log at path, asking
// filter.Skip about every record, and reports the walk through the file now
// and then, then its end. Both cores share the per-record work (the viewers'
// filters may be asked from several threads at once). The filter and the
// progress are detached again whether the opening succeeds or raises, since
// they are the caller's and end with its call. A merged log without records
// cannot be mapped: its error then also names the log or folder (sourceName)
// that the opening took.
template <class Log, class Filter>
void OpenFilteredIndex(Log& log, const std::string& path, const Filter& filter, const TProgress& progress,
                       const std::string& sourceName = {}) {
  // A panel that admits every record is not asked about each.
  if (!filter.AdmitsEverything())
    log.OnFilter = [&filter](Log&, const auto& packet, bool& skip) { skip = filter.Skip(packet); };
  else
    log.OnFilter = nullptr;
  if (progress)
    log.OnProgress = [&progress](std::uint64_t done, std::uint64_t total) { progress(TWorkStage::Index, done, total); };
  log.Threads = 0;
  // A log read in place is indexed as far as it reached at its opening.
  log.ByteLimit = OpenedLogByteLimit(path);
  try {
    log.Open(path);
  } catch (const SystemError& e) {
    log.OnFilter = nullptr;
    log.OnProgress = nullptr;
    std::uint64_t size = 1;
    if (!sourceName.empty() && TryFileSize(path, size) && size == 0) throw EmptyLogError(e.what(), sourceName);
    throw;
  } catch (...) {
    log.OnFilter = nullptr;
    log.OnProgress = nullptr;
    throw;
  }
  log.OnFilter = nullptr;
  log.OnProgress = nullptr;
}

// Milliseconds in a day of the date-time values (days since 30 December 1899).
inline constexpr std::int64_t kDayMs = 86400000;

// The day a date-time value in milliseconds lies in. Rounds down, so that a
// value before 30 December 1899 still lies on its own day, not the next one.
constexpr std::int64_t DayOf(std::int64_t dateTimeMs) {
  std::int64_t q = dateTimeMs / kDayMs;
  if (dateTimeMs % kDayMs < 0) --q;
  return q;
}

// Deletes the viewer's temporary merged log; the result is ignored (a file that
// cannot be deleted goes at the next start-up's clean-up). A log read in place
// is never deleted, only let go of.
void DeleteTemporaryFile(const std::string& path);

}  // namespace pkt

namespace pkt {
// A row outside the list: AppError "Неверный индекс пакета!".
[[noreturn]] void RaiseBadRow();
}  // namespace pkt
