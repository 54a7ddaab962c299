// Opening logs as they are kept: packed by the log rotation, named by their
// family, and merged through the kernel's copy where it can.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/log_opening.h"
#include "app/unpack.h"
#include "platform/errors.h"
#include "platform/process.h"
#include "support/archive_builder.h"
#include "support/record_builder.h"
#include "viewers/h2h_viewer.h"
#include "viewers/terminal_viewer.h"

namespace pkt {
namespace {

using test::Bytes;

class PackedLogsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetProgramDirectory(program.path()); }
  void TearDown() override { SetProgramDirectory(""); }

  // Only merged logs may appear beside the program: nothing unpacked to a file of its own.
  void ExpectOnlyMergedLogs() const {
    for (const auto& e : std::filesystem::recursive_directory_iterator(program.path()))
      EXPECT_TRUE(e.is_regular_file() && e.path().extension() == ".tmp") << e.path();
  }

  test::TempFolder program;
  test::TempFolder logs;
};

Bytes Log(int records, int terminal) {
  Bytes out;
  for (int i = 0; i < records; ++i)
    test::Append(out, test::TerminalRecord().Terminal(terminal).Body(Bytes(i * 5 + 1, 0x22)).Build());
  return out;
}

bool Holds(const Bytes& whole, const Bytes& part) {
  return std::search(whole.begin(), whole.end(), part.begin(), part.end()) != whole.end();
}

TEST_F(PackedLogsTest, EveryPackingUnpacksIntoTheMergedLogInListOrder) {
  const Bytes plain = Log(2, 1), gz = Log(3, 2), bz = Log(1, 3), xz = Log(4, 4), zst = Log(2, 5), z1 = Log(2, 6),
              z2 = Log(3, 7);
  const std::vector<std::string> paths = {
      logs.Write("NS1_a.pkt", plain),
      // Two gzip members one after the other, as appending to a packed log makes.
      logs.Write("NS1_b.pkt.GZ", test::Join({test::Compressed(Bytes(gz.begin(), gz.begin() + 100), ARCHIVE_FILTER_GZIP),
                                             test::Compressed(Bytes(gz.begin() + 100, gz.end()), ARCHIVE_FILTER_GZIP)})),
      logs.Write("NS1_c.pkt.bz2", test::Compressed(bz, ARCHIVE_FILTER_BZIP2)),
      logs.Write("NS1_d.pkt.xz", test::Compressed(xz, ARCHIVE_FILTER_XZ)),
      logs.Write("NS1_e.pkt.zst", test::Compressed(zst, ARCHIVE_FILTER_ZSTD)),
      // A zip gives its *.pkt entries in the archive's order; folders, other
      // files and names that climb out of the archive stay mere names.
      logs.Write("NS1_f.zip", test::Zip({{"readme.txt", Log(1, 9)},
                                         {"day1/NS1_x.PKT", z1},
                                         {"old.pkt/", {}},
                                         {"../../NS1_y.pkt", z2},
                                         {"NS1_z.pkt.bak", Log(1, 9)}})),
  };
  std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
  const std::string merged = MergeLogFiles(paths, [&](std::uint64_t done, std::uint64_t total) { calls.emplace_back(done, total); });
  EXPECT_EQ(test::ReadBytes(merged), test::Join({plain, gz, bz, xz, zst, z1, z2}));
  ExpectOnlyMergedLogs();
  EXPECT_FALSE(std::filesystem::exists(logs.File("day1")));

  // The progress counts the files' bytes as they lie on disk, packed ones included.
  std::uint64_t total = 0;
  for (const std::string& p : paths) total += std::filesystem::file_size(p);
  ASSERT_FALSE(calls.empty());
  for (std::size_t i = 1; i < calls.size(); ++i) EXPECT_GT(calls[i].first, calls[i - 1].first);
  EXPECT_EQ(calls.back(), std::make_pair(total, total));

  TTerminalFastLog index;
  index.Open(merged);
  EXPECT_EQ(index.GetCount(), 17u);
}

TEST_F(PackedLogsTest, DamagedArchivesRaiseAnErrorNamingTheFile) {
  const Bytes log = Log(40, 1);
  const Bytes gz = test::Compressed(log, ARCHIVE_FILTER_GZIP);
  Bytes flipped = gz;
  flipped[flipped.size() / 2] ^= 0x55;
  Bytes zip = test::Zip({{"NS1_a.pkt", log}});
  zip.resize(zip.size() / 2);  // cut inside the entry's data
  const std::vector<std::pair<std::string, Bytes>> damaged = {
      {"NS1_cut.pkt.gz", Bytes(gz.begin(), gz.begin() + static_cast<long>(gz.size() / 2))},
      {"NS1_flipped.pkt.gz", flipped},
      {"NS1_plain.pkt.xz", log},  // named packed, but not packed at all
      {"NS1_zstd.pkt.bz2", test::Compressed(log, ARCHIVE_FILTER_ZSTD)},
      {"NS1_empty.pkt.zst", {}},
      {"NS1_cut.zip", zip},
      {"NS1_noise.zip", Bytes(300, 0x50)},
      {"NS1_tail.pkt.gz", test::Join({gz, Bytes(16, 0x41)})},  // something after the last member
  };
  for (const auto& [name, bytes] : damaged) {
    const std::string path = logs.Write(name, bytes);
    try {
      MergeLogFiles({logs.Write("NS1_good.pkt", Log(1, 1)), path});
      ADD_FAILURE() << name << ": no error";
    } catch (const UnpackError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Не удаётся распаковать файл \"" + path + "\": ", 0), 0u) << e.what();
    }
  }
  ExpectOnlyMergedLogs();
  // A packed file that cannot be opened fails as a plain one does.
  try {
    MergeLogFiles({logs.File("NS1_missing.pkt.gz")});
    ADD_FAILURE() << "no error";
  } catch (const SystemError& e) {
    EXPECT_EQ(e.code(), ENOENT);
  }
}

TEST_F(PackedLogsTest, FolderTakesPackedTerminalLogsAndTheNs1EntriesOfItsZips) {
  const Bytes a = Log(2, 1), b = Log(3, 2), c = Log(1, 3), d = Log(2, 4);
  logs.Write("NS1_a.pkt", a);
  logs.Write("ns1_b.pkt.gz", test::Compressed(b, ARCHIVE_FILTER_GZIP));
  logs.Write("NS1_c.pkt.XZ", test::Compressed(c, ARCHIVE_FILTER_XZ));
  logs.Write("NS1_d.zip", test::Zip({{"NS1_d.pkt", d}, {"H2H_d.pkt", Log(5, 9)}, {"notes.pkt", Log(5, 9)}}));
  logs.Write("NS2_x.pkt.gz", test::Compressed(Log(5, 9), ARCHIVE_FILTER_GZIP));
  logs.Write("NS1_y.gz", test::Compressed(Log(5, 9), ARCHIVE_FILTER_GZIP));
  logs.Write("NS1_z.pkt.gz.part", Log(5, 9));
  std::filesystem::create_directory(logs.File("NS1_w.pkt.gz"));
  const Bytes merged = test::ReadBytes(MergeLogFolder(logs.path()));
  // The search's order is the file system's.
  EXPECT_EQ(merged.size(), a.size() + b.size() + c.size() + d.size());
  for (const Bytes* part : {&a, &b, &c, &d}) EXPECT_TRUE(Holds(merged, *part));
}

TEST_F(PackedLogsTest, SpecialFilesThatTheKernelWillNotCopyAreReadThrough) {
  // The kernel's copy gives nothing for files of the process file system; the read gives their bytes.
  const std::string merged = MergeLogFiles({"/proc/self/cmdline"});
  EXPECT_FALSE(test::ReadBytes(merged).empty());
}

TEST(LogFamily, NamesDecideTheFamilyAndMixedOrUnknownNamesAreRefused) {
  EXPECT_EQ(LogFamilyOfName("/logs/ns1_a.pkt.gz"), TLogFamily::Terminal);
  EXPECT_EQ(LogFamilyOfName("NS_2026.zip"), TLogFamily::Terminal);
  for (const char* name : {"/x/H2H_1.pkt", "h2d.pkt.xz", "/a/H2A", "H2o_z.zip"}) EXPECT_EQ(LogFamilyOfName(name), TLogFamily::H2H) << name;
  for (const char* name : {"/NS/log.pkt", "H2X.pkt", "logs.zip", ""}) EXPECT_EQ(LogFamilyOfName(name), std::nullopt) << name;

  EXPECT_EQ(LogFamilyOfNames({"/a/H2D_1.pkt", "/b/h2o_2.pkt.gz"}), TLogFamily::H2H);
  try {
    LogFamilyOfNames({"/a/NS1_1.pkt", "/a/NS1_2.pkt", "/a/H2H_1.pkt"});
    ADD_FAILURE() << "no error";
  } catch (const AppError& e) {
    EXPECT_STREQ(e.what(), "Журналы разных видов не открываются вместе: \"/a/NS1_1.pkt\" и \"/a/H2H_1.pkt\".");
  }
  try {
    LogFamilyOfNames({"/a/NS1_1.pkt", "/a/readme.txt"});
    ADD_FAILURE() << "no error";
  } catch (const AppError& e) {
    EXPECT_STREQ(e.what(),
                 "Не удаётся определить вид журнала по имени файла \"/a/readme.txt\": журналы называются NS*.pkt, "
                 "H2H*.pkt, H2D*.pkt, H2A*.pkt или H2O*.pkt.");
  }
  EXPECT_THROW(LogFamilyOfNames({}), AppError);
}

TEST_F(PackedLogsTest, AnEmptyMergedLogNamesTheLogOrFolderBelowTheSystemsText) {
  const std::string folder = logs.path();
  TTerminalViewer fromFolder("", folder, MergeLogFolder(folder));
  try {
    fromFolder.Reload({}, {}, {});
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "System Error.  Code: 22.\r\nInvalid argument\r\nВ папке \"" + folder +
                                         "\" нет ни одной записи журналов NS1_*.pkt.");
  }
  const std::string empty = logs.Write("H2H_empty.pkt.gz", test::Compressed({}, ARCHIVE_FILTER_GZIP));
  TH2HViewer fromFile("", empty, MergeLogFiles({empty}));
  try {
    fromFile.Reload({}, {}, {});
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "System Error.  Code: 22.\r\nInvalid argument\r\nВ журнале \"" + empty + "\" нет ни одной записи.");
  }
}

}  // namespace
}  // namespace pkt
