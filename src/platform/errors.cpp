#include "platform/errors.h"

#include "platform/process.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include <cstdio>

namespace pkt {

namespace {
std::string Printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* fmt, ...) {
  char buf[512];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, args);
  va_end(args);
  return buf;
}

std::string SystemErrorText(int code) {
  return Printf("System Error.  Code: %d.\r\n%s", code, SystemErrorMessage(code).c_str());
}
}  // namespace

SystemError::SystemError(int code) : Error(SystemErrorText(code)), code_(code) {}

void RaiseLastOSError() { throw SystemError(errno); }

TruncatedLogError::TruncatedLogError(std::uint64_t offset, std::uint64_t size)
    : Error(Printf("Журнал обрывается внутри записи: по смещению %llu осталось %llu байт из 53, "
                   "записи до этого места прочитаны.",
                   static_cast<unsigned long long>(offset),
                   static_cast<unsigned long long>(size - offset))),
      offset_(offset) {}

}  // namespace pkt
