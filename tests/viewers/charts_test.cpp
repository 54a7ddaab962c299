// Load buckets of one second from their first record, and request-response
// pairing per issuer and terminal.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "fixture.h"
#include "platform/errors.h"
#include "viewers/charts.h"

namespace pkt {
namespace {

using namespace test;

struct Charted {
  TempFolder folder;
  TTerminalFastLog log;
  TTerminalCharts charts;
  explicit Charted(const Bytes& bytes) {
    log.Open(folder.Write("NS1_c.pkt", bytes));
    BuildCharts(log, charts);
  }
};

Stamp At(int hour, int minute, int second, int ms) {
  Stamp s;
  s.hour = hour, s.minute = minute, s.second = second, s.ms = ms;
  return s;
}

Bytes Rec(int kind, const Stamp& t, std::uint16_t emitent = 1101, std::uint16_t terminal = 2914) {
  return TerminalRecord().Kind(kind).Time(t).Emitent(emitent).Terminal(terminal).Build();
}

TEST(Charts, BucketsSpanOneSecondFromTheirFirstRecord) {
  Charted c(Join({Rec(0, At(10, 0, 0, 0)), Rec(0, At(10, 0, 0, 400)), Rec(0, At(10, 0, 0, 900)), Rec(0, At(10, 0, 1, 200)),
                  Rec(6, At(10, 0, 2, 199)), Rec(7, At(10, 0, 2, 200)), Rec(2, At(10, 0, 5, 0)), Rec(12, At(10, 0, 5, 999))}));
  const auto& load = c.charts.load;
  ASSERT_EQ(load.size(), 4u);
  EXPECT_EQ(load[0].TimeText(), "2016-04-06 10:00:00.000");
  EXPECT_EQ(load[0].Label(), "06.04.2016 10:00:00");
  EXPECT_EQ(load[0].incoming, 3u);
  // 10:00:01.200 starts the second bucket; 10:00:02.199 is less than a second after it.
  EXPECT_EQ(load[1].TimeText(), "2016-04-06 10:00:01.200");
  EXPECT_EQ(load[1].incoming, 1u);
  EXPECT_EQ(load[1].connects, 1u);
  EXPECT_EQ(load[2].TimeText(), "2016-04-06 10:00:02.200");
  EXPECT_EQ(load[2].disconnects, 1u);
  // Kinds 2 and 12 open and join a bucket but count in no series.
  EXPECT_EQ(load[3].TimeText(), "2016-04-06 10:00:05.000");
  EXPECT_EQ(load[3].incoming + load[3].outgoing + load[3].connects + load[3].disconnects, 0u);
  EXPECT_EQ(load[1].startMs - load[0].startMs, 1200);

  const auto incoming = LoadSeriesPoints(c.charts, TLoadSeries::Incoming);
  ASSERT_EQ(incoming.size(), 4u);
  EXPECT_EQ(incoming[0].y, 3.0);
  EXPECT_EQ(incoming[0].xMs, load[0].startMs);
  EXPECT_EQ(incoming[0].label, "06.04.2016 10:00:00");
  EXPECT_EQ(LoadSeriesPoints(c.charts, TLoadSeries::Disconnects)[2].y, 1.0);
}

TEST(Charts, LatencyPairsAResponseWithTheLastPendingRequestOfItsTerminal) {
  Charted c(Join({Rec(0, At(10, 0, 0, 0)),                    // row 0: request 1101/2914
                  Rec(0, At(10, 0, 0, 100), 1101, 2915),      // row 1: request of another terminal
                  Rec(0, At(10, 0, 0, 200)),                  // row 2: second request replaces the first
                  Rec(1, At(10, 0, 0, 450)),                  // row 3: response: 250 ms after row 2
                  Rec(1, At(10, 0, 0, 500)),                  // row 4: no pending request left
                  Rec(1, At(10, 0, 1, 100), 1101, 2915),      // row 5: 1000 ms after row 1
                  Rec(1, At(10, 0, 1, 200), 1102, 2914)}));   // row 6: another issuer
  const auto& lat = c.charts.latency;
  ASSERT_EQ(lat.size(), 2u);
  EXPECT_EQ(lat[0].latencyMs, 250);
  EXPECT_EQ(lat[0].row, 3u);
  EXPECT_EQ(lat[0].TimeText(), "2016-04-06 10:00:00.450");
  EXPECT_EQ(lat[1].latencyMs, 1000);
  EXPECT_EQ(lat[1].row, 5u);
  const auto points = LatencySeriesPoints(c.charts);
  EXPECT_EQ(points[0].label, "3");
  EXPECT_EQ(points[0].y, 250.0);
  EXPECT_EQ(points[0].xMs, lat[0].timeMs);
}

TEST(Charts, RecordsAtTheStartOfTheDateScaleStillFormBuckets) {
  // 30 December 1899 at midnight is the date-time 0; 1 January 1800 is negative.
  Stamp zero;
  zero.year = 1899, zero.month = 12, zero.day = 30, zero.hour = 0, zero.minute = 0, zero.second = 0, zero.ms = 0;
  Stamp early = zero;
  early.year = 1800, early.month = 1, early.day = 1;
  Charted c(Join({Rec(6, early), Rec(0, zero), Rec(0, zero.PlusMs(500)), Rec(7, zero.PlusMs(2000))}));
  ASSERT_EQ(c.charts.load.size(), 3u);
  EXPECT_EQ(c.charts.load[0].connects, 1u);
  EXPECT_EQ(c.charts.load[1].startMs, 0);
  EXPECT_EQ(c.charts.load[1].incoming, 2u);
  EXPECT_EQ(c.charts.load[1].Label(), "30.12.1899");
  EXPECT_EQ(c.charts.load[2].disconnects, 1u);
}

TEST(Charts, AnInvalidTimeStampStopsTheBuildKeepingThePointsSoFar) {
  Stamp bad = At(10, 0, 3, 0);
  bad.day = 31;  // 31 April
  TempFolder folder;
  TTerminalFastLog log;
  log.Open(folder.Write("NS1_c.pkt", Join({Rec(0, At(10, 0, 0, 0)), Rec(1, At(10, 0, 0, 10)), Rec(0, At(10, 0, 2, 0)), Rec(0, bad)})));
  TTerminalCharts charts;
  // Wherever the index sorts the bad record, the build raises and keeps what came before it.
  EXPECT_THROW(BuildCharts(log, charts), ConvertError);
  EXPECT_LE(charts.load.size(), 1u);

  TTerminalFastLog empty;
  TTerminalCharts none;
  none.load.push_back({});
  EXPECT_NO_THROW(BuildCharts(empty, none));  // never opened: no records
  EXPECT_TRUE(none.load.empty() && none.latency.empty());
}

TEST(Charts, ABadTimeOfDayOnTheDateOfTheRecordBeforeStillStopsTheBuild) {
  // The date of a run of records is worked out once; a later record of the
  // same date with an hour out of range must still raise.
  Stamp bad = At(10, 0, 3, 0);
  bad.hour = 24;
  TempFolder folder;
  TTerminalFastLog log;
  log.Open(folder.Write("NS1_c.pkt", Join({Rec(0, At(10, 0, 0, 0)), Rec(0, bad)})));
  TTerminalCharts charts;
  EXPECT_THROW(BuildCharts(log, charts), ConvertError);
}

TEST(Charts, ManyTerminalsPairLikeAMapOfPendingRequests) {
  // Requests and responses of three thousand terminals over three days, many
  // left pending at once: each response pairs with the last request of its
  // issuer and terminal not yet answered, as a map of pending requests says.
  std::mt19937 random(20160406);
  Bytes log;
  struct Expected {
    std::uint32_t row;
    std::int64_t latencyMs;
  };
  std::vector<Expected> expected;
  std::map<std::uint32_t, std::int64_t> pending;
  std::int64_t clock = 0;  // ms since the first record
  const Stamp first = At(23, 0, 0, 0);
  for (std::uint32_t row = 0; row < 6000; ++row) {
    clock += 1 + static_cast<int>(random() % 50000);
    const std::int64_t dayMs = 86'400'000;
    const std::int64_t sinceMidnight = 23LL * 3'600'000 + clock;
    Stamp midnight = At(0, 0, 0, 0);
    midnight.day = first.day + static_cast<int>(sinceMidnight / dayMs);
    const Stamp t = midnight.PlusMs(static_cast<int>(sinceMidnight % dayMs));
    const auto emitent = static_cast<std::uint16_t>(1 + random() % 3);
    const auto terminal = static_cast<std::uint16_t>(random() % 1000);
    const std::uint32_t key = (std::uint32_t(emitent) << 16) | terminal;
    const int kind = random() % 5 < 3 ? 0 : 1;
    const Bytes record = Rec(kind, t, emitent, terminal);
    log.insert(log.end(), record.begin(), record.end());
    if (kind == 0) {
      pending[key] = clock;
    } else if (auto it = pending.find(key); it != pending.end()) {
      expected.push_back({row, clock - it->second});
      pending.erase(it);
    }
  }
  Charted c(log);
  ASSERT_EQ(c.log.GetCount(), 6000u);
  ASSERT_EQ(c.charts.latency.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(c.charts.latency[i].row, expected[i].row) << i;
    ASSERT_EQ(c.charts.latency[i].latencyMs, expected[i].latencyMs) << i;
  }
  EXPECT_GT(c.charts.latency.back().time.wDay, first.day);  // the records ran into later days
}

}  // namespace
}  // namespace pkt
