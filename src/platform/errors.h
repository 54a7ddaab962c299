#pragma once
// The errors that opening, indexing and the viewer steps raise. Every one of
// them reaches the operator as its message text: the desktop app shows it in a
// message box, pktdump prints it on standard error.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace pkt {

// Base of every error that the program raises on purpose.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A failed operating-system call: "System Error.  Code: %d.\r\n%s" with the
// error number and the system's text for it.
class SystemError : public Error {
 public:
  explicit SystemError(int code);
  int code() const { return code_; }

 private:
  int code_;
};

// Raises the SystemError of the current errno.
[[noreturn]] void RaiseLastOSError();

// A text that is not a number, or a time stamp that is not a date and time:
// "'%s' is not a valid integer value", "'%s' is not a valid date and time".
class ConvertError : public Error {
 public:
  using Error::Error;
};

// The application's own error, for example "Неверный индекс пакета!".
class AppError : public Error {
 public:
  using Error::Error;
};

// A terminal log that ends inside a record header: the records before it are
// indexed, the rest of the file cannot be read.
class TruncatedLogError : public Error {
 public:
  TruncatedLogError(std::uint64_t offset, std::uint64_t size);
  std::uint64_t offset() const { return offset_; }

 private:
  std::uint64_t offset_;
};

}  // namespace pkt
