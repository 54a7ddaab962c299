#include "platform/find.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace pkt {

namespace {
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool MatchesWildcard(std::string_view name, std::string_view mask) {
  // Greedy matching with one backtrack point: the last '*' seen.
  std::size_t n = 0, m = 0, starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || Lower(mask[m]) == Lower(name[n]))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

std::string PatternFolder(const std::string& pattern) {
  const std::size_t slash = pattern.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return pattern.substr(0, slash);
}

bool TAutoFindHandle::First(const std::string& pattern, TFindData& data) {
  close();
  const std::size_t slash = pattern.rfind('/');
  mask_ = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  dir_ = ::opendir(PatternFolder(pattern).c_str());
  if (!dir_) return false;
  if (Next(data)) return true;
  close();
  return false;
}

bool TAutoFindHandle::Next(TFindData& data) {
  if (!dir_) return false;
  while (const dirent* entry = ::readdir(dir_)) {
    if (!MatchesWildcard(entry->d_name, mask_)) continue;
    data.name = entry->d_name;
    if (entry->d_type == DT_DIR) {
      data.directory = true;
    } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      struct stat st;
      data.directory = ::fstatat(::dirfd(dir_), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    } else {
      data.directory = false;
    }
    return true;
  }
  return false;
}

void TAutoFindHandle::close() noexcept {
  if (dir_) ::closedir(dir_);
  dir_ = nullptr;
}

}  // namespace pkt
