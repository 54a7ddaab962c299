#include "platform/process.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>

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

}  // namespace

std::string ProgramDirectory() {
  const std::string& forced = ProgramDirectoryOverride();
  if (!forced.empty()) return forced;
  static const std::string executable = ExecutableDirectory();
  return executable;
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

}  // namespace pkt
