// The index's per-record work shared by threads against the scan in file
// order, over damaged, truncated and cut logs of both families, with filters
// that reject, filters that raise and without a filter: the entries, their
// order, the records walked and the error must be the same. Without a filter
// the walk copies the headers from the file instead of reading them through
// the mapping, and must find what a filter that takes every record finds.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include "logs/fastlog.h"
#include "platform/errors.h"
#include "support/record_builder.h"

namespace pkt {
namespace {

using test::Append;
using test::Bytes;
using test::HostRecord;
using test::Stamp;
using test::TerminalRecord;

const Stamp kT0{2016, 4, 6, 13, 29, 48, 5};

struct Outcome {
  std::vector<std::uint64_t> offsets;
  std::uint64_t records = 0;
  std::string error;
  bool operator==(const Outcome&) const = default;
};

// The filter of a case: rejects the records whose kind is a multiple of reject, and raises at the record at offset raiseAt (when set).
struct CaseFilter {
  bool none = false;  // no filter at all
  unsigned reject = 0;
  std::uint64_t raiseAt = ~0ULL;

  template <class Packet>
  bool Skip(const Packet& p) const {
    if (p.GetOffset() == raiseAt) throw ConvertError("'x' is not a valid integer value");
    return reject && p.GetKind() % reject == 0;
  }
};

template <class Log>
Outcome OpenWith(const std::string& path, const CaseFilter& filter, unsigned threads) {
  Log log;
  log.Threads = threads;
  if (!filter.none) log.OnFilter = [&filter](Log&, const auto& packet, bool& skip) { skip = filter.Skip(packet); };
  Outcome outcome;
  try {
    log.Open(path);
  } catch (const std::exception& e) {
    outcome.error = std::string(typeid(e).name()) + ": " + e.what();
  }
  for (std::uint32_t i = 0; i < log.GetCount(); ++i) outcome.offsets.push_back(log.GetPacket(i).GetOffset());
  outcome.records = log.GetRecordCount();
  return outcome;
}

// A log of n records with times that now and then step back (a merged log),
// then damaged by the case's seed: a byte of a record's header overwritten
// (magic values, data length, time stamp), garbage put between records, or
// the file cut anywhere.
template <class Record>
Bytes DamagedLog(std::mt19937& random, int n, std::uint32_t dataLengthAt, std::vector<std::uint64_t>& starts) {
  Bytes log;
  for (int i = 0; i < n; ++i) {
    starts.push_back(log.size());
    const int ms = (i % 97) * 40 + static_cast<int>(random() % 30);
    Bytes body(random() % 24, static_cast<std::uint8_t>(i));
    Append(log, Record().Kind(static_cast<int>(random() % 16)).Time(kT0.PlusMs(ms)).Body(body).Build());
  }
  switch (random() % 5) {
    case 0: break;  // whole
    case 1: log[starts[random() % starts.size()] + random() % 8] ^= 0xFF; break;  // a magic value or time
    case 2:  // a data length: the record's end moves, maybe past the file's
      log[starts[random() % starts.size()] + dataLengthAt + random() % 4] ^= static_cast<std::uint8_t>(1 << random() % 8);
      break;
    case 3: {  // garbage between two records
      const std::size_t at = starts[random() % starts.size()];
      log.insert(log.begin() + static_cast<long>(at), 1 + random() % 120, static_cast<std::uint8_t>(random()));
      break;
    }
    case 4: log.resize(random() % log.size()); break;  // cut anywhere
  }
  return log;
}

template <class Log, class Record>
void CompareOverDamagedLogs(const char* name, std::uint32_t dataLengthAt) {
  test::TempFolder dir;
  std::mt19937 random(20161206);
  for (int round = 0; round < 120; ++round) {
    std::vector<std::uint64_t> starts;
    const Bytes log = DamagedLog<Record>(random, 200 + static_cast<int>(random() % 300), dataLengthAt, starts);
    if (log.empty()) continue;
    const std::string path = dir.Write(name, log);
    CaseFilter filter;
    filter.reject = random() % 4;  // 0: none rejected
    if (random() % 3 == 0) filter.raiseAt = starts[random() % starts.size()];
    CaseFilter none;
    none.none = true;
    EXPECT_TRUE(OpenWith<Log>(path, none, 1) == OpenWith<Log>(path, CaseFilter{}, 1)) << "round " << round;
    for (const CaseFilter& f : {filter, none}) {
      const Outcome inOrder = OpenWith<Log>(path, f, 1);
      for (unsigned threads : {2u, 3u, 7u}) {
        const Outcome shared = OpenWith<Log>(path, f, threads);
        EXPECT_EQ(shared.error, inOrder.error) << "round " << round << ", " << threads << " threads";
        EXPECT_EQ(shared.records, inOrder.records) << "round " << round << ", " << threads << " threads";
        EXPECT_EQ(shared.offsets, inOrder.offsets) << "round " << round << ", " << threads << " threads";
      }
    }
  }
}

TEST(SharedScan, TerminalLogsGiveTheEntriesAndErrorsOfTheScanInOrder) {
  CompareOverDamagedLogs<TTerminalFastLog, TerminalRecord>("NS1_shared.pkt", terminal_header::kDataLength);
}

TEST(SharedScan, HostLogsGiveTheEntriesAndErrorsOfTheScanInOrder) {
  CompareOverDamagedLogs<TH2HFastLog, HostRecord>("H2H_shared.pkt", host_header::kDataLength);
}

// A body that holds copies of records, in the middle of the log: a thread
// looking for a record start there takes a copy for one; the walk from the
// file's start steps over the body and must not join that thread's walk.
template <class Log, class Record>
void CompareOverRecordsInsideABody(const char* name) {
  test::TempFolder dir;
  Bytes body(10000, 0);
  Bytes copies;
  for (int i = 0; i < 6; ++i) Append(copies, Record().Kind(0).Time(kT0.PlusMs(900 + i)).Build());
  std::copy(copies.begin(), copies.end(), body.begin() + 5000);
  Bytes log = Record().Kind(6).Time(kT0).Build();
  Append(log, Record().Kind(0).Time(kT0.PlusMs(1)).Body(body).Build());
  Append(log, Record().Kind(1).Time(kT0.PlusMs(2)).Build());
  const std::string path = dir.Write(name, log);
  const Outcome inOrder = OpenWith<Log>(path, CaseFilter{}, 1);
  EXPECT_EQ(inOrder.records, 3u);
  for (unsigned threads : {2u, 3u}) {
    const Outcome shared = OpenWith<Log>(path, CaseFilter{}, threads);
    EXPECT_EQ(shared.offsets, inOrder.offsets) << threads;
    EXPECT_EQ(shared.records, inOrder.records) << threads;
    EXPECT_EQ(shared.error, inOrder.error) << threads;
  }
}

TEST(SharedScan, RecordsCopiedInsideABodyAreNotTakenForTheWalk) {
  CompareOverRecordsInsideABody<TTerminalFastLog, TerminalRecord>("NS1_copies.pkt");
  CompareOverRecordsInsideABody<TH2HFastLog, HostRecord>("H2H_copies.pkt");
}

TEST(SharedScan, TheFirstErrorInFileOrderWinsAndTheEntriesBeforeItStayUnsorted) {
  test::TempFolder dir;
  Bytes log;
  std::vector<std::uint64_t> starts;
  for (int i = 0; i < 9; ++i) {
    starts.push_back(log.size());
    Append(log, TerminalRecord().Kind(0).Time(kT0.PlusMs(100 - i)).Build());  // times falling
  }
  const std::string path = dir.Write("NS1.pkt", log);
  // Errors at the records 2 and 7: with three threads each lies in another share.
  TTerminalFastLog index;
  index.Threads = 3;
  index.OnFilter = [&](TTerminalFastLog&, const TTerminalPacketHandler& p, bool&) {
    if (p.GetOffset() == starts[7]) throw AppError("later");
    if (p.GetOffset() == starts[2]) throw ConvertError("'x' is not a valid integer value");
  };
  EXPECT_THROW(index.Open(path), ConvertError);
  ASSERT_EQ(index.GetCount(), 2u);
  EXPECT_EQ(index.GetPacket(0).GetOffset(), starts[0]);  // file order: the sort did not run
  EXPECT_EQ(index.GetPacket(1).GetOffset(), starts[1]);
}

}  // namespace
}  // namespace pkt
