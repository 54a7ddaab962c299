// Micro-benchmarks of the text export's hot pieces, on Google Benchmark's
// repetitions and statistics: rendering the blocks of a generated terminal
// log with the file system left out, one field written by the delimited-text
// rule, and one record time stamp. Each reports bytes per second, so a change
// to one piece can be judged without the noise of writing gigabytes.
//   pktmicro [--benchmark_repetitions=5] [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <unistd.h>

#include "pktgen/generator.h"
#include "platform/systime.h"
#include "text/delimited.h"
#include "text/text_buffer.h"
#include "viewers/log_export.h"
#include "viewers/terminal_viewer.h"

namespace {

// Takes every byte and keeps none, counting them.
struct TCountingBuffer : std::streambuf {
  std::uint64_t bytes = 0;
  std::streamsize xsputn(const char*, std::streamsize n) override {
    bytes += static_cast<std::uint64_t>(n);
    return n;
  }
  int_type overflow(int_type c) override {
    ++bytes;
    return traits_type::not_eof(c);
  }
};

// A generated terminal log of 100 000 records, indexed once for all runs; its
// file is removed at exit.
class TBenchLog {
 public:
  TBenchLog() {
    path_ = (std::filesystem::temp_directory_path() / ("pktmicro-" + std::to_string(::getpid()) + "-NS1.pkt")).string();
    pkt::gen::GeneratorOptions options;
    options.family = pkt::gen::LogFamily::Terminal;
    options.records = 100'000;
    pkt::gen::GenerateLog(options, path_);
    viewer_ = std::make_unique<pkt::TTerminalViewer>("", path_, path_);
    pkt::TReloadSteps indexOnly;
    indexOnly.charts = false;
    indexOnly.exportTo.kind = pkt::TExportTarget::Nothing;
    viewer_->Reload(pkt::TTerminalFilterSettings{}, {}, indexOnly);
  }
  ~TBenchLog() {
    viewer_.reset();
    std::remove(path_.c_str());
  }
  const pkt::TTerminalFastLog& Log() const { return viewer_->Log(); }

 private:
  std::string path_;
  std::unique_ptr<pkt::TTerminalViewer> viewer_;
};

const TBenchLog& BenchLog() {
  static TBenchLog log;
  return log;
}

void BM_RenderTerminalExport(benchmark::State& state) {
  const pkt::TTerminalFastLog& log = BenchLog().Log();
  std::uint64_t bytes = 0;
  for (auto _ : state) {
    TCountingBuffer counter;
    std::ostream out(&counter);
    pkt::WriteTerminalExport(log, out);
    bytes += counter.bytes;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * log.GetCount());
}
BENCHMARK(BM_RenderTerminalExport)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DelimitedField(benchmark::State& state) {
  const std::string texts[] = {"MF_EMITENT_ID: 1102", "MF_ROOT", "MF_TRZ_DATETIME: 2016-04-06 13:29:48.052",
                               "MF_TYPE_ID: Транзакция на дебет - запрос", "MF_TRACKN: ;1234567890123456=4912?"};
  pkt::TTextBuffer out;
  std::uint64_t bytes = 0;
  for (auto _ : state) {
    out.clear();
    for (const std::string& text : texts) pkt::AppendDelimitedUtf8Field(out, text);
    bytes += out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_DelimitedField);

void BM_TimeStampText(benchmark::State& state) {
  pkt::TSystemTime t;
  t.wYear = 2016, t.wMonth = 4, t.wDay = 6, t.wHour = 13, t.wMinute = 29, t.wSecond = 48, t.wMilliseconds = 52;
  char buffer[pkt::kTimeStampTextMax];
  for (auto _ : state) {
    t.wMilliseconds = static_cast<std::uint16_t>((t.wMilliseconds + 1) % 1000);
    benchmark::DoNotOptimize(pkt::PutTimeStampText(buffer, t));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 23);
}
BENCHMARK(BM_TimeStampText);

}  // namespace

BENCHMARK_MAIN();
