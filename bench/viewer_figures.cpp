#include "viewer_figures.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ostream>
#include <streambuf>
#include <vector>

#include "platform/files.h"
#include "viewers/charts.h"
#include "viewers/log_export.h"
#include "viewers/terminal_viewer.h"

namespace pkt {

namespace {
using Clock = std::chrono::steady_clock;

// How many times the export and its floor are each run (the best run of each counts).
constexpr int kExportRuns = 3;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// A stream buffer that takes every byte and keeps none.
struct TDiscardingBuffer : std::streambuf {
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

// Writes bytes bytes to path through one 1 MiB buffer: the least time any export
// of that size can take on this disk.
double WriteFloorSeconds(const std::string& path, std::uint64_t bytes) {
  std::vector<char> buffer(1 << 20, 'x');
  const auto start = Clock::now();
  {
    TAutoHandle file = CreateFileForWriting(path);
    for (std::uint64_t left = bytes; left > 0;) {
      const std::size_t n = left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
      WriteFile(file, buffer.data(), n);
      left -= n;
    }
    file.closeChecked();
  }
  const double s = Seconds(start);
  DeleteFile(path);
  return s;
}
}  // namespace

double PrintViewerFigures(const std::string& terminalLogPath) {
  TTerminalViewer viewer("", terminalLogPath, terminalLogPath);
  TReloadSteps indexOnly;
  indexOnly.charts = false;
  indexOnly.exportTo.kind = TExportTarget::Nothing;
  viewer.Reload(TTerminalFilterSettings{}, {}, indexOnly);

  TTerminalCharts charts;
  auto start = Clock::now();
  BuildCharts(viewer.Log(), charts);
  std::printf("charts_s: %.3f\n", Seconds(start));

  std::vector<std::string> cells;
  std::size_t sink = 0;
  start = Clock::now();
  for (std::uint32_t i = 0; i < viewer.RowCount(); ++i) {
    viewer.LogViewData(i, cells);
    sink += cells[0].size();
  }
  std::printf("rows_s: %.3f\n", Seconds(start));
  if (sink == 0) std::printf("rows: none\n");

  // The export and its floor run in turns, several times each, and the best
  // run of each is kept: both write gigabytes, and how much of the previous
  // run the disk is still writing back, and how fast the page cache takes new
  // pages, swing a single run by a third and more. Each starts once the disk
  // has written back everything before it, and in turns the export and its
  // floor meet the same state of the machine.
  const std::string exportPath = terminalLogPath + ".export.txt";
  double exportS = 1e30, floorS = 1e30;
  std::uint64_t exportBytes = 0;
  for (int run = 0; run < kExportRuns; ++run) {
    ::sync();
    start = Clock::now();
    const TExportResult result = ExportTerminalLogToFile(viewer.Log(), exportPath);
    exportS = std::min(exportS, Seconds(start));
    exportBytes = result.bytes;
    DeleteFile(exportPath);
    ::sync();
    floorS = std::min(floorS, WriteFloorSeconds(terminalLogPath + ".floor", exportBytes));
  }
  // The same export rendered and thrown away: what the export costs apart
  // from the file system.
  double renderS = 1e30;
  for (int run = 0; run < kExportRuns; ++run) {
    TDiscardingBuffer discard;
    std::ostream out(&discard);
    start = Clock::now();
    WriteTerminalExport(viewer.Log(), out);
    renderS = std::min(renderS, Seconds(start));
  }
  std::printf("export_s: %.3f\n", exportS);
  std::printf("export_render_s: %.3f\n", renderS);
  std::printf("export_bytes: %llu\n", static_cast<unsigned long long>(exportBytes));
  std::printf("export_records_per_s: %.0f\n", exportS > 0 ? viewer.RowCount() / exportS : 0.0);
  std::printf("export_floor_s: %.3f\n", floorS);
  std::printf("export_ratio: %.2f\n", floorS > 0 ? exportS / floorS : 0.0);
  std::fflush(stdout);
  return renderS;
}

}  // namespace pkt
