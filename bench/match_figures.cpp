#include "match_figures.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>

#include "match/find_rows.h"
#include "match/match.h"
#include "viewers/terminal_viewer.h"

namespace pkt {

namespace {
using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// The best of two runs of counting the rows that match text, and the count.
double BestCount(const TTerminalFastLog& log, const std::string& text, std::uint64_t& count) {
  const TMatcher matcher(text, TLogFamily::Terminal);
  const std::atomic<bool> go{false};
  double best = 1e30;
  for (int run = 0; run < 2; ++run) {
    const auto start = Clock::now();
    count = CountMatches(log, matcher, go).value_or(0);
    best = std::min(best, Seconds(start));
  }
  return best;
}
}  // namespace

void PrintMatchFigures(const std::string& terminalLogPath, double exportRenderS, double indexS) {
  TTerminalViewer viewer("", terminalLogPath, terminalLogPath);
  TReloadSteps indexOnly;
  indexOnly.charts = false;
  indexOnly.exportTo.kind = TExportTarget::Nothing;
  viewer.Reload(TTerminalFilterSettings{}, {}, indexOnly);

  // A card and a terminal of the log: those of the first record that has a card.
  const TFieldValues probe({"MF_CARD_ID", "terminal"}, TLogFamily::Terminal);
  std::string card = "0", terminal = "0";
  for (std::uint32_t i = 0; i < viewer.RowCount(); ++i) {
    const auto values = probe.Of(viewer.Log().GetPacket(i));
    if (values[0]) {
      card = *values[0];
      terminal = values[1].value_or("0");
      break;
    }
  }
  std::uint64_t count = 0;
  const double matchS = BestCount(viewer.Log(), "MF_CARD_ID == " + card, count);
  std::printf("match_s: %.3f\n", matchS);
  std::printf("match_rows: %llu\n", static_cast<unsigned long long>(count));
  std::printf("match_ratio_to_export_render: %.2f\n", exportRenderS > 0 ? matchS / exportRenderS : 0.0);
  const double headerS = BestCount(viewer.Log(), "terminal == " + terminal + " and kind == \"Входящий\"", count);
  std::printf("match_header_s: %.3f\n", headerS);
  std::printf("match_header_rows: %llu\n", static_cast<unsigned long long>(count));
  std::printf("match_header_ratio_to_index: %.2f\n", indexS > 0 ? headerS / indexS : 0.0);
}

}  // namespace pkt
