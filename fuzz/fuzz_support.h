#pragma once
// What the fuzz targets share: the checks that every text the decoders make
// is well-formed UTF-8, a scratch log file per process for the targets that go
// through the mapped index, and the records those targets wrap a body in.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "text/tree.h"

namespace pkt::fuzz {

// Stops the run with a message when an invariant of the decoders does not hold
// (libFuzzer then keeps the input as a crash).
[[noreturn]] inline void Fail(const char* what, std::string_view detail = {}) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  if (!detail.empty()) {
    std::fprintf(stderr, "text (%zu bytes):", detail.size());
    for (std::size_t i = 0; i < detail.size() && i < 256; ++i) std::fprintf(stderr, " %02X", static_cast<unsigned char>(detail[i]));
    std::fprintf(stderr, "\n");
  }
  std::abort();
}

// Whether text is well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF). Every text inside the program is UTF-8: log bytes must have
// been converted from their code page before they reach a node or a line.
inline bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t extra;
    std::uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (n - i <= extra) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const unsigned char d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += extra + 1;
  }
  return true;
}

inline void CheckUtf8(std::string_view text, const char* where) {
  if (!IsUtf8(text)) Fail(where, text);
}

// Every node of a tree, depth first.
inline void CheckTreeUtf8(const TreeNode& node, const char* where) {
  CheckUtf8(node.text, where);
  for (const auto& child : node.children) CheckTreeUtf8(*child, where);
}

inline void CheckForestUtf8(const std::vector<std::unique_ptr<TreeNode>>& forest, const char* where) {
  for (const auto& node : forest) CheckTreeUtf8(*node, where);
}

// One scratch file per process, rewritten for every input: the index maps a
// file, so the targets that go through it hand it one. It lives in the folder
// PKTVIEW_FUZZ_SCRATCH names (scripts/fuzz.sh sets one and removes it, so that
// the files of runs that crashed go too), else in /dev/shm when there is one
// (no disk traffic), else in the temporary folder; it is removed when the
// process ends normally.
class ScratchLog {
 public:
  explicit ScratchLog(const char* stem, const char* suffix = ".pkt") {
    const char* dir = std::getenv("PKTVIEW_FUZZ_SCRATCH");
    if (!dir || !*dir) dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : nullptr;
    if (!dir) dir = std::getenv("TMPDIR");
    if (!dir || !*dir) dir = "/tmp";
    path_ = std::string(dir) + "/" + stem + "-" + std::to_string(getpid()) + suffix;
  }
  ~ScratchLog() { unlink(path_.c_str()); }
  ScratchLog(const ScratchLog&) = delete;
  ScratchLog& operator=(const ScratchLog&) = delete;

  // Replaces the file's contents by the bytes; aborts when the file cannot be
  // written (the run would test nothing).
  const std::string& Write(const std::uint8_t* data, std::size_t size) {
    const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) Fail("scratch log cannot be created", path_);
    std::size_t done = 0;
    while (done < size) {
      const ssize_t w = write(fd, data + done, size - done);
      if (w <= 0) Fail("scratch log cannot be written", path_);
      done += static_cast<std::size_t>(w);
    }
    close(fd);
    return path_;
  }
  const std::string& Write(const std::vector<std::uint8_t>& bytes) { return Write(bytes.data(), bytes.size()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline void PutLE16(std::vector<std::uint8_t>& to, std::uint32_t v) {
  to.push_back(v & 0xFF);
  to.push_back((v >> 8) & 0xFF);
}
inline void PutLE32(std::vector<std::uint8_t>& to, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) to.push_back((v >> (8 * i)) & 0xFF);
}

// A record header of either family around a body that the target supplies.
// The time stamp is a valid one (2016-04-06 13:29:48.005 plus ms), so that the
// sort has nothing to reject.
inline void AppendStamp(std::vector<std::uint8_t>& to, unsigned ms) {
  for (unsigned v : {2016u, 4u, 3u, 6u, 13u, 29u, 48u, ms % 1000u}) PutLE16(to, v);
}

inline void AppendTerminalHeader(std::vector<std::uint8_t>& to, std::uint8_t kind, unsigned ms, std::uint32_t dataLength) {
  PutLE16(to, 0x7154);
  to.push_back(kind);
  AppendStamp(to, ms);
  static const char address[24] = "10.0.0.1:5000";
  to.insert(to.end(), address, address + 24);
  PutLE16(to, 1101);
  PutLE16(to, 2914);
  PutLE32(to, dataLength);
  PutLE16(to, 0x3236);
}

inline void AppendHostHeader(std::vector<std::uint8_t>& to, std::uint8_t kind, unsigned ms, std::uint32_t dataLength) {
  PutLE16(to, 0x5264);
  to.push_back(kind);
  AppendStamp(to, ms);
  static const char address[24] = "192.168.1.10:7000";
  to.insert(to.end(), address, address + 24);
  for (int i = 0; i < 16; ++i) to.push_back(static_cast<std::uint8_t>(0xA0 + i));
  PutLE32(to, dataLength);
  PutLE16(to, 0xB2FD);
}

// A log of two records whose second record holds body: a connect record whose
// body only pads the file, so that the file, and with it the mapped view, ends
// exactly at a page boundary behind the second record. A read past the end of
// that record's body then leaves the mapping and faults, which a sanitizer
// cannot see inside a mapped view otherwise. dataLength may announce more
// bytes than the body has (a record cut by the end of the file). The second
// record starts at the returned offset.
inline std::uint64_t PageEndedLog(std::vector<std::uint8_t>& log, bool host, std::uint8_t kind, const std::uint8_t* body,
                                  std::size_t bodySize, std::uint32_t dataLength) {
  const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t header = host ? 65 : 53;
  const std::size_t used = 2 * header + bodySize;
  const std::size_t pad = (page - used % page) % page;
  log.clear();
  log.reserve(used + pad);
  // The padding record comes later in time, so the record under test is row 0.
  if (host)
    AppendHostHeader(log, 6, 900, static_cast<std::uint32_t>(pad));
  else
    AppendTerminalHeader(log, 6, 900, static_cast<std::uint32_t>(pad));
  log.resize(log.size() + pad, 0);
  const std::uint64_t offset = log.size();
  if (host)
    AppendHostHeader(log, kind, 5, dataLength);
  else
    AppendTerminalHeader(log, kind, 5, dataLength);
  log.insert(log.end(), body, body + bodySize);
  return offset;
}

}  // namespace pkt::fuzz
