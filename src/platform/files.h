#pragma once
// Files, read-only mappings and reserved memory. Every failed call raises the
// SystemError of that call (errno and the system's text for it).
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

namespace pkt {

// Owns one file descriptor (-1 when empty). close() closes it if it is valid
// and stores -1, so it may be called any number of times; destruction closes.
class TAutoHandle {
 public:
  static constexpr int kInvalid = -1;

  TAutoHandle() = default;
  explicit TAutoHandle(int fd) : fd_(fd) {}
  ~TAutoHandle() { close(); }
  TAutoHandle(const TAutoHandle&) = delete;
  TAutoHandle& operator=(const TAutoHandle&) = delete;
  TAutoHandle(TAutoHandle&& other) noexcept : fd_(other.release()) {}
  TAutoHandle& operator=(TAutoHandle&& other) noexcept;

  int get() const { return fd_; }
  bool valid() const { return fd_ != kInvalid; }
  // Gives up ownership without closing.
  int release();
  // Closes the descriptor and reports the close's failure as a SystemError
  // (a write-back error shows only here). The descriptor is gone either way.
  void closeChecked();
  void close() noexcept;

 private:
  int fd_ = kInvalid;
};

// Opens an existing file for reading with a sequential-access hint.
TAutoHandle OpenFileForReading(const std::string& path);
// The same without raising: an empty handle when the file cannot be opened.
TAutoHandle TryOpenFileForReading(const std::string& path);
// Creates the file for writing, replacing an existing one, with a sequential-access hint.
TAutoHandle CreateFileForWriting(const std::string& path);
// Reads up to size bytes; 0 at the end of the file. Retries interrupted calls.
std::size_t ReadFile(const TAutoHandle& file, void* buffer, std::size_t size);
// Copies up to size bytes from the source's position to the target's inside
// the kernel (copy_file_range), moving both positions. True with the count
// (0 at the end of the source, or where the kernel copies nothing from such a
// file); false when the system refuses: errno tells why, and plain reads and
// writes from the same positions give the caller the real answer.
bool TryCopyFileRange(const TAutoHandle& from, const TAutoHandle& to, std::size_t size, std::size_t& copied);
// Writes every one of the size bytes (a short write is continued).
void WriteFile(const TAutoHandle& file, const void* buffer, std::size_t size);
// The file's size from fstat.
std::uint64_t FileSize(const TAutoHandle& file);
// The size of the file at path, or false when it cannot be read.
bool TryFileSize(const std::string& path, std::uint64_t& size);
// Deletes the file; false when it cannot be deleted (errno tells why).
bool DeleteFile(const std::string& path);
// Advisory whole-file locks between running copies of the program (flock):
// a shared lock marks a file as in use, an exclusive one is granted only
// when nobody holds any. Neither waits; false when the lock is not granted.
bool TryLockShared(const TAutoHandle& file);
bool TryLockExclusive(const TAutoHandle& file);
// Whether path names an existing directory.
bool IsDirectory(const std::string& path);
// Whether the open file is a regular file on a disk of this machine (or in
// its memory): a file that no other machine can change under a mapping, and
// whose mapping does not fail with the network.
bool IsLocalRegularFile(const TAutoHandle& file);
// A path that opens the very file the descriptor holds, wherever it has since
// been renamed or even deleted to (this process's descriptor folder).
std::string DescriptorPath(const TAutoHandle& file);
// Writes the bytes to path, replacing it (fixtures, tools).
void WriteWholeFile(const std::string& path, const void* bytes, std::size_t size);

// A whole file mapped read-only: open, fstat, mmap(PROT_READ),
// madvise(MADV_SEQUENTIAL). Each step that fails raises its SystemError and
// leaves what it reached (close() releases it). An empty file cannot be mapped.
//
// A file cut short while it is mapped (another program truncates or rewrites
// it) would end the process with SIGBUS at the first read of a page past its
// new end. The views are guarded instead: such a page reads as zeros, which
// the readers of records take for damaged bytes.
class TMappedFile {
 public:
  TMappedFile() = default;
  ~TMappedFile() { Close(); }
  TMappedFile(const TMappedFile&) = delete;
  TMappedFile& operator=(const TMappedFile&) = delete;

  // Maps the first limit bytes of the file, or the whole file when it is shorter.
  void Open(const std::string& path, std::uint64_t limit = ~std::uint64_t{0});
  // Unmaps the view, then closes the file. Safe to repeat.
  void Close() noexcept;

  const std::uint8_t* data() const { return view_; }
  std::uint64_t size() const { return size_; }
  bool isOpen() const { return file_.valid(); }
  // Copies the n mapped bytes at offset (offset + n <= size()) with pread,
  // past the view: a pass over a whole file then costs a copy, bounded by the
  // memory's speed, instead of a page fault for every page of the view, whose
  // cost depends on the machine. Bytes the file no longer holds read as zeros,
  // as the view's do.
  void ReadAt(std::uint64_t offset, void* to, std::size_t n) const;

 private:
  TAutoHandle file_;
  const std::uint8_t* view_ = nullptr;
  std::uint64_t size_ = 0;
};

// Address space reserved for a large array that grows up to a known bound:
// pages are backed by memory only when first written, so reserving for the
// worst case costs nothing for the unused part. Contents start zeroed.
class TReservedMemory {
 public:
  TReservedMemory() = default;
  ~TReservedMemory() { Release(); }
  TReservedMemory(const TReservedMemory&) = delete;
  TReservedMemory& operator=(const TReservedMemory&) = delete;
  TReservedMemory(TReservedMemory&& other) noexcept;
  TReservedMemory& operator=(TReservedMemory&& other) noexcept;

  // Releases what is held and reserves bytes (rounded up to whole pages).
  void Reserve(std::size_t bytes);
  // Gives back every whole page beyond the first keep bytes.
  void Trim(std::size_t keep);
  void Release() noexcept;

  void* data() const { return base_; }
  std::size_t capacity() const { return size_; }

 private:
  void* base_ = nullptr;
  std::size_t size_ = 0;
};

// Blocks for arrays of millions of elements filled one at a time (the charts'
// points): a block of kLargeBlock bytes or more is mapped on its own and
// advised for large pages, so that filling it costs a page fault every 2 MB
// instead of every 4 KB (on a machine whose faults are slow these were most
// of the charts' time); a smaller block comes from the heap. A mapped block
// that cannot be had raises SystemError, a heap block std::bad_alloc.
inline constexpr std::size_t kLargeBlock = std::size_t{2} << 20;
void* AllocateBlock(std::size_t bytes);
void FreeBlock(void* p, std::size_t bytes) noexcept;

template <class T>
struct TBlockAllocator {
  using value_type = T;
  TBlockAllocator() = default;
  template <class U>
  TBlockAllocator(const TBlockAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(AllocateBlock(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept { FreeBlock(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const TBlockAllocator<U>&) const noexcept { return true; }
};

// A vector whose large buffers are mapped in large pages (see AllocateBlock).
template <class T>
using TLargeVector = std::vector<T, TBlockAllocator<T>>;

}  // namespace pkt
