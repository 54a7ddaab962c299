#include "platform/process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "platform/errors.h"

namespace pkt {

namespace {

std::string& ProgramDirectoryOverride() {
  static std::string path;
  return path;
}

std::string ExecutableDirectory() {
  std::string buf(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buf.size()) RaiseLastOSError();
  buf.resize(static_cast<std::size_t>(n));
  const std::size_t slash = buf.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return buf.substr(0, slash);
}

// Whether this user can create files in the folder: an unnamed file is made
// and dropped at once, so nothing shows in the folder; where the file system
// cannot make one, a named file is made and deleted. Permission bits alone
// would not do: the superuser passes them where the file system still refuses.
bool CanCreateFilesIn(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd >= 0) {
    ::close(fd);
    return true;
  }
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
  const std::string probe = folder + "/.pktview-probe-" + std::to_string(::getpid());
  fd = ::open(probe.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

// Makes the folder and its missing parents; the last step's failure is left
// for the first file created in it to report.
void MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    ::mkdir(part.c_str(), 0700);
    if (slash == std::string::npos) break;
  }
}

}  // namespace

std::string PerUserDirectory() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return std::string(data) + "/pktview";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/share/pktview";
  return std::string();
}

std::string ProgramDirectoryFor(const std::string& executableDir) {
  if (CanCreateFilesIn(executableDir)) return executableDir;
  std::string user = PerUserDirectory();
  if (user.empty()) return executableDir;
  while (user.size() > 1 && user.back() == '/') user.pop_back();
  MakeFolders(user);
  return user;
}

std::string ProgramDirectory() {
  const std::string& forced = ProgramDirectoryOverride();
  if (!forced.empty()) return forced;
  static const std::string chosen = ProgramDirectoryFor(ExecutableDirectory());
  return chosen;
}

void SetProgramDirectory(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  ProgramDirectoryOverride() = p;
}

std::string NewGuidText() {
  static thread_local std::random_device device;
  std::uint8_t b[16];
  for (int i = 0; i < 16; i += 4) {
    const std::uint32_t r = device();
    std::memcpy(b + i, &r, 4);
  }
  b[6] = static_cast<std::uint8_t>((b[6] & 0x0F) | 0x40);  // version 4
  b[8] = static_cast<std::uint8_t>((b[8] & 0x3F) | 0x80);  // RFC 4122 variant
  char text[40];
  std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[0], b[1],
                b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
  return text;
}

std::string SystemErrorMessage(int code) {
  char buf[256];
  // The GNU strerror_r returns the text, which may or may not be buf.
  return ::strerror_r(code, buf, sizeof buf);
}

std::optional<std::string> TunablesWithLargePages(const char* current) {
  constexpr std::string_view kName = "glibc.malloc.hugetlb";
  const std::string_view settings = current ? current : "";
  if (settings.find(kName) != std::string_view::npos) return std::nullopt;
  return std::string(settings) + (settings.empty() ? "" : ":") + std::string(kName) + "=1";
}

void RestartWithLargePages(char** argv) {
#if !defined(__SANITIZE_ADDRESS__)
  const char* preload = std::getenv("LD_PRELOAD");
  if (preload && std::strstr(preload, "vgpreload")) return;  // valgrind would lose the program
  const char* before = std::getenv("GLIBC_TUNABLES");
  const std::optional<std::string> tunables = TunablesWithLargePages(before);
  if (!tunables) return;
  const std::string saved = before ? before : "";
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return;
  self[n] = '\0';
  if (::setenv("GLIBC_TUNABLES", tunables->c_str(), 1) != 0) return;
  ::execv(self, argv);
  // Not started again: the program goes on as it is, with the settings it had.
  if (before) {
    ::setenv("GLIBC_TUNABLES", saved.c_str(), 1);
  } else {
    ::unsetenv("GLIBC_TUNABLES");
  }
#else
  (void)argv;
#endif
}

}  // namespace pkt
