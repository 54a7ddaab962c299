#pragma once
// Directory search by wildcard, as the log opening walks a folder: the
// pattern is a folder and a name mask ("/logs/NS1_*.pkt"); '*' matches any
// run of characters and '?' any one, letters compared without regard to case.
#include <dirent.h>

#include <string>
#include <string_view>

namespace pkt {

// What the search reports of one entry.
struct TFindData {
  std::string name;        // the entry's name inside the searched folder
  bool directory = false;  // the entry is a folder (a link to a folder counts as one)
};

// Whether name matches the mask ('*', '?', ASCII letters in either case).
bool MatchesWildcard(std::string_view name, std::string_view mask);

// Owns one directory search. close() ends it and may be called any number
// of times; destruction closes.
class TAutoFindHandle {
 public:
  TAutoFindHandle() = default;
  ~TAutoFindHandle() { close(); }
  TAutoFindHandle(const TAutoFindHandle&) = delete;
  TAutoFindHandle& operator=(const TAutoFindHandle&) = delete;

  // Starts a search with the pattern and reports its first match. False when
  // the folder cannot be read or nothing matches; the handle is then closed.
  bool First(const std::string& pattern, TFindData& data);
  // The next match; false at the end of the search.
  bool Next(TFindData& data);
  bool valid() const { return dir_ != nullptr; }
  void close() noexcept;

 private:
  DIR* dir_ = nullptr;
  std::string mask_;
};

// The folder part of a pattern (up to, not including, the last '/'; "." when there is none).
std::string PatternFolder(const std::string& pattern);

}  // namespace pkt
