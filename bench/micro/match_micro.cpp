// Micro-benchmarks of "Find the transaction": counting the records of a
// generated terminal log of 100 000 records that a condition accepts, on one
// thread. Conditions on numbers, decimals and codes read the fields' typed
// values; one on a text reads the text the tree shows. Each reports records
// per second.
//   pktmicro --benchmark_filter=Match
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "logs/fastlog.h"
#include "match/find_rows.h"
#include "match/match.h"
#include "pktgen/generator.h"

namespace {

// The generated log, opened once for all runs; its file is removed at exit.
struct TMatchLog {
  TMatchLog() {
    pkt::gen::GeneratorOptions options;
    options.records = 100'000;
    pkt::gen::GenerateLog(options, path);
    log.Open(path);
  }
  ~TMatchLog() { std::filesystem::remove(path); }
  std::string path =
      (std::filesystem::temp_directory_path() / ("pktmicro-match-" + std::to_string(::getpid()) + "-NS1.pkt")).string();
  pkt::TTerminalFastLog log;
};

void Count(benchmark::State& state, const char* condition) {
  static const TMatchLog source;
  const pkt::TMatcher matcher(condition, pkt::TLogFamily::Terminal);
  const std::atomic<bool> go{false};
  std::uint64_t found = 0;
  for (auto _ : state) found = pkt::CountMatches(source.log, matcher, go, 1).value_or(0);
  state.counters["found"] = static_cast<double>(found);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * source.log.GetCount());
}

BENCHMARK_CAPTURE(Count, MatchCardNumber, "MF_CARD_ID == 7826010361711748737")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Count, MatchSum, "MF_TRZ_SUM > 500.25")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Count, MatchMessageType, "MF_TYPE_ID == 8")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Count, MatchResponseCode, "MF_TRZ_RESPCODE == 0")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Count, MatchTypeText, "MF_TYPE_ID contains \"дебет\"")->Unit(benchmark::kMillisecond);

}  // namespace
