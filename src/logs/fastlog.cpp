#include "logs/fastlog.h"
#include "platform/bytes.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"

namespace pkt {

namespace {

constexpr auto LE16 = ReadLittleEndian16;
constexpr auto LE32 = ReadLittleEndian32;

// The sort key of a time stamp: milliseconds since 1601 plus one, so that the
// key is exactly as ordered as the file time. Time stamps that cannot be
// converted get 0: they come before every valid one, among themselves by offset.
// Records of one log mostly share their date, so the date's part of the key
// is worked out once per change of date.
class SortKeyMaker {
 public:
  std::uint64_t operator()(const std::uint8_t* time) {
    const std::uint64_t date = std::uint64_t{LE16(time)} << 32 | std::uint64_t{LE16(time + 2)} << 16 | LE16(time + 6);
    if (date != date_) {
      TSystemTime midnight{};
      midnight.wYear = LE16(time);
      midnight.wMonth = LE16(time + 2);
      midnight.wDay = LE16(time + 6);
      std::uint64_t ms = 0;
      dateValid_ = TryFileTimeMs(midnight, ms);
      dateMs_ = ms;
      date_ = date;
    }
    const unsigned hour = LE16(time + 8), minute = LE16(time + 10), second = LE16(time + 12), ms = LE16(time + 14);
    if (!dateValid_ || hour > 23 || minute > 59 || second > 59 || ms > 999) return 0;
    return dateMs_ + ((hour * 60 + minute) * 60 + second) * 1000ULL + ms + 1;
  }

 private:
  std::uint64_t date_ = ~0ULL;  // no stamp has this date: year, month and day are 16 bits each
  std::uint64_t dateMs_ = 0;
  bool dateValid_ = false;
};

std::string AddressText(const std::uint8_t* address) {
  const char* p = reinterpret_cast<const char*>(address);
  return std::string(p, strnlen(p, kAddressSize));
}

// A host-to-host stepping over damaged bytes moves by the terminal header's
// size: the log's readers have always resynchronised this way.
constexpr std::uint64_t kResyncStep = terminal_header::kSize;

// The log's bytes as one walk reads them. Copied, they are read into a window
// of the walking thread's own, a stretch of the file at a time: a walk that
// reads only the headers reads every page of the log once, and a copy costs
// what the memory's speed makes it cost, while reaching each page through the
// mapping costs a page fault whose price depends on the machine (several times
// the copy on some virtual machines, less than it on others; see ReadAt).
// A walk with a filter reads through the mapping: the filter looks at every
// record there anyway, and a copy would only add to it. The records lie one
// after the other, but where the next begins is known only from this one's
// length: asking for the bytes a page ahead keeps that walk from waiting on
// memory at every page boundary, where the processor's own look-ahead stops.
class TWalkBytes {
 public:
  TWalkBytes(const TMappedFile& file, bool copied)
      : file_(file), bytes_(copied ? new std::uint8_t[kWindow] : nullptr) {}

  // The n bytes at offset, for n at most a record header and offset + n
  // within the file's mapped size.
  const std::uint8_t* At(std::uint64_t offset, std::size_t n) {
    if (!bytes_) {
      const std::uint8_t* p = file_.data() + offset;
      if (file_.size() - offset > kLookAhead) __builtin_prefetch(p + kLookAhead);
      return p;
    }
    if (offset < begin_ || offset + n > end_) {
      const std::uint64_t length = std::min<std::uint64_t>(kWindow, file_.size() - offset);
      file_.ReadAt(offset, bytes_.get(), static_cast<std::size_t>(length));
      begin_ = offset;
      end_ = offset + length;
    }
    return bytes_.get() + (offset - begin_);
  }

 private:
  static constexpr std::size_t kWindow = 256 << 10;  // well within the processor's second-level cache
  static constexpr std::uint64_t kLookAhead = 4096;  // a page, a little more than the processor's look-ahead
  const TMappedFile& file_;
  std::unique_ptr<std::uint8_t[]> bytes_;
  std::uint64_t begin_ = 0, end_ = 0;
};

// The entries of one index: the record offsets, contiguous, 8 bytes each.
// The storage is reserved once for the largest number of records the file can
// hold; only the pages actually written take memory.
//
// Ordering: the scan writes the accepted offsets (in ascending offset order)
// and tells whether their sort keys were ascending. A log in time order, the
// usual case, is then already sorted and no key is kept at all. Otherwise the
// keys are worked out again from the headers, in one pass over the file (the
// offsets ascend), into a temporary array of (key, offset) pairs. A merged log
// is a few ascending runs: they are found in one pass and merged pairwise (a
// stable merge keeps the earlier run first on equal keys, which is the offset
// order). Many short runs mean no useful order: sort directly.
class EntryStore {
 public:
  void Clear() {
    memory_.Release();
    count_ = 0;
    capacity_ = 0;
    sorted_ = true;
  }

  void Prepare(std::uint64_t maxEntries) {
    Clear();
    maxEntries = std::min<std::uint64_t>(maxEntries, std::numeric_limits<std::uint32_t>::max());
    memory_.Reserve(static_cast<std::size_t>(maxEntries) * sizeof(std::uint64_t));
    capacity_ = static_cast<std::uint32_t>(maxEntries);
  }

  std::uint32_t Capacity() const { return capacity_; }

  std::uint32_t Count() const { return count_; }
  std::uint64_t Offset(std::uint32_t i) const { return offsets()[i]; }

  // The scan writes the accepted offsets itself, then tells their count and
  // whether their keys were ascending.
  std::uint64_t* Offsets() { return offsets(); }
  void SetAccepted(std::uint32_t count, bool sorted) {
    count_ = count;
    sorted_ = sorted;
  }
  std::uint64_t Bytes() const { return memory_.capacity(); }

  // Orders the entries by (key, offset), reading the keys from the records'
  // time stamps. Without a mapped file there are no keys to read and the
  // order stays.
  void Sort(const TMappedFile& file) {
    if (!sorted_ && file.data()) {
      SortByKeys(file);
      sorted_ = true;
    }
    memory_.Trim(std::size_t(count_) * sizeof(std::uint64_t));
  }

 private:
  struct Pair {
    std::uint64_t key;
    std::uint64_t offset;
  };

  std::uint64_t* offsets() const { return static_cast<std::uint64_t*>(memory_.data()); }

  void SortByKeys(const TMappedFile& file) {
    const std::uint32_t n = count_;
    TReservedMemory scratch;
    scratch.Reserve(std::size_t(n) * sizeof(Pair));
    Pair* a = static_cast<Pair*>(scratch.data());
    std::uint64_t* off = offsets();
    std::vector<std::uint32_t> bounds{0};
    TWalkBytes bytes(file, true);
    SortKeyMaker key;
    for (std::uint32_t i = 0; i < n; ++i) {
      a[i] = Pair{key(bytes.At(off[i], kRecordTimeOffset + kRecordTimeSize) + kRecordTimeOffset), off[i]};
      if (i && a[i].key < a[i - 1].key) bounds.push_back(i);
    }
    bounds.push_back(n);
    const std::size_t runs = bounds.size() - 1;
    if (runs > n / 32) {
      std::sort(a, a + n, [](const Pair& x, const Pair& y) { return x.key != y.key ? x.key < y.key : x.offset < y.offset; });
    } else {
      const auto byKey = [](const Pair& x, const Pair& y) { return x.key < y.key; };
      while (bounds.size() > 2) {
        std::vector<std::uint32_t> next{0};
        for (std::size_t r = 0; r + 2 < bounds.size(); r += 2) {
          std::inplace_merge(a + bounds[r], a + bounds[r + 1], a + bounds[r + 2], byKey);
          next.push_back(bounds[r + 2]);
        }
        if ((bounds.size() - 1) % 2 == 1) next.push_back(bounds.back());
        bounds.swap(next);
      }
    }
    for (std::uint32_t i = 0; i < n; ++i) off[i] = a[i].offset;
  }

  TReservedMemory memory_;
  std::uint32_t count_ = 0;
  std::uint32_t capacity_ = 0;
  bool sorted_ = true;
};

// The two log families: header layout and the scan's answer to a short tail
// and to bad magic values.
struct TerminalFamily {
  static constexpr std::uint64_t kHeader = terminal_header::kSize;
  static bool HasMagic(const std::uint8_t* p) {
    return LE16(p) == terminal_header::kMagic1 && LE16(p + terminal_header::kSecondMagic) == terminal_header::kMagic2;
  }
  static std::uint32_t DataLength(const std::uint8_t* p) { return LE32(p + terminal_header::kDataLength); }
  static constexpr bool kShortTailIsError = true;
  static constexpr bool kResyncOnBadMagic = false;
};

struct H2HFamily {
  static constexpr std::uint64_t kHeader = host_header::kSize;
  static bool HasMagic(const std::uint8_t* p) {
    return LE16(p) == host_header::kMagic1 && LE16(p + host_header::kSecondMagic) == host_header::kMagic2;
  }
  static std::uint32_t DataLength(const std::uint8_t* p) { return LE32(p + host_header::kDataLength); }
  static constexpr bool kShortTailIsError = false;
  static constexpr bool kResyncOnBadMagic = true;
};

// The progress of an Open, on the opening thread: how far the walk and then
// the filtering got, reported every kProgressRecords records.
constexpr std::uint32_t kProgressRecords = 65536;
// Fewer records than this are not worth a second thread.
constexpr std::uint32_t kMinSharedRecords = 65536;

// What Open needs besides the family: the index, its file and entries, and the callbacks.
template <class Log, class Filter>
struct TScan {
  Log& log;
  TMappedFile& file;
  EntryStore& entries;
  std::uint64_t& records;
  const Filter& filter;
  const TIndexProgress& progress;
  unsigned threads;
  std::uint64_t byteLimit;
};

// How a stretch of the walk ended.
enum class TWalkEnd {
  Limit,  // it reached the limit offset exactly: the next stretch goes on from there
  Past,   // it stepped past the limit: the next stretch began at no record of this walk
  End,    // the walk of the file ended in it (end of file, bad magic, a full index, an error)
};

// One stretch of the walk: records from begin while the offset is below
// limit, each filtered and given its sort key as the walk reaches it (its
// header is then still in the cache). The walk from an offset is the same
// whoever makes it, so stretches that meet at their limits join into the walk
// from the file's start.
struct TStretch {
  std::uint64_t begin = 0, limit = 0;
  std::uint64_t stop = 0;  // the offset where the stretch ended
  TWalkEnd end = TWalkEnd::End;
  std::uint64_t records = 0;
  TReservedMemory memory;  // the accepted offsets (stretches after the first)
  std::uint64_t* offsets = nullptr;
  std::uint32_t kept = 0;
  std::uint64_t firstKey = 0, lastKey = 0;  // of the accepted records
  bool ascending = true;                    // the accepted records' keys never fall
  std::exception_ptr error;                 // the filter's, or a short tail's; the walk ends there
};

// Walks one stretch by the rules of the family. A short tail of a terminal log
// raises TruncatedLogError, after the records before it; capacity bounds the
// accepted records (more than 2^32-1 cannot be addressed: the walk ends).
template <class Family, class Handler, class Log, class Filter, class Tick>
void WalkStretch(TScan<Log, Filter>& scan, std::uint64_t size, TStretch& st, std::uint64_t capacity, Tick tick) {
  SortKeyMaker sortKey;
  TWalkBytes bytes(scan.file, !scan.filter);
  std::uint64_t offset = st.begin;
  st.end = TWalkEnd::End;
  try {
    while (offset < size) {
      if (offset >= st.limit) {
        st.end = offset == st.limit ? TWalkEnd::Limit : TWalkEnd::Past;
        break;
      }
      if (size - offset < Family::kHeader) {
        if (Family::kShortTailIsError) throw TruncatedLogError(offset, size);
        break;
      }
      const std::uint8_t* header = bytes.At(offset, Family::kHeader);
      if (!Family::HasMagic(header)) {
        if (!Family::kResyncOnBadMagic) break;
        offset += kResyncStep;
        continue;
      }
      if (st.records % kProgressRecords == 0) tick(offset);
      ++st.records;
      bool skip = false;
      if (scan.filter) scan.filter(scan.log, Handler(&scan.log, offset), skip);
      if (!skip) {
        if (st.kept >= capacity) break;
        const std::uint64_t key = sortKey(header + kRecordTimeOffset);
        if (st.kept == 0)
          st.firstKey = key;
        else if (key < st.lastKey)
          st.ascending = false;
        st.lastKey = key;
        st.offsets[st.kept++] = offset;
      }
      offset += Family::kHeader + Family::DataLength(header);
    }
  } catch (...) {
    st.error = std::current_exception();
    st.end = TWalkEnd::End;
  }
  st.stop = offset;
}

// Where a stretch starting near from may begin: the first offset at or after
// from, within a megabyte, whose header has both magic values and whose next
// few records chain on with theirs (a match inside a body rarely does).
// Returns size when none is found.
template <class Family>
std::uint64_t StretchStart(const std::uint8_t* view, std::uint64_t size, std::uint64_t from) {
  constexpr int kChain = 4;
  constexpr std::uint64_t kSearch = 1 << 20;
  const std::uint64_t until = std::min(size, from + kSearch);
  for (std::uint64_t o = from; o < until && o + Family::kHeader <= size; ++o) {
    if (!Family::HasMagic(view + o)) continue;
    std::uint64_t next = o;
    bool chains = true;
    for (int i = 0; i < kChain && next + Family::kHeader <= size; ++i) {
      if (!Family::HasMagic(view + next)) {
        chains = false;
        break;
      }
      next += Family::kHeader + Family::DataLength(view + next);
    }
    if (chains) return o;
  }
  return size;
}

// The scan on the opening thread alone, in file order.
template <class Family, class Handler, class Log, class Filter>
void ScanInOrder(TScan<Log, Filter>& scan, std::uint64_t size) {
  TStretch st;
  st.limit = ~0ULL;
  st.offsets = scan.entries.Offsets();
  WalkStretch<Family, Handler>(scan, size, st, scan.entries.Capacity(), [&](std::uint64_t offset) {
    if (scan.progress) scan.progress(offset, size);
  });
  scan.records = st.records;
  scan.entries.SetAccepted(st.kept, st.ascending);
  if (st.error) std::rethrow_exception(st.error);
}

// The scan shared by several threads. The walk from record to record cannot
// be split where the records begin is unknown, so each thread but the first
// looks for a record start in its part of the file and walks from there up to
// the next thread's start, while the first walks from the file's start. The
// walk from an offset is the same whoever makes it: where a stretch ends
// exactly on the next one's start, the two join; where it steps past it (the
// start was a look-alike inside a body), this thread walks the rest itself.
// The result is the scan in order's, to the entry and the error.
template <class Family, class Handler, class Log, class Filter>
void ScanShared(TScan<Log, Filter>& scan, const std::uint8_t* view, std::uint64_t size, unsigned threads) {
  std::vector<std::uint64_t> starts{0};
  for (unsigned t = 1; t < threads; ++t) {
    const std::uint64_t start = StretchStart<Family>(view, size, size * t / threads);
    if (start < size && start > starts.back()) starts.push_back(start);
  }
  threads = static_cast<unsigned>(starts.size());
  std::vector<TStretch> stretches(threads);
  for (unsigned t = 0; t < threads; ++t) {
    stretches[t].begin = starts[t];
    stretches[t].limit = t + 1 < threads ? starts[t + 1] : ~0ULL;
  }

  const std::uint64_t capacity = scan.entries.Capacity();
  stretches[0].offsets = scan.entries.Offsets();
  for (unsigned t = 1; t < threads; ++t) {
    TStretch& st = stretches[t];
    const std::uint64_t most = std::min<std::uint64_t>(capacity, (size - st.begin) / Family::kHeader + 1);
    st.memory.Reserve(static_cast<std::size_t>(most) * sizeof(std::uint64_t));
    st.offsets = static_cast<std::uint64_t*>(st.memory.data());
  }
  {
    std::vector<std::jthread> helpers;
    for (unsigned t = 1; t < threads; ++t)
      helpers.emplace_back([&, t] {
        TStretch& st = stretches[t];
        WalkStretch<Family, Handler>(scan, size, st, (size - st.begin) / Family::kHeader + 1,
                                     [](std::uint64_t) {});
      });
    // The first stretch reports the progress of all: the stretches are alike.
    const std::uint64_t firstLimit = std::max<std::uint64_t>(1, std::min(size, stretches[0].limit));
    WalkStretch<Family, Handler>(scan, size, stretches[0], capacity, [&](std::uint64_t offset) {
      if (scan.progress)
        scan.progress(std::min(size, static_cast<std::uint64_t>(static_cast<double>(offset) / firstLimit * size)), size);
    });
  }

  // Joins the stretches in file order while each ended on the next one's start.
  std::uint64_t* entries = scan.entries.Offsets();
  TStretch& first = stretches[0];
  std::uint64_t records = first.records;
  std::uint32_t count = first.kept;
  bool sorted = first.ascending;
  std::uint64_t lastKey = first.kept ? first.lastKey : 0;
  const TStretch* last = &first;
  auto join = [&](const TStretch& st) -> bool {
    const std::uint64_t room = capacity - count;
    const std::uint32_t kept = static_cast<std::uint32_t>(std::min<std::uint64_t>(st.kept, room));
    std::memcpy(entries + count, st.offsets, std::size_t(kept) * sizeof(std::uint64_t));
    if (kept) {
      if (st.firstKey < lastKey || !st.ascending) sorted = false;
      lastKey = st.lastKey;
    }
    count += kept;
    records += st.records;
    return kept == st.kept;
  };
  for (unsigned t = 1; t < threads && last->end == TWalkEnd::Limit; ++t) {
    if (!join(stretches[t])) {  // the index is full: the walk in order would have ended here
      scan.records = records;
      scan.entries.SetAccepted(count, sorted);
      return;
    }
    last = &stretches[t];
  }
  std::exception_ptr error = last->error;
  if (last->end == TWalkEnd::Past) {
    // The next start was no record of this walk: the rest is walked here.
    TStretch rest;
    rest.begin = last->stop;
    rest.limit = ~0ULL;
    rest.offsets = entries + count;
    WalkStretch<Family, Handler>(scan, size, rest, capacity - count, [](std::uint64_t) {});
    count += rest.kept;
    records += rest.records;
    if (rest.kept && (rest.firstKey < lastKey || !rest.ascending)) sorted = false;
    error = rest.error;
  }
  scan.records = records;
  scan.entries.SetAccepted(count, sorted);
  if (error) std::rethrow_exception(error);
}

// The threads a scan of size bytes is shared by: the threads asked, or with 0
// every core unless the log holds too few records to be worth it; one when
// the log may hold too many records for the entries to note them all.
template <class Family>
unsigned ScanThreads(unsigned asked, std::uint64_t size) {
  const std::uint64_t most = size / Family::kHeader;
  if (most > std::numeric_limits<std::uint32_t>::max()) return 1;
  if (asked) return asked;
  return most < kMinSharedRecords ? 1 : std::max(1u, std::thread::hardware_concurrency());
}

// The whole Open of either family: map, scan with the filter, sort.
template <class Family, class Handler, class Log, class Filter>
void OpenLog(TScan<Log, Filter> scan, const std::string& path) {
  scan.records = 0;
  scan.entries.Clear();
  scan.file.Close();
  scan.file.Open(path, scan.byteLimit);
  const std::uint8_t* view = scan.file.data();
  const std::uint64_t size = scan.file.size();
  scan.entries.Prepare(size / Family::kHeader);

  const unsigned threads = ScanThreads<Family>(scan.threads, size);
  if (threads > 1)
    ScanShared<Family, Handler>(scan, view, size, threads);
  else
    ScanInOrder<Family, Handler>(scan, size);
  scan.entries.Sort(scan.file);
  if (scan.progress) scan.progress(size, size);
}

std::uint32_t BodySize(const std::uint8_t* view, std::uint64_t viewSize, std::uint64_t offset, std::uint64_t header,
                       std::uint32_t dataLength) {
  if (!view || offset + header >= viewSize) return 0;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(dataLength, viewSize - offset - header));
}

[[noreturn]] void RaiseBadIndex() { throw AppError("Неверный индекс пакета!"); }

}  // namespace

// ---------------------------------------------------------------------------
// Both families

struct TFastLog::Impl {
  TMappedFile file;
  EntryStore entries;
  std::uint64_t records = 0;
};

TFastLog::TFastLog() : impl_(new Impl) {}
TFastLog::~TFastLog() {
  Close();
  delete impl_;
}

void TFastLog::Close() { impl_->file.Close(); }
void TFastLog::Sort() { impl_->entries.Sort(impl_->file); }
const std::uint8_t* TFastLog::GetView() const { return impl_->file.data(); }
std::uint64_t TFastLog::GetViewSize() const { return impl_->file.size(); }
std::uint32_t TFastLog::GetCount() const { return impl_->entries.Count(); }
std::uint64_t TFastLog::GetRecordCount() const { return impl_->records; }
std::uint64_t TFastLog::GetEntryBytes() const { return impl_->entries.Bytes(); }

namespace {

// Where a family's header keeps the fields both families have.
struct THeaderLayout {
  std::uint32_t kind, time, dataLength, size;
};

TRecordFields ReadFields(const TFastLog& log, std::uint64_t offset, const THeaderLayout& at) {
  const std::uint8_t* const view = log.GetView();
  TRecordFields f;
  f.header = view + offset;
  f.kind = f.header[at.kind];
  f.time = TSystemTime::FromBytes(f.header + at.time);
  f.dataLength = LE32(f.header + at.dataLength);
  f.body = f.header + at.size;
  f.bodySize = BodySize(view, log.GetViewSize(), offset, at.size, f.dataLength);
  return f;
}

}  // namespace

std::uint64_t TFastLog::EntryOffset(std::uint32_t index) const {
  if (index >= impl_->entries.Count()) RaiseBadIndex();
  return impl_->entries.Offset(index);
}

// ---------------------------------------------------------------------------
// Terminal log

void TTerminalFastLog::Open(const std::string& path) {
  OpenLog<TerminalFamily, TTerminalPacketHandler>(
      TScan<TTerminalFastLog, TTerminalFilterEvent>{*this, impl_->file, impl_->entries, impl_->records, OnFilter,
                                                    OnProgress, Threads, ByteLimit},
      path);
}

TTerminalPacketHandler TTerminalFastLog::GetPacket(std::uint32_t index) const {
  return TTerminalPacketHandler(this, EntryOffset(index));
}

const std::uint8_t* TTerminalPacketHandler::GetHeader() const { return log_->GetView() + offset_; }
TRecordKind TTerminalPacketHandler::GetKind() const { return GetHeader()[terminal_header::kKind]; }
const std::uint8_t* TTerminalPacketHandler::GetTime() const { return GetHeader() + terminal_header::kTime; }
TSystemTime TTerminalPacketHandler::GetSystemTime() const { return TSystemTime::FromBytes(GetTime()); }
std::string TTerminalPacketHandler::GetTimeText() const { return TimeStampText(GetSystemTime()); }
std::string TTerminalPacketHandler::GetAddress() const { return AddressText(GetHeader() + terminal_header::kAddress); }
std::uint16_t TTerminalPacketHandler::GetEmitentID() const { return LE16(GetHeader() + terminal_header::kEmitent); }
std::uint16_t TTerminalPacketHandler::GetTerminalID() const { return LE16(GetHeader() + terminal_header::kTerminal); }
std::uint32_t TTerminalPacketHandler::GetDataLength() const { return LE32(GetHeader() + terminal_header::kDataLength); }
const std::uint8_t* TTerminalPacketHandler::GetBody() const { return GetHeader() + terminal_header::kSize; }
std::uint32_t TTerminalPacketHandler::GetBodySize() const {
  return BodySize(log_->GetView(), log_->GetViewSize(), offset_, terminal_header::kSize, GetDataLength());
}
TRecordFields TTerminalPacketHandler::Fields() const {
  TRecordFields f = ReadFields(*log_, offset_,
                               {terminal_header::kKind, terminal_header::kTime, terminal_header::kDataLength,
                                terminal_header::kSize});
  f.emitent = LE16(f.header + terminal_header::kEmitent);
  f.terminal = LE16(f.header + terminal_header::kTerminal);
  return f;
}

// ---------------------------------------------------------------------------
// Host-to-host log

void TH2HFastLog::Open(const std::string& path) {
  OpenLog<H2HFamily, TH2HPacketHandler>(
      TScan<TH2HFastLog, TH2HFilterEvent>{*this, impl_->file, impl_->entries, impl_->records, OnFilter, OnProgress,
                                          Threads, ByteLimit},
      path);
}

TH2HPacketHandler TH2HFastLog::GetPacket(std::uint32_t index) const {
  return TH2HPacketHandler(this, EntryOffset(index));
}

const std::uint8_t* TH2HPacketHandler::GetHeader() const { return log_->GetView() + offset_; }
TRecordKind TH2HPacketHandler::GetKind() const { return GetHeader()[host_header::kKind]; }
const std::uint8_t* TH2HPacketHandler::GetTime() const { return GetHeader() + host_header::kTime; }
TSystemTime TH2HPacketHandler::GetSystemTime() const { return TSystemTime::FromBytes(GetTime()); }
std::string TH2HPacketHandler::GetTimeText() const { return TimeStampText(GetSystemTime()); }
std::string TH2HPacketHandler::GetAddress() const { return AddressText(GetHeader() + host_header::kAddress); }
char* TH2HPacketHandler::PutHostID(char* out) const {
  const std::uint8_t* id = GetHeader() + host_header::kHostID;
  for (int i = 0; i < 16; ++i) out = PutHexByte(out, id[i]);
  return out;
}

std::string TH2HPacketHandler::GetHostID() const {
  char text[kHostIDTextSize];
  PutHostID(text);
  return std::string(text, sizeof text);
}
std::uint32_t TH2HPacketHandler::GetDataLength() const { return LE32(GetHeader() + host_header::kDataLength); }
const std::uint8_t* TH2HPacketHandler::GetBody() const { return GetHeader() + host_header::kSize; }
std::uint32_t TH2HPacketHandler::GetBodySize() const {
  return BodySize(log_->GetView(), log_->GetViewSize(), offset_, host_header::kSize, GetDataLength());
}

TRecordFields TH2HPacketHandler::Fields() const {
  return ReadFields(*log_, offset_,
                    {host_header::kKind, host_header::kTime, host_header::kDataLength, host_header::kSize});
}

}  // namespace pkt
