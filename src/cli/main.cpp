// pktdump: the viewers' own merge, index, filter, list texts, decoded tree,
// charts and export, without windows.
#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <streambuf>
#include <string>

#include "app/log_opening.h"
#include "cli/options.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "text/format.h"
#include "viewers/h2h_viewer.h"
#include "viewers/pairing.h"
#include "viewers/terminal_viewer.h"

using namespace pkt;
using namespace pkt::cli;

namespace {

// The temporary merged log of this run goes into a private folder of the
// program directory, so that it is removed whenever the command ends: after
// success, after an error (a merge that fails part-way included) and after an
// interrupt.
char g_tempFolder[4096];

void RemoveFolderOnSignal(int sig) {
  if (g_tempFolder[0]) {
    // Only the merged log can be in the folder; remove it, then the folder.
    if (DIR* d = opendir(g_tempFolder)) {
      while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        char path[sizeof g_tempFolder + 256];
        std::size_t n = std::strlen(g_tempFolder);
        std::memcpy(path, g_tempFolder, n);
        path[n] = '/';
        const std::size_t m = strnlen(e->d_name, 255);
        std::memcpy(path + n + 1, e->d_name, m);
        path[n + 1 + m] = 0;
        unlink(path);
      }
      closedir(d);
    }
    rmdir(g_tempFolder);
  }
  _exit(128 + sig);
}

class TempFolderGuard {
 public:
  // Makes the private folder and points the merge at it.
  TempFolderGuard() {
    std::string pattern = ProgramDirectory() + "/.pktdump-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data())) RaiseLastOSError();
    folder_ = buf.data();
    if (folder_.size() < sizeof g_tempFolder) std::strcpy(g_tempFolder, folder_.c_str());
    SetProgramDirectory(folder_);
  }
  ~TempFolderGuard() {
    g_tempFolder[0] = 0;
    SetProgramDirectory("");
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  TempFolderGuard(const TempFolderGuard&) = delete;
  TempFolderGuard& operator=(const TempFolderGuard&) = delete;

 private:
  std::string folder_;
};

// A progress line on standard error, only when it is a terminal.
class ProgressLine {
 public:
  ProgressLine() : enabled_(isatty(STDERR_FILENO) == 1) {}
  ~ProgressLine() { Finish(); }
  TProgress Callback() {
    if (!enabled_) return {};
    return [this](TWorkStage stage, std::uint64_t done, std::uint64_t total) {
      const unsigned percent = total ? static_cast<unsigned>(done * 100 / total) : 100;
      if (stage == stage_ && percent == percent_) return;
      stage_ = stage;
      percent_ = percent;
      std::fprintf(stderr, "\r%s: %3u%%\033[K", WorkStageText(stage), percent);
      std::fflush(stderr);
      shown_ = true;
    };
  }
  void Finish() {
    if (shown_) {
      std::fprintf(stderr, "\r\033[K");
      std::fflush(stderr);
      shown_ = false;
    }
  }

 private:
  bool enabled_;
  bool shown_ = false;
  TWorkStage stage_ = TWorkStage::Merge;
  unsigned percent_ = 101;
};

// Standard output without buffering by the C++ library's own file buffer: a
// write that fails raises the system's error of that write (a full disk is
// "No space left on device"), which reaches the user as every other error.
class TStdoutBuffer : public std::streambuf {
 public:
  TStdoutBuffer() { setp(buffer_, buffer_ + sizeof buffer_); }
  ~TStdoutBuffer() override = default;

 protected:
  int_type overflow(int_type c) override {
    Drain();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override {
    Drain();
    return 0;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    if (n >= epptr() - pptr()) {
      Drain();
      if (n >= static_cast<std::streamsize>(sizeof buffer_)) {
        WriteAll(s, static_cast<std::size_t>(n));
        return n;
      }
    }
    std::memcpy(pptr(), s, static_cast<std::size_t>(n));
    pbump(static_cast<int>(n));
    return n;
  }

 private:
  void Drain() {
    const std::size_t n = static_cast<std::size_t>(pptr() - pbase());
    setp(buffer_, buffer_ + sizeof buffer_);
    WriteAll(buffer_, n);
  }
  static void WriteAll(const char* p, std::size_t n) {
    while (n > 0) {
      const ssize_t w = ::write(STDOUT_FILENO, p, n);
      if (w < 0) {
        if (errno == EINTR) continue;
        throw SystemError(errno);
      }
      p += w;
      n -= static_cast<std::size_t>(w);
    }
  }
  char buffer_[1 << 16];
};

TStdoutBuffer g_stdoutBuffer;
// Raises the buffer's SystemError itself (not a stream state) when a write fails.
std::ostream& Out() {
  static std::ostream* out = [] {
    auto* o = new std::ostream(&g_stdoutBuffer);
    o->exceptions(std::ios::badbit);
    return o;
  }();
  return *out;
}

std::string Merge(const Options& o, const TProgress& progress) {
  TMergeProgress merge;
  if (progress) merge = [&progress](std::uint64_t done, std::uint64_t total) { progress(TWorkStage::Merge, done, total); };
  return o.folder.empty() ? OpenLogFiles(o.files, merge) : MergeLogFolder(o.folder, merge);
}

std::string CaptionFileName(const Options& o) { return o.folder.empty() ? o.files.front() : o.folder; }

void PrintRow(const std::vector<std::string>& cells) {
  std::string line;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i) line += '\t';
    line += cells[i];
  }
  line += '\n';
  Out().write(line.data(), static_cast<std::streamsize>(line.size()));
}

// One JSON object of a listed row on a line: "#" the row number, then each key
// with its text, or null for an absent value.
void PrintJsonRow(std::uint32_t row, const std::vector<std::string>& keys,
                  const std::vector<std::optional<std::string>>& values) {
  nlohmann::ordered_json object;
  object["#"] = row;
  for (std::size_t i = 0; i < keys.size() && i < values.size(); ++i) {
    if (values[i]) object[keys[i]] = *values[i];
    else object[keys[i]] = nullptr;
  }
  std::string line = object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  line += '\n';
  Out().write(line.data(), static_cast<std::streamsize>(line.size()));
}

template <class Viewer>
void PrintList(const Options& o, const Viewer& viewer) {
  const std::vector<std::string>& captions = Viewer::ColumnCaptions();
  if (!o.json) PrintRow(captions);
  const std::vector<std::string> keys(captions.begin() + 1, captions.end());
  std::vector<std::string> cells;
  std::vector<std::optional<std::string>> values;
  for (std::uint32_t i = 0; i < viewer.RowCount(); ++i) {
    viewer.LogViewData(i, cells);
    if (!o.json) {
      PrintRow(cells);
      continue;
    }
    values.assign(cells.begin() + 1, cells.end());
    PrintJsonRow(i, keys, values);
  }
}

template <class Viewer>
void PrintFields(const Options& o, const Viewer& viewer) {
  const TFieldValues& fields = *o.fields;
  if (!o.json) {
    std::vector<std::string> captions{"#"};
    captions.insert(captions.end(), fields.Names().begin(), fields.Names().end());
    PrintRow(captions);
  }
  std::vector<std::string> cells;
  for (std::uint32_t i = 0; i < viewer.RowCount(); ++i) {
    const auto values = fields.Of(viewer.Log().GetPacket(i));
    if (o.json) {
      PrintJsonRow(i, fields.Names(), values);
      continue;
    }
    cells.assign(1, std::to_string(i));
    for (const auto& v : values) cells.push_back(v.value_or(std::string()));
    PrintRow(cells);
  }
}

TReloadSteps StepsFor(const Options& o) {
  TReloadSteps steps;
  steps.charts = o.command == Command::Charts || o.command == Command::Export;
  steps.exportTo.kind = TExportTarget::Nothing;
  if (o.command == Command::Export) {
    if (!o.output || *o.output == "-") {
      steps.exportTo.kind = TExportTarget::Stream;
      steps.exportTo.stream = &Out();
    } else {
      steps.exportTo.kind = TExportTarget::File;
      steps.exportTo.path = *o.output;
    }
  }
  return steps;
}

template <class Viewer>
int RunCommon(const Options& o, Viewer& viewer) {
  switch (o.command) {
    case Command::List: PrintList(o, viewer); break;
    case Command::Fields: PrintFields(o, viewer); break;
    case Command::Tree: {
      const std::int64_t row = *o.row;
      if (row < 0 || row >= std::int64_t(viewer.RowCount())) RaiseBadRow();
      const TSelection s = viewer.LogViewSelectItem(static_cast<std::uint32_t>(row));
      if (s.action == TSelection::Show) Out() << TreeText(s.nodes);
      break;
    }
    case Command::Pair: {
      const std::int64_t row = *o.row;
      if (row < 0 || row >= std::int64_t(viewer.RowCount())) RaiseBadRow();
      if constexpr (std::is_same_v<Viewer, TTerminalViewer>) {
        if (const auto partner = PairedRow(viewer.Log(), static_cast<std::uint32_t>(row)))
          Out() << format("%u\t%lld\n", partner->row, static_cast<long long>(partner->latencyMs));
      }
      break;
    }
    case Command::Export: {
      const TExportResult& r = viewer.LastExport();
      if (!r.written) throw Error(r.reason.empty() ? "The export was not written." : r.reason);
      break;
    }
    case Command::Charts: break;
  }
  Out().flush();
  return 0;
}

int Run(const Options& o) {
  ProgressLine progressLine;
  const TProgress progress = progressLine.Callback();
  TempFolderGuard guard;
  const std::string temp = Merge(o, progress);
  const TReloadSteps steps = StepsFor(o);

  if (o.family == Family::Terminal) {
    TTerminalViewer viewer("", CaptionFileName(o), temp);
    viewer.Reload(o.terminalFilter, progress, steps);
    progressLine.Finish();
    if (o.command == Command::Charts) {
      std::string out;
      for (const TLoadBucket& b : viewer.Charts().load)
        appendf(out, "load\t%s\t%llu\t%llu\t%llu\t%llu\n", b.TimeText().c_str(), (unsigned long long)b.incoming,
                (unsigned long long)b.outgoing, (unsigned long long)b.connects, (unsigned long long)b.disconnects);
      for (const TLatencyPoint& p : viewer.Charts().latency)
        appendf(out, "latency\t%s\t%lld\t%u\n", p.TimeText().c_str(), (long long)p.latencyMs, p.row);
      Out() << out;
    }
    return RunCommon(o, viewer);
  }
  TH2HViewer viewer("", CaptionFileName(o), temp);
  viewer.Reload(o.h2hFilter, progress, steps);
  progressLine.Finish();
  return RunCommon(o, viewer);
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) std::signal(sig, RemoveFolderOnSignal);
  std::optional<Options> options;
  try {
    options = ParseOptions(argc, argv);
  } catch (const UsageError& e) {
    std::cerr << "pktdump: " << e.message << "\n" << UsageText();
    return 2;
  }
  if (!options) return 0;
  try {
    return Run(*options);
  } catch (const std::exception& e) {
    // What was written before the error still goes out; a failing output
    // has had its say already.
    try {
      Out().flush();
    } catch (const std::exception&) {
    }
    std::cerr << e.what() << "\n";
    return 1;
  }
}
