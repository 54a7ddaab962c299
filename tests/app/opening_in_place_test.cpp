// Opening one plain log without copying it: the viewer reads the operator's
// file where it lies, sees it as it was at the opening, and never writes or
// deletes it; every other opening is still a merge.
#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "app/log_opening.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "support/record_builder.h"
#include "viewers/terminal_viewer.h"

namespace pkt {
namespace {

using test::Bytes;
using test::TerminalRecord;

class OpeningInPlaceTest : public ::testing::Test {
 protected:
  void SetUp() override { SetProgramDirectory(program.path()); }
  void TearDown() override { SetProgramDirectory(""); }

  bool ProgramFolderEmpty() const { return std::filesystem::is_empty(program.path()); }

  // The rows and the export of a viewer over the log at path, the viewer then closed.
  struct TShown {
    std::vector<std::vector<std::string>> rows;
    Bytes exported;
  };
  TShown Show(const std::string& fileName, const std::string& path) {
    TTerminalViewer viewer("", fileName, path);
    TReloadSteps steps;
    steps.exportTo.kind = TExportTarget::File;
    steps.exportTo.path = logs.File("export.txt");
    viewer.Reload(TTerminalFilterSettings{}, {}, steps);
    TShown shown;
    for (std::uint32_t row = 0; row < viewer.RowCount(); ++row) shown.rows.push_back(viewer.LogViewData(row));
    shown.exported = test::ReadBytes(steps.exportTo.path);
    viewer.FormClose();
    return shown;
  }

  test::TempFolder program;
  test::TempFolder logs;
};

// Records out of time order, so that the listing is sorted and not merely the file's order.
Bytes Log(int records) {
  Bytes out;
  for (int i = 0; i < records; ++i) {
    test::Stamp at;
    at.second = (records - i) % 60;
    test::Append(out, TerminalRecord().Kind(i % 8).Terminal(i).Time(at).Body(Bytes(i * 5, 0x22)).Build());
  }
  return out;
}

TReloadSteps IndexOnly() { return TReloadSteps{false, {TExportTarget::Nothing, {}, nullptr}}; }

void AppendToFile(const std::string& path, const Bytes& more) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out.write(reinterpret_cast<const char*>(more.data()), static_cast<std::streamsize>(more.size()));
}

TEST_F(OpeningInPlaceTest, OneLogShowsTheSameRowsAndExportAsItsMergedCopyAndIsNeverDeleted) {
  const Bytes log = Log(40);
  const std::string source = logs.Write("NS1_a.pkt", log);
  const auto modified = std::filesystem::last_write_time(source);

  const TShown merged = Show(source, MergeLogFiles({source}));
  std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
  const std::string opened =
      OpenLogFiles({source}, [&](std::uint64_t done, std::uint64_t total) { calls.emplace_back(done, total); });
  EXPECT_TRUE(IsLogReadInPlace(opened));
  EXPECT_NE(opened, source);
  EXPECT_EQ(OpenedLogByteLimit(opened), log.size());
  EXPECT_TRUE(ProgramFolderEmpty()) << "no merged log is written";
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back(), std::make_pair(std::uint64_t{log.size()}, std::uint64_t{log.size()}));

  const TShown inPlace = Show(source, opened);
  ASSERT_EQ(inPlace.rows.size(), 40u);
  EXPECT_EQ(inPlace.rows, merged.rows);
  EXPECT_EQ(inPlace.exported, merged.exported);

  // Closing the viewer let go of the file, and left it as it was.
  EXPECT_FALSE(IsLogReadInPlace(opened));
  EXPECT_EQ(OpenedLogByteLimit(opened), ~std::uint64_t{0});
  EXPECT_EQ(test::ReadBytes(source), log);
  EXPECT_EQ(std::filesystem::last_write_time(source), modified);
  EXPECT_TRUE(ProgramFolderEmpty());
}

TEST_F(OpeningInPlaceTest, TheViewerSeesTheLogAsItWasOpenedWhateverBecomesOfItsName) {
  const Bytes log = Log(5);
  const std::string source = logs.Write("NS1_a.pkt", log);
  const std::string opened = OpenLogFiles({source});
  TTerminalViewer viewer("", source, opened);
  viewer.Reload(TTerminalFilterSettings{}, {}, IndexOnly());
  ASSERT_EQ(viewer.RowCount(), 5u);

  // Records written on (a live log), half a record at the end, then the file
  // renamed away and another put in its place: "Применить" lists what was opened.
  AppendToFile(source, Log(3));
  AppendToFile(source, Bytes(20, 0x54));
  std::filesystem::rename(source, logs.File("NS1_a.pkt.1"));
  logs.Write("NS1_a.pkt", Log(1));
  viewer.Reload(TTerminalFilterSettings{}, {}, IndexOnly());
  EXPECT_EQ(viewer.RowCount(), 5u);

  // Deleted meanwhile: still the same.
  std::filesystem::remove(logs.File("NS1_a.pkt.1"));
  viewer.Reload(TTerminalFilterSettings{}, {}, IndexOnly());
  EXPECT_EQ(viewer.RowCount(), 5u);
  viewer.FormClose();
  EXPECT_FALSE(IsLogReadInPlace(opened));
  EXPECT_EQ(test::ReadBytes(logs.File("NS1_a.pkt")), Log(1));
}

TEST_F(OpeningInPlaceTest, SeveralEmptyOrSpecialFilesAreMergedAndErrorsStayTheMerges) {
  const Bytes a = Log(2), b = Log(3);
  const std::string pa = logs.Write("NS1_a.pkt", a), pb = logs.Write("NS1_b.pkt", b);

  const std::string both = OpenLogFiles({pa, pb});
  EXPECT_FALSE(IsLogReadInPlace(both));
  EXPECT_EQ(both.rfind(program.path() + "/{", 0), 0u) << both;
  EXPECT_EQ(test::ReadBytes(both), test::Join({a, b}));

  // An empty log keeps the merge and its "no record" message.
  const std::string empty = logs.Write("NS1_empty.pkt", {});
  const std::string emptyMerged = OpenLogFiles({empty});
  EXPECT_FALSE(IsLogReadInPlace(emptyMerged));
  TTerminalViewer viewer("", empty, emptyMerged);
  try {
    viewer.Reload(TTerminalFilterSettings{});
    FAIL();
  } catch (const EmptyLogError& e) {
    EXPECT_NE(std::string(e.what()).find("В журнале \"" + empty + "\" нет ни одной записи."), std::string::npos);
  }
  viewer.FormClose();
  EXPECT_FALSE(std::filesystem::exists(emptyMerged));
  EXPECT_TRUE(std::filesystem::exists(empty));

  // A file of the kernel's own (no true size) is copied as before.
  const std::string special = OpenLogFiles({"/proc/self/cmdline"});
  EXPECT_FALSE(IsLogReadInPlace(special));
  EXPECT_FALSE(test::ReadBytes(special).empty());

  // So is a named pipe, opened once, by the merge: what its writer sends.
  const std::string pipe = logs.File("NS1_pipe.pkt");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::jthread writer([&] {
    TAutoHandle out(::open(pipe.c_str(), O_WRONLY | O_CLOEXEC));
    WriteFile(out, b.data(), b.size());
  });
  const std::string piped = OpenLogFiles({pipe});
  writer.join();
  EXPECT_FALSE(IsLogReadInPlace(piped));
  EXPECT_EQ(test::ReadBytes(piped), b);

  // A file that cannot be opened or read: the merge's error.
  for (const std::string& path : {logs.File("NS1_missing.pkt"), logs.path()}) {
    try {
      OpenLogFiles({path});
      FAIL() << path;
    } catch (const SystemError& e) {
      EXPECT_EQ(e.code(), path == logs.path() ? EISDIR : ENOENT) << path;
    }
  }
}

}  // namespace
}  // namespace pkt
