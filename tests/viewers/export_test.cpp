// The export's file name, its place in the program directory, time texts of
// any stamp, and the list order of a long export.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "fixture.h"
#include "platform/process.h"

namespace pkt {
namespace {

using namespace test;

TEST(ExportName, FollowsTheDayMonthYearPattern) {
  std::tm t{};
  t.tm_mday = 6, t.tm_mon = 3, t.tm_year = 116, t.tm_hour = 13, t.tm_min = 29, t.tm_sec = 8;
  EXPECT_EQ(ExportFileName(t), "PKT 06.04.2016 13-29-08.txt");
}

TEST(ExportName, ARebuildWritesIntoTheProgramDirectory) {
  TempFolder folder;
  SetProgramDirectory(folder.path());
  const std::string log = folder.Write("NS1_a.pkt", TerminalRecord().Kind(6).Build());
  TTerminalViewer viewer("", log, log);
  viewer.Reload({});
  SetProgramDirectory("");
  const TExportResult& r = viewer.LastExport();
  ASSERT_TRUE(r.written) << r.reason;
  EXPECT_EQ(std::filesystem::path(r.path).parent_path().string(), folder.path());
  EXPECT_TRUE(std::regex_match(std::filesystem::path(r.path).filename().string(),
                               std::regex(R"(PKT \d\d\.\d\d\.\d{4} \d\d-\d\d-\d\d\.txt)")));
  EXPECT_EQ(ReadText(r.path), "\"2016-04-06 13:29:48.005\"\t" + Utf8ToCp1251("Подключение") +
                                  "\t1101\t7\t10.0.0.1:5000\r\n\r\n");
}

TEST(ExportBlocks, TimeTextsOfStampsThatAreNoDatesAreWrittenAsTheListShowsThem) {
  TempFolder folder;
  Stamp odd;
  odd.year = 65535, odd.month = 13, odd.day = 0, odd.hour = 99, odd.minute = 7, odd.second = 100, odd.ms = 1000;
  const std::string log = folder.Write("NS1_a.pkt", TerminalRecord().Kind(7).Time(odd).Build());
  TTerminalViewer viewer("", log, log);
  viewer.Reload({}, {}, ExportTo(folder.File("e.txt"), /*charts=*/false));
  EXPECT_EQ(viewer.LogViewData(0)[2], "65535-13-00 99:07:100.1000");
  EXPECT_EQ(ReadText(folder.File("e.txt")).substr(0, 28), "\"65535-13-00 99:07:100.1000\"");
}

// The header line of a row rebuilt from its list texts (the export leaves out
// "#" and puts the time before the kind).
std::string HeaderFromRow(const std::vector<std::string>& cells, bool hasBody) {
  std::vector<std::string> fields = {cells[2], cells[1], cells[3], cells[4], cells[5]};
  if (hasBody) fields.insert(fields.end(), {cells[6], cells[7]});
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::string f = Utf8ToCp1251(fields[i]);
    line += i ? "\t" : "";
    line += f.find_first_of(" \"") != std::string::npos ? "\"" + f + "\"" : f;
  }
  return line + "\r\n";
}

TEST(ExportBlocks, ALongExportKeepsTheListOrder) {
  // Enough records for the export to render in several chunks.
  TempFolder folder;
  Bytes log;
  std::vector<Bytes> tlvs;
  const int n = 40000;
  for (int i = 0; i < n; ++i) {
    const Stamp t = Stamp{}.PlusMs(i);
    if (i % 5 == 0) {
      Append(log, TerminalRecord().Kind(6).Time(t).Terminal(static_cast<std::uint16_t>(i)).Build());
      tlvs.push_back({});
    } else {
      tlvs.push_back(TlvBuilder().Byte(2, 8 + i % 2).DWord(3, i).Str(45, i % 3 ? "t" : "a b").WithRoot());
      Append(log, TerminalRecord().Kind(i % 2).Time(t).Address(i % 7 ? "x" : "\xC0 1").Body(TerminalFrame(i, tlvs.back())).Build());
    }
  }
  const std::string path = folder.Write("NS1_a.pkt", log);
  TTerminalViewer viewer("", path, path);
  std::ostringstream out;
  TReloadSteps steps;
  steps.exportTo.kind = TExportTarget::Stream;
  steps.exportTo.stream = &out;
  std::uint64_t lastDone = 0;
  bool ended = false;
  viewer.Reload({}, [&](TWorkStage stage, std::uint64_t done, std::uint64_t total) {
    if (stage != TWorkStage::Export) return;
    EXPECT_GE(done, lastDone);
    lastDone = done;
    ended = done == total;
  }, steps);
  EXPECT_TRUE(ended);

  std::string expected;
  for (int i = 0; i < n; ++i) {
    const bool hasBody = i % 5 != 0;
    expected += HeaderFromRow(viewer.LogViewData(i), hasBody);
    if (hasBody) expected += ExpectedMessageLines(tlvs[i]);
    expected += "\r\n";
  }
  EXPECT_TRUE(out.str() == expected);
  EXPECT_EQ(viewer.LastExport().bytes, expected.size());
}

}  // namespace
}  // namespace pkt
