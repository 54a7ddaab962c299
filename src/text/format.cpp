#include "text/format.h"

#include <cstdio>

namespace pkt {

void vappendf(std::string& out, const char* fmt, std::va_list args) {
  char small[256];
  std::va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n <= 0) return;
  if (static_cast<size_t>(n) < sizeof small) {
    out.append(small, static_cast<size_t>(n));
    return;
  }
  size_t old = out.size();
  out.resize(old + static_cast<size_t>(n) + 1);
  std::vsnprintf(out.data() + old, static_cast<size_t>(n) + 1, fmt, args);
  out.resize(old + static_cast<size_t>(n));
}

void appendf(std::string& out, const char* fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  vappendf(out, fmt, args);
  va_end(args);
}

std::string vformat(const char* fmt, std::va_list args) {
  std::string out;
  vappendf(out, fmt, args);
  return out;
}

std::string format(const char* fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  std::string out = vformat(fmt, args);
  va_end(args);
  return out;
}

}  // namespace pkt
