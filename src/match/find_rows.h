#pragma once
// The listed rows that a match expression finds: the next or previous one from
// a row, wrapping at the ends ("Найти далее", "Найти ранее"), and how many
// there are. Both run off the window's thread and stop soon after cancel is set.
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

#include "logs/fastlog.h"
#include "match/match.h"

namespace pkt {

struct TFoundRow {
  std::optional<std::uint32_t> row;  // nullopt: no row matches (or the search was cancelled)
  bool wrapped = false;              // the search passed the end of the list (or its start) to find it
  bool cancelled = false;
};

// Rows checked so far of all rows to check.
using TFindProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// The first matching row after from (before it when backward), wrapping around
// the list; from itself is checked last. Without from, the search starts at
// the first row (the last when backward).
TFoundRow FindRow(const TTerminalFastLog& log, const TMatcher& matcher, std::optional<std::uint32_t> from,
                  bool backward, const std::atomic<bool>& cancel, const TFindProgress& progress = {});
TFoundRow FindRow(const TH2HFastLog& log, const TMatcher& matcher, std::optional<std::uint32_t> from, bool backward,
                  const std::atomic<bool>& cancel, const TFindProgress& progress = {});

// The number of matching rows, the rows shared among threads (0: as many as
// the machine has cores); nullopt when cancelled.
std::optional<std::uint64_t> CountMatches(const TTerminalFastLog& log, const TMatcher& matcher,
                                          const std::atomic<bool>& cancel, unsigned threads = 0);
std::optional<std::uint64_t> CountMatches(const TH2HFastLog& log, const TMatcher& matcher,
                                          const std::atomic<bool>& cancel, unsigned threads = 0);

}  // namespace pkt
