// Arbitrary bytes through the merge that unpacks packed logs. The first input
// byte chooses how the file is named (plain, .gz, .bz2, .xz, .zst, .zip); the
// rest is the file. The merge either succeeds or raises the program's own
// error, never anything else, and writes nothing but its merged log.
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "app/log_opening.h"
#include "app/unpack.h"
#include "fuzz/fuzz_support.h"
#include "platform/errors.h"
#include "platform/process.h"

using namespace pkt;

namespace {

const char* const kSuffixes[] = {".pkt", ".pkt.gz", ".pkt.bz2", ".pkt.xz", ".pkt.zst", ".zip"};
constexpr std::size_t kKinds = sizeof kSuffixes / sizeof kSuffixes[0];

// The program directory of this process: only merged logs may ever appear in it.
class ProgramFolder {
 public:
  ProgramFolder() {
    fuzz::ScratchLog name("fuzz-unpack-program", "");
    path_ = name.path();
    ::mkdir(path_.c_str(), 0700);
    SetProgramDirectory(path_);
  }
  ~ProgramFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  // Removes what the merge left; aborts on anything that is not a merged log.
  void Empty() const {
    for (const auto& e : std::filesystem::directory_iterator(path_)) {
      if (!e.is_regular_file() || e.path().extension() != ".tmp") fuzz::Fail("the merge wrote beside its merged log", e.path().string());
      std::filesystem::remove(e.path());
    }
  }

 private:
  std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A packed file of a few kilobytes can unpack to gigabytes: writes beyond
  // this size fail with the system's error instead of filling the scratch space.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{64u << 20, 64u << 20};
  setrlimit(RLIMIT_FSIZE, &limit);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ProgramFolder program;
  static fuzz::ScratchLog files[kKinds] = {
      fuzz::ScratchLog("fuzz-unpack", kSuffixes[0]), fuzz::ScratchLog("fuzz-unpack", kSuffixes[1]),
      fuzz::ScratchLog("fuzz-unpack", kSuffixes[2]), fuzz::ScratchLog("fuzz-unpack", kSuffixes[3]),
      fuzz::ScratchLog("fuzz-unpack", kSuffixes[4]), fuzz::ScratchLog("fuzz-unpack", kSuffixes[5])};
  if (size == 0) return 0;
  const std::size_t kind = data[0] % kKinds;
  const std::string& path = files[kind].Write(data + 1, size - 1);
  try {
    const std::string merged = MergeLogFiles({path});
    if (kind == 0 && std::filesystem::file_size(merged) != size - 1) fuzz::Fail("a plain log was not copied whole");
    ReleaseTemporaryLog(merged);
  } catch (const UnpackError&) {
  } catch (const SystemError&) {
  }
  program.Empty();
  return 0;
}
