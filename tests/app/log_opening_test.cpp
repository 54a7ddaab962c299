#include "app/log_opening.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "logs/fastlog.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "support/record_builder.h"

namespace pkt {
namespace {

using test::Bytes;
using test::TerminalRecord;

// Every test gets its own program directory.
class LogOpeningTest : public ::testing::Test {
 protected:
  void SetUp() override { SetProgramDirectory(program.path()); }
  void TearDown() override { SetProgramDirectory(""); }

  std::vector<std::string> ProgramFiles() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(program.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempFolder program;
  test::TempFolder logs;
};

Bytes Log(int records, int terminal) {
  Bytes out;
  for (int i = 0; i < records; ++i) test::Append(out, TerminalRecord().Terminal(terminal).Body(Bytes(i * 3, 0x11)).Build());
  return out;
}

TEST_F(LogOpeningTest, MergesFilesInListOrderIntoANewGuidFileBesideTheProgram) {
  const Bytes a = Log(3, 1), b = Log(2, 2), c = Log(4, 3);
  const std::string pa = logs.Write("NS1_a.pkt", a), pb = logs.Write("NS1_b.pkt", b), pc = logs.Write("NS1_c.pkt", c);
  const std::string merged = MergeLogFiles({pc, pa, pb});
  const std::regex name(std::regex_replace(program.path(), std::regex("[.^$|()\\[\\]{}*+?\\\\]"), "\\$&") +
                        "/\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}\\.tmp");
  EXPECT_TRUE(std::regex_match(merged, name)) << merged;
  EXPECT_EQ(test::ReadBytes(merged), test::Join({c, a, b}));

  TTerminalFastLog index;
  index.Open(merged);
  EXPECT_EQ(index.GetCount(), 9u);

  // A second opening at once gets its own file.
  const std::string again = MergeLogFiles({pa});
  EXPECT_NE(again, merged);
  EXPECT_EQ(test::ReadBytes(again), a);
}

TEST_F(LogOpeningTest, EmptyFilesContributeNothing) {
  const std::string e1 = logs.Write("e1.pkt", {}), e2 = logs.Write("e2.pkt", {});
  const Bytes a = Log(1, 1);
  EXPECT_EQ(test::ReadBytes(MergeLogFiles({e1, logs.Write("a.pkt", a), e2})), a);
  const std::string empty = MergeLogFiles({e1, e2});
  EXPECT_TRUE(std::filesystem::exists(empty));
  EXPECT_EQ(std::filesystem::file_size(empty), 0u);
  EXPECT_EQ(std::filesystem::file_size(MergeLogFiles({})), 0u);
}

TEST_F(LogOpeningTest, LargeFilesCopyThroughTheBufferAndReportProgress) {
  Bytes big(kMergeBufferSize * 2 + 1234);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 31 + 7);
  const Bytes small = Log(2, 5);
  const std::string pbig = logs.Write("big.pkt", big), psmall = logs.Write("small.pkt", small);
  std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
  const std::string merged =
      MergeLogFiles({pbig, psmall}, [&](std::uint64_t done, std::uint64_t total) { calls.emplace_back(done, total); });
  EXPECT_EQ(test::ReadBytes(merged), test::Join({big, small}));
  ASSERT_FALSE(calls.empty());
  const std::uint64_t total = big.size() + small.size();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].second, total);
    if (i) {
      EXPECT_GT(calls[i].first, calls[i - 1].first);
    }
  }
  EXPECT_EQ(calls.back().first, total);
}

TEST_F(LogOpeningTest, AMissingSourceRaisesItsSystemErrorAndLeavesThePartialFile) {
  const std::string a = logs.Write("a.pkt", Log(2, 1));
  try {
    MergeLogFiles({a, logs.File("missing.pkt")});
    FAIL() << "no error";
  } catch (const SystemError& e) {
    EXPECT_STREQ(e.what(), "System Error.  Code: 2.\r\nNo such file or directory");
  }
  const std::vector<std::string> left = ProgramFiles();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(std::filesystem::file_size(program.File(left[0])), Log(2, 1).size());
  // A source that is a folder fails on reading.
  EXPECT_THROW(MergeLogFiles({logs.path()}), SystemError);
}

TEST_F(LogOpeningTest, UnwritableProgramDirectoryRaisesAccessDenied) {
  // Root may write into any ordinary folder, but not into /sys.
  const bool root = ::geteuid() == 0;
  if (root) {
    SetProgramDirectory("/sys");
  } else {
    ::chmod(program.path().c_str(), 0500);
  }
  try {
    MergeLogFiles({logs.Write("a.pkt", Log(1, 1))});
    ADD_FAILURE() << "no error";
  } catch (const SystemError& e) {
    EXPECT_EQ(e.code(), EACCES);
    EXPECT_STREQ(e.what(), "System Error.  Code: 13.\r\nPermission denied");
  }
  if (!root) ::chmod(program.path().c_str(), 0700);
}

TEST_F(LogOpeningTest, FolderMergeTakesOnlyNs1PktFiles) {
  const Bytes a = Log(2, 1), b = Log(3, 2);
  logs.Write("NS1_a.pkt", a);
  logs.Write("ns1_B.PKT", b);
  logs.Write("NS2_x.pkt", Log(1, 9));
  logs.Write("ns1.pkt", Log(1, 9));
  logs.Write("NS1_y.pkt.bak", Log(1, 9));
  std::filesystem::create_directory(logs.File("NS1_x.pkt"));
  const Bytes merged = test::ReadBytes(MergeLogFolder(logs.path()));
  // The search's order is the file system's: either file may come first.
  EXPECT_TRUE(merged == test::Join({a, b}) || merged == test::Join({b, a}));

  test::TempFolder none;
  none.Write("NS2_1.pkt", Log(1, 1));
  EXPECT_EQ(test::ReadBytes(MergeLogFolder(none.path())).size(), 0u);
  // A folder that does not exist is a folder without logs.
  EXPECT_EQ(test::ReadBytes(MergeLogFolder(none.File("missing"))).size(), 0u);
}

TEST_F(LogOpeningTest, CaptionIsLongTimeBlankAndThePathUpToItsLastSlash) {
  std::tm t{};
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 7;
  EXPECT_EQ(OpeningCaptionAt("/logs/srv1", t), "09:05:07 /logs/");
  EXPECT_EQ(OpeningCaptionAt("/logs/srv1/NS1_a.pkt", t), "09:05:07 /logs/srv1/");
  EXPECT_EQ(OpeningCaptionAt("NS1_a.pkt", t), "09:05:07 ");
  const std::string now = OpeningCaption("/logs/srv1");
  EXPECT_TRUE(std::regex_match(now, std::regex(".+ /logs/"))) << now;
}

TEST_F(LogOpeningTest, LeftoverRemovalDeletesTmpFilesOnly) {
  program.Write("a.tmp", {1});
  program.Write("{01234567-89AB-4CDE-8F01-23456789ABCD}.tmp", {1});
  program.Write("B.TMP", {1});
  program.Write(".hidden.tmp", {1});
  program.Write("keep.txt", {1});
  program.Write("a.tmp.txt", {1});
  std::filesystem::create_directory(program.File("x.tmp"));
  RemoveLeftoverFiles();
  EXPECT_EQ(ProgramFiles(), (std::vector<std::string>{".hidden.tmp", "a.tmp.txt", "keep.txt", "x.tmp"}));
  RemoveLeftoverFiles();  // nothing to do is no error
  SetProgramDirectory(program.File("missing"));
  RemoveLeftoverFiles();
}

TEST_F(LogOpeningTest, LeftoverRemovalLeavesMergedLogsThatARunningCopyOwns) {
  const std::string mine = MergeLogFiles({logs.Write("a.pkt", Log(1, 1))});
  // Another copy's merged log: held with a shared lock, as its merge does.
  const std::string theirs = program.Write("{00000000-0000-4000-8000-000000000000}.tmp", {1, 2});
  TAutoHandle theirClaim = OpenFileForReading(theirs);
  ASSERT_TRUE(TryLockShared(theirClaim));
  const std::string stale = program.Write("stale.tmp", {3});

  RemoveLeftoverFiles();
  EXPECT_TRUE(std::filesystem::exists(mine));
  EXPECT_TRUE(std::filesystem::exists(theirs));
  EXPECT_FALSE(std::filesystem::exists(stale));

  theirClaim.close();
  ReleaseTemporaryLog(mine);
  RemoveLeftoverFiles();
  EXPECT_TRUE(ProgramFiles().empty());
}

}  // namespace
}  // namespace pkt
