#include "logs/fastlog.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <thread>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"

namespace pkt {

namespace {

std::uint16_t LE16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t LE32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

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

// The entries of one index: the record offsets, contiguous, 8 bytes each.
// The storage is reserved once for the largest number of records the file can
// hold; only the pages actually written take memory.
//
// Ordering: while entries are appended (in ascending offset order) the scan
// hands over each record's sort key and the store notes whether the keys are
// still ascending. A log in time order, the usual case, is then already
// sorted and no key is kept at all. Otherwise the keys are worked out again
// from the mapped headers into a temporary array of (key, offset) pairs. A
// merged log is a few ascending runs: they are found in one pass and merged
// pairwise (a stable merge keeps the earlier run first on equal keys, which is
// the offset order). Many short runs mean no useful order: sort directly.
class EntryStore {
 public:
  void Clear() {
    memory_.Release();
    count_ = 0;
    capacity_ = 0;
    sorted_ = true;
    lastKey_ = 0;
  }

  void Prepare(std::uint64_t maxEntries) {
    Clear();
    maxEntries = std::min<std::uint64_t>(maxEntries, std::numeric_limits<std::uint32_t>::max());
    memory_.Reserve(static_cast<std::size_t>(maxEntries) * sizeof(std::uint64_t));
    capacity_ = static_cast<std::uint32_t>(maxEntries);
  }

  bool Full() const { return count_ >= capacity_; }
  void Append(std::uint64_t offset, std::uint64_t key) {
    if (key < lastKey_) sorted_ = false;
    lastKey_ = key;
    offsets()[count_++] = offset;
  }

  std::uint32_t Count() const { return count_; }
  std::uint64_t Offset(std::uint32_t i) const { return offsets()[i]; }

  // The shared scan writes the offsets itself: first every record's, then the
  // accepted ones packed at the front, whose count and order it tells here.
  std::uint64_t* Offsets() { return offsets(); }
  void SetAccepted(std::uint32_t count, bool sorted) {
    count_ = count;
    sorted_ = sorted;
  }
  std::uint64_t Bytes() const { return memory_.capacity(); }

  // Orders the entries by (key, offset), reading the keys from the time
  // stamps of the mapped view. Without a view there are no keys to read and
  // the order stays.
  template <class KeyOf>
  void Sort(const std::uint8_t* view, KeyOf keyOf) {
    if (!sorted_ && view) {
      SortByKeys(view, keyOf);
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

  template <class KeyOf>
  void SortByKeys(const std::uint8_t* view, KeyOf keyOf) {
    const std::uint32_t n = count_;
    TReservedMemory scratch;
    scratch.Reserve(std::size_t(n) * sizeof(Pair));
    Pair* a = static_cast<Pair*>(scratch.data());
    std::uint64_t* off = offsets();
    std::vector<std::uint32_t> bounds{0};
    for (std::uint32_t i = 0; i < n; ++i) {
      a[i] = Pair{keyOf(view + off[i]), off[i]};
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
  std::uint64_t lastKey_ = 0;
};

// The sort key of a record from its header.
std::uint64_t RecordKey(const std::uint8_t* header) {
  SortKeyMaker key;
  return key(header + 3);
}

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
};

// The record boundaries of the file, walked from its start by the rules of
// the family, handed one by one to visit (the record's offset and header).
// Returns the offset of a short tail that the family reports as an error, or
// the file size when there is none; stops early when visit returns false.
template <class Family, class Visit>
std::uint64_t WalkRecords(const std::uint8_t* view, std::uint64_t size, Visit visit) {
  std::uint64_t offset = 0;
  while (offset < size) {
    if (size - offset < Family::kHeader) return Family::kShortTailIsError ? offset : size;
    const std::uint8_t* header = view + offset;
    if (!Family::HasMagic(header)) {
      if (!Family::kResyncOnBadMagic) break;
      offset += kResyncStep;
      continue;
    }
    if (!visit(offset, header)) break;
    offset += Family::kHeader + Family::DataLength(header);
  }
  return size;
}

// The scan on the opening thread alone: each record is filtered as the walk reaches it.
template <class Family, class Handler, class Log, class Filter>
void ScanInOrder(TScan<Log, Filter>& scan, const std::uint8_t* view, std::uint64_t size) {
  SortKeyMaker sortKey;
  const std::uint64_t tail = WalkRecords<Family>(view, size, [&](std::uint64_t offset, const std::uint8_t* header) {
    if (scan.progress && scan.records % kProgressRecords == 0) scan.progress(offset, size);
    ++scan.records;
    bool skip = false;
    if (scan.filter) scan.filter(scan.log, Handler(&scan.log, offset), skip);
    if (!skip) {
      if (scan.entries.Full()) return false;  // more than 2^32-1 records: the rest cannot be addressed
      scan.entries.Append(offset, sortKey(header + 3));
    }
    return true;
  });
  if (tail != size) throw TruncatedLogError(tail, size);
}

// One thread's share of the records of a shared scan, [begin, end) in walk
// order. The accepted offsets end packed at the front of the share.
struct TShare {
  std::uint32_t begin = 0, end = 0;
  std::uint32_t kept = 0;
  std::uint64_t firstKey = 0, lastKey = 0;  // of the accepted records
  bool ascending = true;                    // the accepted records' keys never fall
  std::exception_ptr error;                 // the filter's; the share stops at that record
  std::uint32_t failed = 0;                 // the record whose filter call raised
};

template <class Handler, class Log, class Filter, class Tick>
void FilterShare(TScan<Log, Filter>& scan, const std::uint8_t* view, std::uint64_t* offsets, TShare& share,
                 Tick tick) {
  SortKeyMaker sortKey;
  std::uint32_t out = share.begin;
  std::uint32_t i = share.begin;
  try {
    for (; i < share.end; ++i) {
      if ((i - share.begin) % kProgressRecords == 0) tick(i - share.begin);
      const std::uint64_t offset = offsets[i];
      bool skip = false;
      if (scan.filter) scan.filter(scan.log, Handler(&scan.log, offset), skip);
      if (skip) continue;
      const std::uint64_t key = sortKey(view + offset + 3);
      if (out == share.begin)
        share.firstKey = key;
      else if (key < share.lastKey)
        share.ascending = false;
      share.lastKey = key;
      offsets[out++] = offset;
    }
  } catch (...) {
    share.error = std::current_exception();
    share.failed = i;
  }
  share.kept = out - share.begin;
}

// The scan shared by several threads. The walk from record to record cannot
// be split (each record's length says where the next begins), so the opening
// thread walks first and notes every record's offset in the entries; then
// the threads each filter a share of those records and work out their sort
// keys. The result is the walk in order's, to the entry: the shares are
// joined in file order, a filter error ends the result at the record that
// raised it (the earliest one wins), and a short tail of a terminal log is
// reported after all records before it were filtered, as in order.
template <class Family, class Handler, class Log, class Filter>
void ScanShared(TScan<Log, Filter>& scan, const std::uint8_t* view, std::uint64_t size, unsigned threads) {
  std::uint64_t* offsets = scan.entries.Offsets();
  std::uint32_t n = 0;
  const std::uint64_t half = size / 2;
  const std::uint64_t tail = WalkRecords<Family>(view, size, [&](std::uint64_t offset, const std::uint8_t*) {
    if (scan.progress && n % kProgressRecords == 0) scan.progress(offset / 2, size);
    offsets[n++] = offset;
    return true;
  });
  scan.records = n;

  std::vector<TShare> shares(threads);
  for (unsigned t = 0; t < threads; ++t) {
    shares[t].begin = static_cast<std::uint32_t>(std::uint64_t(n) * t / threads);
    shares[t].end = static_cast<std::uint32_t>(std::uint64_t(n) * (t + 1) / threads);
  }
  {
    std::vector<std::jthread> helpers;
    for (unsigned t = 1; t < threads; ++t)
      helpers.emplace_back([&, t] { FilterShare<Handler>(scan, view, offsets, shares[t], [](std::uint32_t) {}); });
    // This thread's share reports the progress of all: the shares are alike.
    const std::uint32_t mine = shares[0].end - shares[0].begin;
    FilterShare<Handler>(scan, view, offsets, shares[0], [&](std::uint32_t done) {
      if (scan.progress && mine) scan.progress(half + (size - half) * done / mine, size);
    });
  }

  std::uint32_t count = 0;
  bool sorted = true;
  std::uint64_t lastKey = 0;
  std::exception_ptr error;
  for (const TShare& share : shares) {
    std::memmove(offsets + count, offsets + share.begin, std::size_t(share.kept) * sizeof(std::uint64_t));
    if (share.kept) {
      if (share.firstKey < lastKey || !share.ascending) sorted = false;
      lastKey = share.lastKey;
    }
    count += share.kept;
    if (share.error) {
      // The scan in order would have walked no further than this record.
      error = share.error;
      scan.records = std::uint64_t(share.failed) + 1;
      break;
    }
  }
  scan.entries.SetAccepted(count, sorted);
  if (error) std::rethrow_exception(error);
  if (tail != size) throw TruncatedLogError(tail, size);
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
  scan.file.Open(path);
  const std::uint8_t* view = scan.file.data();
  const std::uint64_t size = scan.file.size();
  scan.entries.Prepare(size / Family::kHeader);

  const unsigned threads = ScanThreads<Family>(scan.threads, size);
  if (threads > 1)
    ScanShared<Family, Handler>(scan, view, size, threads);
  else
    ScanInOrder<Family, Handler>(scan, view, size);
  scan.entries.Sort(view, RecordKey);
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
void TFastLog::Sort() { impl_->entries.Sort(impl_->file.data(), RecordKey); }
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
                                                    OnProgress, Threads},
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
                                          Threads},
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
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::uint8_t* id = GetHeader() + host_header::kHostID;
  for (int i = 0; i < 16; ++i) {
    *out++ = kHex[id[i] >> 4];
    *out++ = kHex[id[i] & 0x0F];
  }
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
