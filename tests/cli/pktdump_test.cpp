// pktdump run as a program on logs made by the builders: its output must be
// what the viewers' core computes for the same files, byte for byte.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "app/log_opening.h"
#include "match/match.h"
#include "platform/process.h"
#include "support/record_builder.h"
#include "support/tlv_builder.h"
#include "viewers/h2h_viewer.h"
#include "viewers/terminal_viewer.h"

namespace pkt {
namespace {

using namespace test;

struct Result {
  int status = -1;
  std::string out, err;
};

std::string Quote(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string BinDir() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }

// A copy of pktdump in a folder of its own: its program directory, where merges
// put their temporary files, is then this test's alone, so tests running side
// by side cannot see each other's temporary files.
class TProgramCopy {
 public:
  TProgramCopy() {
    path_ = folder_.File("pktdump");
    std::filesystem::copy_file(BinDir() + "/pktdump", path_);
  }
  const std::string& path() const { return path_; }
  // The temporary files that merges left in the program directory (and pktdump's private folders).
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder_.path())) {
      const std::string name = e.path().filename().string();
      if (name.ends_with(".tmp") || name.starts_with(".pktdump-")) names.push_back(name);
    }
    return names;
  }

 private:
  TempFolder folder_;
  std::string path_;
};

const TProgramCopy* gProgram = nullptr;  // the copy of the running test

// Runs pktdump with the arguments; standard output and error go to files of the folder.
// Standard output goes to stdoutPath when given.
Result Pktdump(const TempFolder& folder, const std::vector<std::string>& args, std::string stdoutPath = "") {
  std::string cmd = Quote(gProgram->path());
  for (const std::string& a : args) cmd += " " + Quote(a);
  const std::string out = stdoutPath.empty() ? folder.File("stdout") : stdoutPath, err = folder.File("stderr");
  cmd += " >" + Quote(out) + " 2>" + Quote(err) + " </dev/null";
  const int rc = std::system(cmd.c_str());
  Result r;
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  r.out = stdoutPath.empty() ? AsString(ReadBytes(out)) : "";
  r.err = AsString(ReadBytes(err));
  return r;
}

Bytes Message(std::uint32_t number) { return TlvBuilder().Byte(2, 8).DWord(3, number).Word(5, 1101).WithRoot(); }

Bytes TerminalLog(int firstMs) {
  const Stamp t0 = Stamp{}.PlusMs(firstMs);
  return Join({TerminalRecord().Kind(6).Time(t0).Terminal(2914).Build(),
               TerminalRecord().Kind(0).Time(t0.PlusMs(10)).Terminal(2914).Body(TerminalFrame(1, Message(1))).Build(),
               TerminalRecord().Kind(1).Time(t0.PlusMs(260)).Terminal(2914).Body(TerminalFrame(2, Message(1))).Build(),
               TerminalRecord().Kind(0).Time(t0.PlusMs(1500)).Emitent(7).Terminal(3).Address("a b").Body(TerminalFrame(3, Message(2))).Build(),
               TerminalRecord().Kind(7).Time(t0.PlusMs(2500)).Terminal(2914).Build()});
}

class PktdumpTest : public ::testing::Test {
 protected:
  void SetUp() override { gProgram = &program_; }
  void TearDown() override {
    EXPECT_EQ(program_.Leftovers(), std::vector<std::string>{});
    gProgram = nullptr;
  }

  // The core's view of the given files merged, with a filter.
  template <class Viewer, class Settings>
  void Core(Viewer& viewer, const Settings& s, TReloadSteps steps = {}) {
    viewer.Reload(s, {}, steps);
  }

  TProgramCopy program_;
  TempFolder folder_;
};

std::string ListText(const TTerminalViewer& v) {
  std::string out;
  auto line = [&out](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) out += (i ? "\t" : "") + cells[i];
    out += '\n';
  };
  line(TTerminalViewer::ColumnCaptions());
  for (std::uint32_t i = 0; i < v.RowCount(); ++i) line(v.LogViewData(i));
  return out;
}

TEST_F(PktdumpTest, ListMergesTheFilesInOrderAndFiltersAsThePanel) {
  const std::string a = folder_.Write("NS1_a.pkt", TerminalLog(0));
  const std::string b = folder_.Write("ns1_b.pkt", TerminalLog(3000));
  const std::string merged = folder_.Write("merged", Join({TerminalLog(0), TerminalLog(3000)}));
  TReloadSteps none;
  none.exportTo.kind = TExportTarget::Nothing;

  TTerminalViewer all("", a, merged);
  all.Reload({}, {}, none);
  Result r = Pktdump(folder_, {"list", a, b});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, ListText(all));
  EXPECT_NE(r.out.find("\tПодключение\t"), std::string::npos);
  EXPECT_NE(r.out.find("\t\t\n"), std::string::npos);  // a connect row ends with two empty cells

  TTerminalFilterSettings s;
  s.emitentChecked = true;
  s.emitentText = "7";
  s.kinds.incoming = true;
  s.kinds.connects = false;
  s.time.startChecked = true;
  s.time.startMs = DateTimeMs(TSystemTime::FromBytes(StampBytes(Stamp{}.PlusMs(-5)).data())) / 1000 * 1000;
  TTerminalViewer filtered("", a, merged);
  filtered.Reload(s, {}, none);
  r = Pktdump(folder_, {"list", "--emitent", "7", "--exclude", "connects", "--start", "2016-04-06 13:29:48", a, b});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, ListText(filtered));
  EXPECT_EQ(filtered.RowCount(), 2u);
}

TEST_F(PktdumpTest, ExportIsTheViewersExportByteForByte) {
  const std::string a = folder_.Write("NS1_a.pkt", TerminalLog(0));
  std::ostringstream expected;
  {
    TTerminalViewer v("", a, a);
    TReloadSteps steps;
    steps.exportTo.kind = TExportTarget::Stream;
    steps.exportTo.stream = &expected;
    v.Reload({}, {}, steps);
  }
  Result r = Pktdump(folder_, {"export", a});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected.str());
  r = Pktdump(folder_, {"export", "--output", folder_.File("out.txt"), a});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(AsString(ReadBytes(folder_.File("out.txt"))), expected.str());
  // An output that cannot be created is an error with the system's text.
  r = Pktdump(folder_, {"export", "--output", folder_.File("no/such/out.txt"), a});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "System Error.  Code: 2.\r\nNo such file or directory\n");
}

TEST_F(PktdumpTest, TreeAndChartsOfATerminalLog) {
  const std::string a = folder_.Write("NS1_a.pkt", TerminalLog(0));
  TTerminalViewer v("", a, a);
  TReloadSteps none;
  none.exportTo.kind = TExportTarget::Nothing;
  v.Reload({}, {}, none);

  Result r = Pktdump(folder_, {"tree", "--row", "1", a});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, TreeText(v.LogViewSelectItem(1).nodes));
  EXPECT_EQ(r.out.rfind("Сообщение \n  ", 0), 0u);
  r = Pktdump(folder_, {"tree", "--row", "0", a});  // a connect: nothing
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  r = Pktdump(folder_, {"tree", "--row", "5", a});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Неверный индекс пакета!\n");
  EXPECT_EQ(r.out, "");

  r = Pktdump(folder_, {"charts", a});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "load\t2016-04-06 13:29:48.005\t1\t1\t1\t0\n"
            "load\t2016-04-06 13:29:49.505\t1\t0\t0\t0\n"
            "load\t2016-04-06 13:29:50.505\t0\t0\t0\t1\n"
            "latency\t2016-04-06 13:29:48.265\t250\t2\n");
}

TEST_F(PktdumpTest, HostToHostLogsByNameOrOption) {
  const Bytes log = Join({HostRecord().Kind(0).Body(HostFrame(4, Message(4))).Build(),
                          HostRecord().Kind(8).Time(Stamp{}.PlusMs(1)).Body(Text("AB\r\n")).Build()});
  const std::string h = folder_.Write("H2D_1.pkt", log);
  const std::string other = folder_.Write("log.bin", log);
  TH2HViewer v("", h, h);
  std::ostringstream expected;
  TReloadSteps steps;
  steps.exportTo.kind = TExportTarget::Stream;
  steps.exportTo.stream = &expected;
  v.Reload({}, {}, steps);

  Result r = Pktdump(folder_, {"export", h});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected.str());
  r = Pktdump(folder_, {"tree", "--h2h", "--row", "1", other});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Сообщение\nAB\u2022\u2022\n");
  r = Pktdump(folder_, {"list", "--host", "1101", h});
  EXPECT_EQ(r.out, "#\tТип\tВремя\tХост\tАдрес\t№ сообщения\tРазмер\n");
}

TEST_F(PktdumpTest, ErrorsAndUsage) {
  const std::string a = folder_.Write("NS1_a.pkt", TerminalLog(0));
  // The viewer's conversion error, on standard error only, exit 1.
  Result r = Pktdump(folder_, {"list", "--emitent", "12a", a});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "'12a' is not a valid integer value\n");
  // A merge that fails part-way: the second file is missing. Its merged file goes too (TearDown).
  r = Pktdump(folder_, {"list", a, folder_.File("NS1_missing.pkt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "System Error.  Code: 2.\r\nNo such file or directory\n");
  // A truncated terminal log.
  const std::string t = folder_.Write("NS1_t.pkt", Join({TerminalLog(0), Bytes(10, 1)}));
  r = Pktdump(folder_, {"export", t});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(r.err.empty());

  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"list", folder_.File("log.bin")},
                                             {"frobnicate", a},
                                             {"list"},
                                             {"tree", a},
                                             {"list", "--host", "x", a},
                                             {"list", "--exclude", "connects,bogus", a},
                                             {"list", "--start", "2016-02-30 00:00:00", a},
                                             {"charts", "--h2h", a},
                                             {"list", "--terminal", "--h2h", a}}) {
    r = Pktdump(folder_, args);
    EXPECT_EQ(r.status, 2) << args[0] << " " << args.back();
    EXPECT_NE(r.err.find("usage: pktdump"), std::string::npos);
    EXPECT_EQ(r.out, "");
  }
}

TEST_F(PktdumpTest, FolderMergesItsTerminalLogs) {
  const std::string dir = folder_.File("srv1");
  std::filesystem::create_directories(dir + "/NS1_dir.pkt");
  const Bytes log = TerminalLog(0);
  std::ofstream(dir + "/NS1_x.pkt", std::ios::binary).write(reinterpret_cast<const char*>(log.data()), log.size());
  std::ofstream(dir + "/NS2_x.pkt", std::ios::binary).write(reinterpret_cast<const char*>(log.data()), log.size());
  TTerminalViewer v("", dir, dir + "/NS1_x.pkt");
  TReloadSteps none;
  none.exportTo.kind = TExportTarget::Nothing;
  v.Reload({}, {}, none);
  Result r = Pktdump(folder_, {"list", "--folder", dir});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, ListText(v));
}

TEST_F(PktdumpTest, MatchNarrowsEveryCommandAsThePanelWould) {
  const std::string a = folder_.Write("NS1_a.pkt", TerminalLog(0));
  const std::string merged = folder_.Write("merged", TerminalLog(0));
  const std::string expr = "MF_TRN_NUMBER == 1 and terminal == 2914";
  auto matcher = std::make_shared<TMatcher>(expr, TLogFamily::Terminal);
  TTerminalFilterSettings s;
  s.match = [matcher](const TTerminalPacketHandler& p) { return matcher->Holds(p); };
  TTerminalViewer core("", a, merged);
  const std::string coreExport = folder_.File("core.txt");
  TReloadSteps steps;
  steps.exportTo.kind = TExportTarget::File;
  steps.exportTo.path = coreExport;
  core.Reload(s, {}, steps);
  ASSERT_EQ(core.RowCount(), 2u);  // the request and its response, renumbered from 0

  Result r = Pktdump(folder_, {"list", "--match", expr, a});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, ListText(core));
  r = Pktdump(folder_, {"export", "--match", expr, "--output", folder_.File("dump.txt"), a});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(folder_.File("dump.txt")), ReadBytes(coreExport));
  r = Pktdump(folder_, {"tree", "--row", "1", "--match", expr, a});
  EXPECT_EQ(r.out, TreeText(core.LogViewSelectItem(1).nodes));
  r = Pktdump(folder_, {"charts", "--match", expr, a});
  EXPECT_NE(r.out.find("latency\t2016-04-06 13:29:48.265\t250\t1\n"), std::string::npos) << r.out;
  r = Pktdump(folder_, {"pair", "--row", "0", "--match", expr, a});
  EXPECT_EQ(r.out, "1\t250\n");
  // A free-text search and a regular expression over the cells.
  r = Pktdump(folder_, {"list", "--match", "\"a b\" or kind matches \"^Отключ\"", a});
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3) << r.out;
}

TEST_F(PktdumpTest, PairJoinsRequestAndResponseAsTheLatencyChart) {
  const std::string a = folder_.Write("NS1_a.pkt", TerminalLog(0));
  EXPECT_EQ(Pktdump(folder_, {"pair", "--row", "1", a}).out, "2\t250\n");
  EXPECT_EQ(Pktdump(folder_, {"pair", "--row", "2", a}).out, "1\t250\n");
  for (const char* row : {"0", "3", "4"}) {  // a connect, an unanswered request, a disconnect
    const Result r = Pktdump(folder_, {"pair", "--row", row, a});
    EXPECT_EQ(r.status, 0) << row;
    EXPECT_EQ(r.out, "") << row;
  }
  const Result r = Pktdump(folder_, {"pair", "--row", "5", a});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Неверный индекс пакета!\n");
}

TEST_F(PktdumpTest, FieldsAndJsonLines) {
  const std::string a = folder_.Write("NS1_a.pkt", TerminalLog(0));
  Result r = Pktdump(folder_, {"fields", "-e", "MF_TRN_NUMBER", "-e", "terminal", "-e", "MF_TYPE_ID", "--exclude",
                               "disconnects", a});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "#\tMF_TRN_NUMBER\tterminal\tMF_TYPE_ID\n"
            "0\t\t2914\t\n"
            "1\t1\t2914\tТранзакция на дебет - запрос\n"
            "2\t1\t2914\tТранзакция на дебет - запрос\n"
            "3\t2\t3\tТранзакция на дебет - запрос\n");
  r = Pktdump(folder_, {"fields", "--json", "-e", "MF_TRN_NUMBER", "-e", "address", "--match", "emitent == 7", a});
  EXPECT_EQ(r.out, "{\"#\":0,\"MF_TRN_NUMBER\":\"2\",\"address\":\"a b\"}\n");
  r = Pktdump(folder_, {"list", "--json", "--match", "kind == \"Подключение\"", a});
  EXPECT_EQ(r.out,
            "{\"#\":0,\"Тип\":\"Подключение\",\"Время\":\"2016-04-06 13:29:48.005\",\"Эмитент\":\"1101\","
            "\"Терминал\":\"2914\",\"Адрес\":\"10.0.0.1:5000\",\"№ сообщения\":\"\",\"Размер\":\"\"}\n");
}

TEST_F(PktdumpTest, BadExpressionsAndOptionsAreUsageErrors) {
  const std::string a = folder_.Write("NS1_a.pkt", TerminalLog(0));
  const std::string h = folder_.Write("H2H_a.pkt", HostRecord().Kind(6).Build());
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  for (const Case& c : std::vector<Case>{
           {{"list", "--match", "MF_CARD == 1", a}, "Неизвестное имя \"MF_CARD\", позиция 1"},
           {{"list", "--match", "kind ==", a}, "позиция 8"},
           {{"export", "--match", "emitent == 1", h}, "Неизвестное имя \"emitent\""},
           {{"fields", "-e", "MF_NOPE", a}, "MF_NOPE"},
           {{"fields", a}, "-e NAME"},
           {{"list", "-e", "kind", a}, "-e applies"},
           {{"tree", "--row", "1", "--json", a}, "--json"},
           {{"pair", a}, "--row"},
           {{"pair", "--row", "0", h}, "terminal logs"}}) {
    const Result r = Pktdump(folder_, c.args);
    EXPECT_EQ(r.status, 2) << c.says;
    EXPECT_EQ(r.out, "") << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
}

// A full disk under standard output is reported with the system's own error.
TEST_F(PktdumpTest, FailedWritesToStandardOutputSayWhy) {
  const std::string a = folder_.Write("NS1_a.pkt", TerminalLog(0));
  for (const char* command : {"list", "export"}) {
    const Result r = Pktdump(folder_, {command, a}, "/dev/full");
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_EQ(r.err, "System Error.  Code: 28.\r\nNo space left on device\n") << command;
  }
}

TEST_F(PktdumpTest, PackedLogsListAsTheirPlainLogsAndDamagedOnesAreNamed) {
  const std::string plain = folder_.Write("NS1_a.pkt", TerminalLog(0));
  TTerminalViewer v("", plain, plain);
  TReloadSteps none;
  none.exportTo.kind = TExportTarget::Nothing;
  v.Reload({}, {}, none);
  const std::string expected = ListText(v);
  // Packed by the packers the log rotation uses.
  const std::string dir = folder_.File("packed");
  std::filesystem::create_directories(dir);
  const std::vector<std::pair<std::string, std::string>> packers = {
      {"gzip -c", ".gz"}, {"xz -c", ".xz"}, {"zstd -q -c", ".zst"}, {"bzip2 -c", ".bz2"}};
  for (const auto& [packer, suffix] : packers) {
    const std::string packed = dir + "/NS1_a.pkt" + suffix;
    ASSERT_EQ(std::system((packer + " " + Quote(plain) + " > " + Quote(packed)).c_str()), 0) << packer;
    const Result r = Pktdump(folder_, {"list", packed});
    EXPECT_EQ(r.status, 0) << suffix << ": " << r.err;
    EXPECT_EQ(r.out, expected) << suffix;
  }
  const std::string zip = dir + "/NS1_day.zip";
  ASSERT_EQ(std::system(("zip -q -j " + Quote(zip) + " " + Quote(plain)).c_str()), 0);
  Result r = Pktdump(folder_, {"list", zip});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
  // A folder of packed logs merges all five, each unpacked.
  r = Pktdump(folder_, {"list", "--folder", dir});
  EXPECT_EQ(r.status, 0) << r.err;
  const auto rows = std::count(expected.begin(), expected.end(), '\n') - 1;  // below the captions
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1 + 5 * rows);

  // A packed host-to-host log is told by its name.
  const std::string host = folder_.Write("H2D_a.pkt", HostRecord().Kind(6).Build());
  ASSERT_EQ(std::system(("xz " + Quote(host)).c_str()), 0);
  r = Pktdump(folder_, {"list", host + ".xz"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "#\tТип\tВремя\tХост\tАдрес\t№ сообщения\tРазмер");

  // A damaged archive: exit 1, its name in the message, nothing listed.
  const Bytes gz = ReadBytes(dir + "/NS1_a.pkt.gz");
  const std::string cut = folder_.Write("NS1_cut.pkt.gz", Bytes(gz.begin(), gz.begin() + static_cast<long>(gz.size()) - 6));
  r = Pktdump(folder_, {"list", plain, cut});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("Не удаётся распаковать файл \"" + cut + "\": ", 0), 0u) << r.err;
}

}  // namespace
}  // namespace pkt
