#pragma once
// Checks of an index after Open, shared by the two index targets: every entry
// is a whole header with both magic values inside the mapped view, offsets are
// unique, and entries whose time stamps are dates follow each other by (time,
// offset). Where records with undatable time stamps go is the index's choice;
// only the order among the datable ones is fixed.
#include <cstdint>
#include <exception>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/systime.h"
#include "viewers/filter.h"
#include "viewers/viewer_common.h"

namespace pkt::fuzz {

// The time range and kind boxes of a filter panel from the bits of the input's
// first byte: bit 2 checks a start at 06.04.2016 13:00, bit 3 an end at 14:00,
// bits 4 to 6 uncheck incoming, key exchange and authentication, connects and
// disconnects.
inline void SetTimeAndKinds(std::uint8_t flags, TTimeBounds& time, TKindBoxes& kinds) {
  constexpr std::int64_t k2016_04_06 = 42466 * kDayMs;
  time.startChecked = flags & 0x04;
  time.startMs = k2016_04_06 + 13 * 3600000;
  time.endChecked = flags & 0x08;
  time.endMs = k2016_04_06 + 14 * 3600000;
  kinds.incoming = !(flags & 0x10);
  kinds.keyExchange = kinds.authentication = !(flags & 0x20);
  kinds.connects = kinds.disconnects = !(flags & 0x40);
}

inline std::uint16_t LE16At(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

template <class Log>
void CheckEntries(const Log& log, std::uint32_t headerSize, std::uint16_t magic1, std::uint16_t magic2,
                  std::uint32_t secondMagicAt, bool sorted) {
  const std::uint8_t* view = log.GetView();
  const std::uint64_t viewSize = log.GetViewSize();
  std::set<std::uint64_t> offsets;
  bool havePrevious = false;
  std::uint64_t previousTime = 0, previousOffset = 0;
  for (std::uint32_t i = 0; i < log.GetCount(); ++i) {
    const auto packet = log.GetPacket(i);
    const std::uint64_t offset = packet.GetOffset();
    if (!view || offset + headerSize > viewSize) Fail("entry whose header is not inside the view");
    if (LE16At(view + offset) != magic1 || LE16At(view + offset + secondMagicAt) != magic2)
      Fail("entry without both magic values");
    if (!offsets.insert(offset).second) Fail("two entries of one offset");
    if (packet.GetBody() != view + offset + headerSize) Fail("body does not follow the header");
    if (offset + headerSize + packet.GetBodySize() > viewSize) Fail("body size reaches past the view");
    if (packet.GetBodySize() > packet.GetDataLength()) Fail("body size above the data length");
    if (!sorted) continue;
    std::uint64_t time = 0;
    if (!TryFileTime(packet.GetSystemTime(), time)) continue;
    if (havePrevious && (time < previousTime || (time == previousTime && offset < previousOffset)))
      Fail("entries out of (time, offset) order");
    havePrevious = true;
    previousTime = time;
    previousOffset = offset;
  }
}

// What an Open left: the entries in order, the records walked and the error raised.
struct ScanOutcome {
  std::vector<std::uint64_t> offsets;
  std::uint64_t records = 0;
  std::string error;  // the error's type and message; empty when Open succeeded

  bool operator==(const ScanOutcome&) const = default;
};

template <class Log, class Event>
ScanOutcome OpenWithThreads(const std::string& path, const Event& filter, unsigned threads) {
  Log log;
  log.OnFilter = filter;
  log.Threads = threads;
  ScanOutcome outcome;
  try {
    log.Open(path);
  } catch (const std::exception& e) {
    outcome.error = std::string(typeid(e).name()) + ": " + e.what();
  }
  for (std::uint32_t i = 0; i < log.GetCount(); ++i) outcome.offsets.push_back(log.GetPacket(i).GetOffset());
  outcome.records = log.GetRecordCount();
  return outcome;
}

// The scan shared by two and by three threads leaves what the scan in file
// order leaves: the same entries in the same order, the same error. Without a
// filter the walk copies the headers rather than read them through the
// mapping, and leaves what a filter that takes every record leaves.
template <class Log, class Event>
void CompareSharedScans(const std::string& path, const Event& filter) {
  const ScanOutcome inOrder = OpenWithThreads<Log>(path, filter, 1);
  if (!filter && !(OpenWithThreads<Log>(path, Event([](Log&, const auto&, bool&) {}), 1) == inOrder))
    Fail("the walk that copies the headers differs from the walk through the mapping");
  for (unsigned threads : {2u, 3u})
    if (!(OpenWithThreads<Log>(path, filter, threads) == inOrder)) Fail("a shared scan differs from the scan in order");
}

}  // namespace pkt::fuzz
