// pktbench: builds a synthetic terminal log (about 2 GB unless --records
// says otherwise) in a temporary folder and prints one figure a line as
// "name: value", each next to the floor it is compared with, measured in the
// same run on the same file. The folder is removed at exit.
//   pktbench [--records N] [--seed S]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "logs/fastlog.h"
#include "pktgen/generator.h"
#include "platform/files.h"
#include "match_figures.h"
#include "reload_figures.h"
#include "viewer_figures.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Each figure is measured twice and the better run kept: the first run may
// still pay for page-cache effects of the one before.
constexpr int kRuns = 2;

struct Context {
  std::string folder;
  std::string logPath;
  std::uint64_t logBytes = 0;
  double floorTouchS = 0;
  double indexS = 0;
  double exportRenderS = 0;
};

// Mapping the log and reading one byte of every page: the least any index can cost.
void FloorFigures(Context& c) {
  double best = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    pkt::TMappedFile map;
    map.Open(c.logPath);
    const std::uint8_t* p = map.data();
    unsigned sum = 0;
    for (std::uint64_t i = 0; i < map.size(); i += 4096) sum += p[i];
    best = std::min(best, Seconds(start));
    if (sum == 0xFFFFFFFF) std::printf("# unlikely\n");
  }
  c.floorTouchS = best;
  std::printf("floor_touch_s: %.3f\n", best);
}

// The index as the viewers open it (every core shares the per-record work),
// beside the same index on one core. The two run in turns, five times each,
// and the best of each counts: the first index after the log was written
// takes twice as long as the later ones, and of the later ones about one in
// three is slowed by a third; with two runs each, one slow run decided.
constexpr int kIndexRuns = 5;

void IndexFigures(Context& c) {
  double best = 1e30, oneCore = 1e30;
  std::uint32_t count = 0;
  std::uint64_t bytes = 0;
  for (int run = 0; run < kIndexRuns; ++run) {
    for (unsigned threads : {0u, 1u}) {
      pkt::TTerminalFastLog log;
      log.Threads = threads;
      const auto start = Clock::now();
      log.Open(c.logPath);
      double& kept = threads == 1 ? oneCore : best;
      kept = std::min(kept, Seconds(start));
      count = log.GetCount();
      bytes = log.GetEntryBytes();
    }
  }
  c.indexS = best;
  std::printf("index_1core_s: %.3f\n", oneCore);
  std::printf("index_s: %.3f\n", best);
  std::printf("index_core_ratio: %.2f\n", oneCore > 0 ? best / oneCore : 0.0);
  std::printf("index_ratio: %.2f\n", c.floorTouchS > 0 ? best / c.floorTouchS : 0.0);
  std::printf("index_records_per_s: %.0f\n", best > 0 ? count / best : 0.0);
  std::printf("index_bytes_per_entry: %.2f\n", count ? static_cast<double>(bytes) / count : 0.0);
}

void ViewerFigures(Context& c) { c.exportRenderS = pkt::PrintViewerFigures(c.logPath); }
void MatchFigures(Context& c) { pkt::PrintMatchFigures(c.logPath, c.exportRenderS, c.indexS); }
void ReloadFigures(Context& c) { pkt::PrintReloadFigures(c.logPath, c.folder, c.indexS); }

// The figures in the order they are printed; a new figure is one more entry.
// The rebuild's figures come right after the index's: the gigabytes the
// exports write later push the log out of the page cache.
const std::vector<std::function<void(Context&)>> kFigures = {FloorFigures, IndexFigures, ReloadFigures,
                                                                    ViewerFigures, MatchFigures};

// The temporary folder of the run, removed however main ends.
struct TempFolder {
  std::filesystem::path path;
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pktbench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    path = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

int Usage() {
  std::fprintf(stderr, "usage: pktbench [--records N] [--seed S]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  pkt::gen::GeneratorOptions options;
  options.family = pkt::gen::LogFamily::Terminal;
  options.records = 15'800'000;  // about 2 GB of the generator's terminal records
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--records" || arg == "--seed") && i + 1 < argc) {
      char* end = nullptr;
      const unsigned long long v = std::strtoull(argv[++i], &end, 10);
      if (*end || argv[i][0] == '-') return Usage();
      (arg == "--records" ? options.records : options.seed) = v;
    } else {
      return Usage();
    }
  }
  try {
    TempFolder folder;
    Context c;
    c.folder = folder.path.string();
    c.logPath = (folder.path / "NS1_bench.pkt").string();
    const auto start = Clock::now();
    c.logBytes = pkt::gen::GenerateLog(options, c.logPath);
    std::printf("log_bytes: %llu\n", static_cast<unsigned long long>(c.logBytes));
    std::printf("log_records: %llu\n", static_cast<unsigned long long>(options.records));
    std::printf("generate_s: %.3f\n", Seconds(start));
    std::fflush(stdout);
    for (const auto& figure : kFigures) {
      figure(c);
      std::fflush(stdout);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
