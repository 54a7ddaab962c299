#include "app/log_opening.h"

#include <algorithm>
#include <utility>

#include "platform/files.h"
#include "platform/find.h"
#include "platform/process.h"

namespace pkt {

namespace {

// The merged logs this copy of the program owns, each held open with a shared
// lock: on this platform an open file can be deleted, so the lock is what
// tells another copy's RemoveLeftoverFiles that the file is in use.
class TemporaryLogClaims {
 public:
  void Add(const std::string& path, TAutoHandle file) {
    Prune();
    claims_.emplace_back(path, std::move(file));
  }
  void Release(const std::string& path) {
    std::erase_if(claims_, [&](const auto& c) { return c.first == path; });
  }
  bool Holds(const std::string& path) const {
    return std::any_of(claims_.begin(), claims_.end(), [&](const auto& c) { return c.first == path; });
  }
  // Claims on files that their viewers have deleted keep the deleted file's
  // space until closed: drop them.
  void Prune() {
    std::erase_if(claims_, [](const auto& c) {
      std::uint64_t size = 0;
      return !TryFileSize(c.first, size);
    });
  }

 private:
  std::vector<std::pair<std::string, TAutoHandle>> claims_;
};

TemporaryLogClaims& Claims() {
  static TemporaryLogClaims claims;
  return claims;
}

// Appends one source file to the merged log through the copy buffer.
void CopyInto(const TAutoHandle& target, const std::string& source, std::vector<std::uint8_t>& buffer,
              std::uint64_t& copied, std::uint64_t total, const TMergeProgress& progress) {
  TAutoHandle file = OpenFileForReading(source);
  std::fill(buffer.begin(), buffer.end(), 0);
  for (;;) {
    const std::size_t n = ReadFile(file, buffer.data(), buffer.size());
    if (n == 0) break;
    WriteFile(target, buffer.data(), n);
    copied += n;
    if (progress) progress(copied, total);
  }
  file.close();
}

std::string MergeSources(const std::vector<std::string>& sources, const TMergeProgress& progress) {
  const std::string path = NewTemporaryLogPath();
  TAutoHandle target = CreateFileForWriting(path);
  // Marked as in use from its creation on; a failed merge closes the target
  // and so leaves its partial file to the next start-up's clean-up.
  (void)TryLockShared(target);
  std::uint64_t total = 0;
  if (progress) {
    for (const std::string& source : sources) {
      std::uint64_t size = 0;
      if (TryFileSize(source, size)) total += size;
    }
  }
  std::vector<std::uint8_t> buffer(kMergeBufferSize);
  std::uint64_t copied = 0;
  const std::size_t count = sources.size();
  for (std::size_t i = 0; i < count; ++i) CopyInto(target, sources[i], buffer, copied, total, progress);
  // The claim moves to a read-only handle, so that the merged file itself is
  // closed here, before any viewer opens it; a failure to close is a failed write.
  TAutoHandle claim = OpenFileForReading(path);
  (void)TryLockShared(claim);
  target.closeChecked();
  Claims().Add(path, std::move(claim));
  return path;
}

}  // namespace

std::string NewTemporaryLogPath() { return ProgramDirectory() + "/" + NewGuidText() + ".tmp"; }

std::string MergeLogFiles(const std::vector<std::string>& paths, const TMergeProgress& progress) {
  return MergeSources(paths, progress);
}

std::string MergeLogFolder(const std::string& folder, const TMergeProgress& progress) {
  // The entries are gathered first, in the search's order, so that the
  // progress can know the total; the copy is the same as copying during the search.
  std::vector<std::string> sources;
  {
    TAutoFindHandle search;
    TFindData data;
    for (bool found = search.First(folder + "/NS1_*.pkt", data); found; found = search.Next(data))
      if (!data.directory) sources.push_back(folder + "/" + data.name);
  }
  return MergeSources(sources, progress);
}

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
