#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/find.h"
#include "platform/process.h"
#include "support/record_builder.h"

namespace pkt {
namespace {

using test::Bytes;

bool FdIsOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

TEST(AutoHandle, CloseIsRepeatableAndDestructionCloses) {
  test::TempFolder dir;
  const std::string path = dir.Write("f", {1, 2, 3});
  int fd = -1;
  {
    TAutoHandle h = OpenFileForReading(path);
    fd = h.get();
    ASSERT_TRUE(FdIsOpen(fd));
    TAutoHandle moved(std::move(h));
    EXPECT_FALSE(h.valid());
    EXPECT_EQ(moved.get(), fd);
  }
  EXPECT_FALSE(FdIsOpen(fd));

  TAutoHandle h = OpenFileForReading(path);
  fd = h.get();
  h.close();
  EXPECT_FALSE(h.valid());
  h.close();
  h.closeChecked();
  EXPECT_FALSE(FdIsOpen(fd));
}

TEST(SystemErrors, CarryTheCodeAndTheSystemsText) {
  test::TempFolder dir;
  try {
    OpenFileForReading(dir.File("missing"));
    FAIL();
  } catch (const SystemError& e) {
    EXPECT_EQ(e.code(), ENOENT);
    EXPECT_STREQ(e.what(), "System Error.  Code: 2.\r\nNo such file or directory");
  }
  EXPECT_EQ(SystemErrorMessage(EACCES), "Permission denied");
  EXPECT_STREQ(SystemError(13).what(), "System Error.  Code: 13.\r\nPermission denied");
}

TEST(Files, CreateReplacesWritesWholeBuffersAndReadsToTheEnd) {
  test::TempFolder dir;
  const std::string path = dir.Write("f", Bytes(100, 7));
  TAutoHandle out = CreateFileForWriting(path);
  const Bytes data{1, 2, 3, 4, 5};
  WriteFile(out, data.data(), data.size());
  out.closeChecked();
  EXPECT_EQ(test::ReadBytes(path), data);

  TAutoHandle in = OpenFileForReading(path);
  EXPECT_EQ(FileSize(in), 5u);
  std::uint8_t buf[8];
  EXPECT_EQ(ReadFile(in, buf, 3), 3u);
  EXPECT_EQ(ReadFile(in, buf, 8), 2u);
  EXPECT_EQ(ReadFile(in, buf, 8), 0u);
  EXPECT_THROW(WriteFile(in, data.data(), 1), SystemError);  // opened for reading only
  EXPECT_THROW(CreateFileForWriting(dir.File("no/such/folder")), SystemError);
}

TEST(MappedFile, MapsTheWholeFileReadOnlyAndRefusesEmptyOnes) {
  test::TempFolder dir;
  TMappedFile map;
  map.Open(dir.Write("f", {10, 20, 30}));
  ASSERT_TRUE(map.isOpen());
  EXPECT_EQ(map.size(), 3u);
  EXPECT_EQ(map.data()[2], 30);
  map.Close();
  map.Close();
  EXPECT_EQ(map.data(), nullptr);
  EXPECT_FALSE(map.isOpen());

  try {
    map.Open(dir.Write("empty", {}));
    FAIL();
  } catch (const SystemError& e) {
    EXPECT_EQ(e.code(), EINVAL);
  }
  EXPECT_TRUE(map.isOpen()) << "the file stays open for Close";
  map.Close();
  EXPECT_THROW(map.Open(dir.File("missing")), SystemError);
}

TEST(MappedFile, MapsUpToItsLimitAndReadsZerosWhereTheFileWasCutShortUnderIt) {
  test::TempFolder dir;
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::string path = dir.Write("f", test::Bytes(3 * page, 0x5A));
  TMappedFile map;
  map.Open(path, 10);
  EXPECT_EQ(map.size(), 10u);
  map.Open(path, 10 * page);
  ASSERT_EQ(map.size(), 3 * page);

  // Reading past the view gives the view's bytes.
  test::Bytes read(page + 2, 0);
  map.ReadAt(page - 1, read.data(), read.size());
  EXPECT_EQ(read, test::Bytes(map.data() + page - 1, map.data() + 2 * page + 1));

  // Another program cuts the file short: the pages past its new end would
  // end the process with SIGBUS at the first read.
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(page / 2)), 0);
  EXPECT_EQ(map.data()[0], 0x5A);
  EXPECT_EQ(map.data()[2 * page + 7], 0);
  EXPECT_EQ(map.data()[page], 0);
  EXPECT_EQ(map.data()[3 * page - 1], 0);
  // Read past the view, the bytes the file no longer holds are zeros too.
  map.ReadAt(page / 2 - 2, read.data(), 4);
  EXPECT_EQ(read[0], 0x5A);
  EXPECT_EQ(read[1], 0x5A);
  EXPECT_EQ(read[2], 0);
  EXPECT_EQ(read[3], 0);
  map.Close();

  // Unmapped, the range is no longer guarded: a SIGBUS elsewhere still ends the process.
  EXPECT_EXIT(
      {
        map.Open(dir.Write("g", test::Bytes(2 * page, 1)));
        const std::uint8_t* raw = static_cast<const std::uint8_t*>(
            ::mmap(nullptr, 2 * page, PROT_READ, MAP_SHARED, ::open(path.c_str(), O_RDONLY), 0));
        (void)!::truncate(path.c_str(), 0);
        std::exit(raw[page] + 100);
      },
      // SIGBUS itself, or the sanitizer's report ending in its abort or exit code; never a value read.
      [](int status) {
        return WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0 && WEXITSTATUS(status) < 100);
      },
      "");
}

TEST(ReservedMemory, ZeroedWritableAndTrimmable) {
  TReservedMemory mem;
  mem.Reserve(1 << 20);
  ASSERT_NE(mem.data(), nullptr);
  auto* p = static_cast<std::uint8_t*>(mem.data());
  EXPECT_EQ(p[12345], 0);
  p[0] = 1;
  mem.Trim(10);
  EXPECT_EQ(mem.capacity(), static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)));
  EXPECT_EQ(p[0], 1);
  mem.Trim(0);
  EXPECT_EQ(mem.data(), nullptr);
  mem.Reserve(0);
  EXPECT_EQ(mem.data(), nullptr);
}

// A vector grown from heap blocks into blocks mapped on their own and back
// keeps its elements, and a freed mapped block leaves nothing mapped, also
// for a size that is not a whole number of pages.
TEST(BlockAllocator, VectorsGrowThroughHeapAndMappedBlocks) {
  TLargeVector<std::uint32_t> v;
  for (std::uint32_t i = 0; i < 3'000'000; ++i) v.push_back(i * 7u);  // 12 MB, well past kLargeBlock
  for (std::uint32_t i = 0; i < v.size(); i += 4099) ASSERT_EQ(v[i], i * 7u);
  v.resize(1000);
  v.shrink_to_fit();
  EXPECT_EQ(v[999], 999u * 7u);

  const std::size_t odd = kLargeBlock + 12345;
  void* p = AllocateBlock(odd);
  std::memset(p, 0xAB, odd);
  EXPECT_EQ(static_cast<std::uint8_t*>(p)[odd - 1], 0xAB);
  FreeBlock(p, odd);
#if !defined(__SANITIZE_ADDRESS__)
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  EXPECT_NE(::msync(p, (odd + page - 1) / page * page, MS_ASYNC), 0);
#endif
}

TEST(Wildcard, MatchesStarsAndQuestionMarksWithoutRegardToCase) {
  EXPECT_TRUE(MatchesWildcard("NS1_0001.pkt", "NS1_*.pkt"));
  EXPECT_TRUE(MatchesWildcard("ns1_x.PKT", "NS1_*.pkt"));
  EXPECT_TRUE(MatchesWildcard("NS1_.pkt", "NS1_*.pkt"));
  EXPECT_TRUE(MatchesWildcard("NS1_a.pkt.pkt", "NS1_*.pkt"));
  EXPECT_FALSE(MatchesWildcard("NS2_x.pkt", "NS1_*.pkt"));
  EXPECT_FALSE(MatchesWildcard("ns1.pkt", "NS1_*.pkt"));
  EXPECT_FALSE(MatchesWildcard("NS1_x.pkt1", "NS1_*.pkt"));
  EXPECT_TRUE(MatchesWildcard(".hidden.tmp", "*.tmp"));
  EXPECT_TRUE(MatchesWildcard("a.TMP", "*.tmp"));
  EXPECT_FALSE(MatchesWildcard("a.tmpx", "*.tmp"));
  EXPECT_TRUE(MatchesWildcard("abc", "a?c"));
  EXPECT_FALSE(MatchesWildcard("ac", "a?c"));
  EXPECT_TRUE(MatchesWildcard("anything", "*"));
  EXPECT_TRUE(MatchesWildcard("", "*"));
  // Letters beyond ASCII are compared as bytes.
  EXPECT_FALSE(MatchesWildcard("\xD0\x90.tmp", "\xD0\xB0.tmp"));
}

TEST(DirectorySearch, ReportsMatchesWithTheirDirectoryAttribute) {
  test::TempFolder dir;
  dir.Write("NS1_a.pkt", {1});
  dir.Write("ns1_B.PKT", {1});
  dir.Write("NS2_c.pkt", {1});
  std::filesystem::create_directory(dir.File("NS1_dir.pkt"));
  std::filesystem::create_directory_symlink(dir.File("NS1_dir.pkt"), dir.File("NS1_link.pkt"));

  std::set<std::string> files, folders;
  TAutoFindHandle search;
  TFindData data;
  for (bool found = search.First(dir.path() + "/NS1_*.pkt", data); found; found = search.Next(data))
    (data.directory ? folders : files).insert(data.name);
  EXPECT_EQ(files, (std::set<std::string>{"NS1_a.pkt", "ns1_B.PKT"}));
  EXPECT_EQ(folders, (std::set<std::string>{"NS1_dir.pkt", "NS1_link.pkt"}));
  search.close();
  search.close();
  EXPECT_FALSE(search.valid());

  EXPECT_FALSE(search.First(dir.path() + "/*.none", data));
  EXPECT_FALSE(search.valid());
  EXPECT_FALSE(search.First(dir.File("missing") + "/*", data));
  EXPECT_TRUE(IsDirectory(dir.path()));
  EXPECT_FALSE(IsDirectory(dir.File("NS1_a.pkt")));
}

TEST(Guid, BracedUpperCaseVersion4AndFreshEachTime) {
  const std::regex form("\\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\\}");
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    const std::string g = NewGuidText();
    ASSERT_TRUE(std::regex_match(g, form)) << g;
    seen.insert(g);
  }
  EXPECT_EQ(seen.size(), 200u);
}

// Large pages join the settings the program was started with; a setting of
// the operator's own for them is kept, and the program is not started again.
TEST(LargePages, JoinTheSettingsUnlessTheyAreSetAlready) {
  EXPECT_EQ(TunablesWithLargePages(nullptr), "glibc.malloc.hugetlb=1");
  EXPECT_EQ(TunablesWithLargePages(""), "glibc.malloc.hugetlb=1");
  EXPECT_EQ(TunablesWithLargePages("glibc.malloc.arena_max=2"), "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1");
  EXPECT_EQ(TunablesWithLargePages("glibc.malloc.hugetlb=0"), std::nullopt);
  EXPECT_EQ(TunablesWithLargePages("glibc.malloc.arena_max=2:glibc.malloc.hugetlb=2"), std::nullopt);
}

TEST(ProgramDirectory, IsTheExecutablesFolderUnlessPointedElsewhere) {
  const std::string exe = std::filesystem::canonical("/proc/self/exe").parent_path().string();
  EXPECT_EQ(ProgramDirectory(), exe);
  SetProgramDirectory("/tmp/somewhere/");
  EXPECT_EQ(ProgramDirectory(), "/tmp/somewhere");
  SetProgramDirectory("");
  EXPECT_EQ(ProgramDirectory(), exe);
}

}  // namespace
}  // namespace pkt
