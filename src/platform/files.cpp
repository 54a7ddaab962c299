#include "platform/files.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
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

bool IsLocalRegularFile(const TAutoHandle& file) {
  struct stat st;
  struct statfs fs;
  if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) || ::fstatfs(file.get(), &fs) != 0) return false;
  // The file systems of local disks and of memory; network, user-space and
  // kernel-made ones (whose files may report no size) are not among them.
  switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC:  // also ext2 and ext3
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
    case 0x2FC12FC1:  // zfs
      return true;
    default:
      return false;
  }
}

std::string DescriptorPath(const TAutoHandle& file) { return "/proc/self/fd/" + std::to_string(file.get()); }

namespace {

// The views that a SIGBUS may hit: the address ranges of the mapped files.
// The handler only reads them; a slot is taken with its flag and filled
// before its range is published.
struct TGuardedView {
  std::atomic<bool> taken{false};
  std::atomic<std::uintptr_t> begin{0}, end{0};
};
constexpr std::size_t kGuardedViews = 256;
TGuardedView g_guardedViews[kGuardedViews];
std::uintptr_t g_guardPage = 4096;
struct sigaction g_earlierBusAction;

// A read past the end of a file cut short under its view: the page becomes a
// page of zeros, and the read is made again. Any other SIGBUS goes where it
// went before.
void OnBusError(int signal, siginfo_t* info, void* context) {
  const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (const TGuardedView& view : g_guardedViews) {
    const std::uintptr_t begin = view.begin.load(std::memory_order_acquire);
    if (begin == 0 || address < begin || address >= view.end.load(std::memory_order_acquire)) continue;
    void* page = reinterpret_cast<void*>(address & ~(g_guardPage - 1));
    if (::mmap(page, g_guardPage, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) return;
    break;
  }
  const struct sigaction& earlier = g_earlierBusAction;
  if ((earlier.sa_flags & SA_SIGINFO) && earlier.sa_sigaction) {
    earlier.sa_sigaction(signal, info, context);
  } else if (earlier.sa_handler != SIG_DFL && earlier.sa_handler != SIG_IGN) {
    earlier.sa_handler(signal);
  } else {
    // The read is made again and ends the process as it would have.
    ::signal(SIGBUS, SIG_DFL);
  }
}

void InstallBusGuard() {
  static std::once_flag once;
  std::call_once(once, [] {
    g_guardPage = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    struct sigaction action{};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    (void)::sigaction(SIGBUS, &action, &g_earlierBusAction);
  });
}

// Publishes a view's range; false when every slot is taken (the view is then unguarded).
TGuardedView* GuardView(const void* view, std::size_t size) {
  InstallBusGuard();
  for (TGuardedView& slot : g_guardedViews) {
    if (slot.taken.exchange(true, std::memory_order_acq_rel)) continue;
    const auto begin = reinterpret_cast<std::uintptr_t>(view);
    slot.end.store(begin + size, std::memory_order_release);
    slot.begin.store(begin, std::memory_order_release);
    return &slot;
  }
  return nullptr;
}

void UnguardView(const void* view) {
  const auto begin = reinterpret_cast<std::uintptr_t>(view);
  for (TGuardedView& slot : g_guardedViews) {
    if (slot.begin.load(std::memory_order_acquire) != begin) continue;
    slot.begin.store(0, std::memory_order_release);
    slot.end.store(0, std::memory_order_release);
    slot.taken.store(false, std::memory_order_release);
    return;
  }
}

}  // namespace

void TMappedFile::Open(const std::string& path, std::uint64_t limit) {
  Close();
  file_ = OpenFileForReading(path);
  const std::uint64_t size = std::min(FileSize(file_), limit);
  // mmap refuses a length of 0 (EINVAL): an empty log cannot be mapped.
  void* view = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, file_.get(), 0);
  if (view == MAP_FAILED) RaiseLastOSError();
  view_ = static_cast<const std::uint8_t*>(view);
  size_ = size;
  GuardView(view, static_cast<std::size_t>(size));
  if (::madvise(view, static_cast<std::size_t>(size), MADV_SEQUENTIAL) != 0) RaiseLastOSError();
}

void TMappedFile::ReadAt(std::uint64_t offset, void* to, std::size_t n) const {
  auto* out = static_cast<std::uint8_t*>(to);
  std::size_t got = 0;
  while (got < n) {
    const ssize_t r = ::pread(file_.get(), out + got, n - got, static_cast<off_t>(offset + got));
    if (r > 0) {
      got += static_cast<std::size_t>(r);
    } else if (r == 0) {
      break;  // the file was cut short
    } else if (errno != EINTR) {
      RaiseLastOSError();
    }
  }
  std::memset(out + got, 0, n - got);
}

void TMappedFile::Close() noexcept {
  if (view_) {
    UnguardView(view_);
    ::munmap(const_cast<std::uint8_t*>(view_), static_cast<std::size_t>(size_));
  }
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

// Zeroed pages of their own for size bytes (whole pages), backed by memory
// only when first written.
void* MapPages(std::size_t size, int flags) {
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | flags, -1, 0);
  if (p == MAP_FAILED) RaiseLastOSError();
  // Large pages make filling a big array cost a few faults instead of one per
  // page; a kernel without them simply declines the advice.
  if (size >= kLargeBlock) (void)::madvise(p, size, MADV_HUGEPAGE);
  return p;
}

// Whether a block of bytes is mapped on its own: the one rule that both
// AllocateBlock and FreeBlock follow. The sanitizer build keeps every block on
// its heap, where a read past the end is caught.
bool IsMappedBlock(std::size_t bytes) {
#if defined(__SANITIZE_ADDRESS__)
  (void)bytes;
  return false;
#else
  return bytes >= kLargeBlock;
#endif
}
}  // namespace

void* AllocateBlock(std::size_t bytes) {
  if (IsMappedBlock(bytes)) return MapPages(RoundUpToPage(bytes), 0);
  return ::operator new(bytes);
}

void FreeBlock(void* p, std::size_t bytes) noexcept {
  if (IsMappedBlock(bytes)) return void(::munmap(p, RoundUpToPage(bytes)));
  ::operator delete(p);
}

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
  base_ = MapPages(size, MAP_NORESERVE);
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
