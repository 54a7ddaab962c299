#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/errors.h"

namespace pkt {

TAutoHandle& TAutoHandle::operator=(TAutoHandle&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.release();
  }
  return *this;
}

int TAutoHandle::release() { return std::exchange(fd_, kInvalid); }

void TAutoHandle::close() noexcept {
  if (fd_ != kInvalid) ::close(fd_);
  fd_ = kInvalid;
}

void TAutoHandle::closeChecked() {
  if (fd_ == kInvalid) return;
  const int fd = std::exchange(fd_, kInvalid);
  // Linux releases the descriptor even when close reports an error; never retry.
  if (::close(fd) != 0 && errno != EINTR) RaiseLastOSError();
}

namespace {

TAutoHandle OpenOrRaise(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) RaiseLastOSError();
  TAutoHandle file(fd);
  // The sequential-access hint only tunes read-ahead; a refusal is not an error.
  (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return file;
}

}  // namespace

TAutoHandle OpenFileForReading(const std::string& path) { return OpenOrRaise(path, O_RDONLY); }

TAutoHandle TryOpenFileForReading(const std::string& path) {
  return TAutoHandle(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
}

TAutoHandle CreateFileForWriting(const std::string& path) {
  return OpenOrRaise(path, O_WRONLY | O_CREAT | O_TRUNC);
}

bool TryCopyFileRange(const TAutoHandle& from, const TAutoHandle& to, std::size_t size, std::size_t& copied) {
  for (;;) {
    const ssize_t n = ::copy_file_range(from.get(), nullptr, to.get(), nullptr, size, 0);
    if (n >= 0) {
      copied = static_cast<std::size_t>(n);
      return true;
    }
    if (errno != EINTR) return false;
  }
}

std::size_t ReadFile(const TAutoHandle& file, void* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(file.get(), buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) RaiseLastOSError();
  }
}

void WriteFile(const TAutoHandle& file, const void* buffer, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(buffer);
  while (size > 0) {
    const ssize_t n = ::write(file.get(), p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseLastOSError();
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
}

std::uint64_t FileSize(const TAutoHandle& file) {
  struct stat st;
  if (::fstat(file.get(), &st) != 0) RaiseLastOSError();
  return static_cast<std::uint64_t>(st.st_size);
}

bool TryFileSize(const std::string& path, std::uint64_t& size) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

namespace {
bool TryLock(const TAutoHandle& file, int operation) {
  for (;;) {
    if (::flock(file.get(), operation | LOCK_NB) == 0) return true;
    if (errno != EINTR) return false;
  }
}
}  // namespace

bool TryLockShared(const TAutoHandle& file) { return TryLock(file, LOCK_SH); }
bool TryLockExclusive(const TAutoHandle& file) { return TryLock(file, LOCK_EX); }

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void WriteWholeFile(const std::string& path, const void* bytes, std::size_t size) {
  TAutoHandle file = CreateFileForWriting(path);
  WriteFile(file, bytes, size);
  file.closeChecked();
}

void TMappedFile::Open(const std::string& path) {
  Close();
  file_ = OpenFileForReading(path);
  const std::uint64_t size = FileSize(file_);
  // mmap refuses a length of 0 (EINVAL): an empty log cannot be mapped.
  void* view = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, file_.get(), 0);
  if (view == MAP_FAILED) RaiseLastOSError();
  view_ = static_cast<const std::uint8_t*>(view);
  size_ = size;
  if (::madvise(view, static_cast<std::size_t>(size), MADV_SEQUENTIAL) != 0) RaiseLastOSError();
}

void TMappedFile::Close() noexcept {
  if (view_) ::munmap(const_cast<std::uint8_t*>(view_), static_cast<std::size_t>(size_));
  view_ = nullptr;
  size_ = 0;
  file_.close();
}

namespace {
std::size_t PageSize() {
  static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  return page;
}
std::size_t RoundUpToPage(std::size_t n) { return (n + PageSize() - 1) / PageSize() * PageSize(); }
}  // namespace

TReservedMemory::TReservedMemory(TReservedMemory&& other) noexcept
    : base_(std::exchange(other.base_, nullptr)), size_(std::exchange(other.size_, 0)) {}

TReservedMemory& TReservedMemory::operator=(TReservedMemory&& other) noexcept {
  if (this != &other) {
    Release();
    base_ = std::exchange(other.base_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

void TReservedMemory::Reserve(std::size_t bytes) {
  Release();
  if (bytes == 0) return;
  const std::size_t size = RoundUpToPage(bytes);
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) RaiseLastOSError();
  // Large pages make filling a big array cost a few faults instead of one per
  // page; a kernel without them simply declines the advice.
  if (size >= (2u << 20)) (void)::madvise(p, size, MADV_HUGEPAGE);
  base_ = p;
  size_ = size;
}

void TReservedMemory::Trim(std::size_t keep) {
  const std::size_t kept = RoundUpToPage(keep);
  if (!base_ || kept >= size_) return;
  if (kept == 0) {
    Release();
    return;
  }
  ::munmap(static_cast<std::uint8_t*>(base_) + kept, size_ - kept);
  size_ = kept;
}

void TReservedMemory::Release() noexcept {
  if (base_) ::munmap(base_, size_);
  base_ = nullptr;
  size_ = 0;
}

}  // namespace pkt
