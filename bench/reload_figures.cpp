#include "reload_figures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/log_opening.h"
#include "platform/files.h"
#include "platform/process.h"
#include "viewers/terminal_viewer.h"

namespace pkt {

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 2;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Reads the whole log once through a 1 MiB buffer: the least an opening that
// copies the log can cost.
double ReadFloorSeconds(const std::string& path) {
  std::vector<char> buffer(1 << 20);
  const auto start = Clock::now();
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return 0;
  std::setvbuf(f, nullptr, _IONBF, 0);
  unsigned sum = 0;
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0;) sum += static_cast<unsigned char>(buffer[n - 1]);
  std::fclose(f);
  if (sum == 0xFFFFFFFF) std::printf("# unlikely\n");
  return Seconds(start);
}

void RemoveExports(const std::string& folder) {
  for (const auto& e : std::filesystem::directory_iterator(folder))
    if (e.path().filename().string().rfind("PKT ", 0) == 0) std::filesystem::remove(e.path());
}
}  // namespace

void PrintReloadFigures(const std::string& terminalLogPath, const std::string& folder, double indexS) {
  const std::string previousDirectory = ProgramDirectory();
  SetProgramDirectory(folder);

  double readFloorS = 1e30;
  for (int run = 0; run < kRuns; ++run) readFloorS = std::min(readFloorS, ReadFloorSeconds(terminalLogPath));

  // The rebuild as the window runs it: the calling thread is free once the
  // index is built and the work has started; the export is complete when the
  // work has ended. It comes first, while the log is in the page cache: the
  // merges below write gigabytes of their own.
  double uiS = 1e30, totalS = 1e30;
  TTerminalViewer viewer("", terminalLogPath, terminalLogPath);
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    viewer.ReloadIndex(TTerminalFilterSettings{});
    viewer.StartRest();
    uiS = std::min(uiS, Seconds(start));
    viewer.FinishRest();
    totalS = std::min(totalS, Seconds(start));
    RemoveExports(folder);
  }
  viewer.ResetView();

  // The opening as the viewer's "Открыть..." runs it on one plain log (read
  // where it lies), then the index step of the first rebuild; and the same
  // with the log copied into a new temporary log, as several files are.
  auto opening = [&](auto open) {
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
      const auto start = Clock::now();
      TTerminalViewer opened("", terminalLogPath, open());
      opened.ReloadIndex(TTerminalFilterSettings{});
      best = std::min(best, Seconds(start));
      opened.FormClose();
    }
    return best;
  };
  const double openS = opening([&] { return OpenLogFiles({terminalLogPath}); });
  const double mergeOpenS = opening([&] { return MergeLogFiles({terminalLogPath}); });

  SetProgramDirectory(previousDirectory);

  std::printf("read_floor_s: %.3f\n", readFloorS);
  std::printf("open_s: %.3f\n", openS);
  std::printf("open_ratio: %.2f\n", readFloorS > 0 ? openS / readFloorS : 0.0);
  std::printf("open_index_ratio: %.2f\n", indexS > 0 ? openS / indexS : 0.0);
  std::printf("merge_open_s: %.3f\n", mergeOpenS);
  std::printf("reload_ui_s: %.3f\n", uiS);
  std::printf("reload_ui_ratio: %.2f\n", indexS > 0 ? uiS / indexS : 0.0);
  std::printf("reload_total_s: %.3f\n", totalS);
  std::fflush(stdout);
}

}  // namespace pkt
