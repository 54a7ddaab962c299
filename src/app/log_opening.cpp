#include "app/log_opening.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>

#include "app/unpack.h"
#include "platform/files.h"
#include "platform/find.h"
#include "platform/process.h"

namespace pkt {

namespace {

// The logs this copy of the program owns: the merged logs, each held open
// with a shared lock (on this platform an open file can be deleted, so the
// lock is what tells another copy's RemoveLeftoverFiles that the file is in
// use), and the logs read where they lie, each held open so that its path
// keeps naming the file opened, with its size at the opening.
class TemporaryLogClaims {
 public:
  void Add(const std::string& path, TAutoHandle file) {
    Prune();
    claims_.push_back({path, std::move(file), false, 0});
  }
  void AddInPlace(const std::string& path, TAutoHandle file, std::uint64_t bytes) {
    Prune();
    claims_.push_back({path, std::move(file), true, bytes});
  }
  void Release(const std::string& path) {
    std::erase_if(claims_, [&](const TClaim& c) { return c.path == path; });
  }
  bool Holds(const std::string& path) const { return Find(path) != nullptr; }
  bool InPlace(const std::string& path) const {
    const TClaim* c = Find(path);
    return c && c->inPlace;
  }
  std::uint64_t ByteLimit(const std::string& path) const {
    const TClaim* c = Find(path);
    return c && c->inPlace ? c->bytes : ~std::uint64_t{0};
  }
  // Claims on files that their viewers have deleted keep the deleted file's
  // space until closed: drop them.
  void Prune() {
    std::erase_if(claims_, [](const TClaim& c) {
      std::uint64_t size = 0;
      return !c.inPlace && !TryFileSize(c.path, size);
    });
  }

 private:
  struct TClaim {
    std::string path;
    TAutoHandle file;
    bool inPlace;
    std::uint64_t bytes;  // of a log read in place, at its opening
  };
  const TClaim* Find(const std::string& path) const {
    const auto it = std::find_if(claims_.begin(), claims_.end(), [&](const TClaim& c) { return c.path == path; });
    return it == claims_.end() ? nullptr : &*it;
  }
  std::vector<TClaim> claims_;
};

TemporaryLogClaims& Claims() {
  static TemporaryLogClaims claims;
  return claims;
}

// A source of the merged log and the entries of a zip that count as logs.
struct TSource {
  std::string path;
  std::string_view zipEntryMask;
};

// Bytes handed to the kernel's copy at a time: large enough for its speed,
// small enough for the progress to move.
constexpr std::size_t kKernelCopyBlock = 8u << 20;

// Appends one plain source file to the merged log. The kernel copies it
// without passing the bytes through the program; where it refuses (another
// file system, a file it cannot copy), the rest goes through the copy buffer,
// whose reads and writes raise the errors of the file calls.
void CopyInto(const TAutoHandle& target, const std::string& source, std::vector<std::uint8_t>& buffer,
              std::uint64_t& copied, std::uint64_t total, const TMergeProgress& progress) {
  TAutoHandle file = OpenFileForReading(source);
  std::size_t n = 0;
  while (TryCopyFileRange(file, target, kKernelCopyBlock, n) && n > 0) {
    copied += n;
    if (progress) progress(copied, total);
  }
  // Also after a copy that ended on 0: some files report no length to the
  // kernel's copy, and a read tells the true end.
  std::fill(buffer.begin(), buffer.end(), 0);
  for (;;) {
    n = ReadFile(file, buffer.data(), buffer.size());
    if (n == 0) break;
    WriteFile(target, buffer.data(), n);
    copied += n;
    if (progress) progress(copied, total);
  }
  file.close();
}

// Appends the logs a packed source unpacks to; the progress counts the packed bytes read.
void UnpackSourceInto(const TAutoHandle& target, const TSource& source, TPacking packing, std::uint64_t& copied,
                      std::uint64_t total, const TMergeProgress& progress) {
  const std::uint64_t base = copied;
  TUnpackProgress unpacked;
  if (progress)
    unpacked = [&](std::uint64_t consumed) {
      if (base + consumed <= copied) return;
      copied = base + consumed;
      progress(copied, total);
    };
  UnpackInto(target, source.path, packing, source.zipEntryMask, unpacked);
  // The reader may leave a tail of the file unread (a zip's directory): the source is done.
  std::uint64_t size = 0;
  if (progress && TryFileSize(source.path, size) && base + size > copied) {
    copied = base + size;
    progress(copied, total);
  }
}

std::string MergeSources(const std::vector<TSource>& sources, const TMergeProgress& progress) {
  const std::string path = NewTemporaryLogPath();
  TAutoHandle target = CreateFileForWriting(path);
  // Marked as in use from its creation on; a failed merge closes the target
  // and so leaves its partial file to the next start-up's clean-up.
  (void)TryLockShared(target);
  std::uint64_t total = 0;
  if (progress) {
    for (const TSource& source : sources) {
      std::uint64_t size = 0;
      if (TryFileSize(source.path, size)) total += size;
    }
  }
  std::vector<std::uint8_t> buffer(kMergeBufferSize);
  std::uint64_t copied = 0;
  const std::size_t count = sources.size();
  for (std::size_t i = 0; i < count; ++i) {
    const TPacking packing = PackingOfName(sources[i].path);
    if (packing == TPacking::Plain)
      CopyInto(target, sources[i].path, buffer, copied, total, progress);
    else
      UnpackSourceInto(target, sources[i], packing, copied, total, progress);
  }
  // The claim moves to a read-only handle, so that the merged file itself is
  // closed here, before any viewer opens it; a failure to close is a failed write.
  TAutoHandle claim = OpenFileForReading(path);
  (void)TryLockShared(claim);
  target.closeChecked();
  Claims().Add(path, std::move(claim));
  return path;
}

std::string UpperName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return name;
}

}  // namespace

std::string NewTemporaryLogPath() { return ProgramDirectory() + "/" + NewGuidText() + ".tmp"; }

const char* const kFolderLogMasks[6] = {"NS1_*.pkt",     "NS1_*.pkt.gz",  "NS1_*.pkt.xz",
                                         "NS1_*.pkt.zst", "NS1_*.pkt.bz2", "NS1_*.zip"};

std::optional<TLogFamily> LogFamilyOfName(const std::string& path) {
  const std::string name = UpperName(path);
  if (name.starts_with("NS")) return TLogFamily::Terminal;
  for (const char* prefix : {"H2H", "H2D", "H2A", "H2O"})
    if (name.starts_with(prefix)) return TLogFamily::H2H;
  return std::nullopt;
}

TLogFamily LogFamilyOfNames(const std::vector<std::string>& paths) {
  std::optional<TLogFamily> family;
  std::string first;
  for (const std::string& path : paths) {
    const std::optional<TLogFamily> own = LogFamilyOfName(path);
    if (!own)
      throw AppError("Не удаётся определить вид журнала по имени файла \"" + path +
                     "\": журналы называются NS*.pkt, H2H*.pkt, H2D*.pkt, H2A*.pkt или H2O*.pkt.");
    if (family && *own != *family)
      throw AppError("Журналы разных видов не открываются вместе: \"" + first + "\" и \"" + path + "\".");
    if (!family) {
      family = own;
      first = path;
    }
  }
  if (!family) throw AppError("Не выбран ни один файл журнала.");
  return *family;
}

std::string MergeLogFiles(const std::vector<std::string>& paths, const TMergeProgress& progress) {
  std::vector<TSource> sources;
  for (const std::string& path : paths) sources.push_back({path, "*.pkt"});
  return MergeSources(sources, progress);
}

std::string OpenLogFiles(const std::vector<std::string>& paths, const TMergeProgress& progress) {
  std::uint64_t named = 0;
  // Only a file with a size is looked at: a named pipe or a device (size 0)
  // is not even opened here. A file that cannot be opened goes to the merge,
  // which raises its error.
  if (paths.size() == 1 && PackingOfName(paths.front()) == TPacking::Plain && TryFileSize(paths.front(), named) &&
      named > 0) {
    TAutoHandle file = TryOpenFileForReading(paths.front());
    const std::uint64_t size = file.valid() && IsLocalRegularFile(file) ? FileSize(file) : 0;
    if (size > 0) {
      std::string path = DescriptorPath(file);
      Claims().AddInPlace(path, std::move(file), size);
      if (progress) progress(size, size);
      return path;
    }
  }
  return MergeLogFiles(paths, progress);
}

bool IsLogReadInPlace(const std::string& path) { return Claims().InPlace(path); }

std::uint64_t OpenedLogByteLimit(const std::string& path) { return Claims().ByteLimit(path); }

std::string MergeLogFolder(const std::string& folder, const TMergeProgress& progress) {
  // The entries are gathered first, in the search's order, so that the
  // progress can know the total; the copy is the same as copying during the search.
  std::vector<TSource> sources;
  {
    TAutoFindHandle search;
    TFindData data;
    auto isLog = [](const std::string& name) {
      return std::any_of(std::begin(kFolderLogMasks), std::end(kFolderLogMasks),
                         [&](const char* mask) { return MatchesWildcard(name, mask); });
    };
    for (bool found = search.First(folder + "/NS1_*", data); found; found = search.Next(data))
      if (!data.directory && isLog(data.name)) sources.push_back({folder + "/" + data.name, kFolderLogMasks[0]});
  }
  return MergeSources(sources, progress);
}

EmptyLogError::EmptyLogError(const std::string& systemMessage, const std::string& fileName)
    : Error(systemMessage + "\r\n" +
            (IsDirectory(fileName) ? "В папке \"" + fileName + "\" нет ни одной записи журналов NS1_*.pkt."
                                   : "В журнале \"" + fileName + "\" нет ни одной записи.")) {}

std::string OpeningCaptionAt(const std::string& path, const std::tm& localTime) {
  char time[128];
  const std::size_t n = std::strftime(time, sizeof time, "%X", &localTime);
  const std::size_t slash = path.rfind('/');
  return std::string(time, n) + " " + (slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
}

std::string OpeningCaption(const std::string& path) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return OpeningCaptionAt(path, local);
}

void RemoveLeftoverFiles() {
  Claims().Prune();
  const std::string folder = ProgramDirectory();
  TAutoFindHandle search;
  TFindData data;
  for (bool found = search.First(folder + "/*.tmp", data); found; found = search.Next(data)) {
    if (data.directory || data.name.starts_with('.')) continue;
    const std::string path = folder + "/" + data.name;
    if (Claims().Holds(path)) continue;
    // A file that another running copy holds is in use: leave it.
    TAutoHandle file = TryOpenFileForReading(path);
    if (file.valid() && !TryLockExclusive(file)) continue;
    (void)DeleteFile(path);
  }
  search.close();
}

void ReleaseTemporaryLog(const std::string& path) { Claims().Release(path); }

}  // namespace pkt
