#include "viewers/charts.h"

#include <vector>

#include "text/format.h"
#include "viewers/viewer_common.h"

namespace pkt {

namespace {
// Civil date of a day count since 1 January 1970 (proleptic Gregorian).
void CivilFromDays(std::int64_t z, int& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

constexpr std::uint64_t kProgressStep = 65536;

// The unanswered requests, by issuer and terminal: the time of each. Open
// addressing with linear probing in one array, so a request and its
// response cost a probe or two and no allocation; deleting shifts the
// entries behind back, so no mark of a deleted entry is left to step over.
class TPendingRequests {
 public:
  TPendingRequests() { slots_.assign(kInitialSlots, Slot{}); }

  // Remembers the request of key at time t, replacing an earlier one.
  void Set(std::uint32_t key, std::int64_t t) {
    std::size_t i = Home(key);
    for (; slots_[i].key != kEmpty; i = Next(i)) {
      if (slots_[i].key == key) {
        slots_[i].t = t;
        return;
      }
    }
    slots_[i] = {key, t};
    if (++count_ * 2 > slots_.size()) Grow();
  }

  // The time of key's request, forgotten once taken; false when there is none.
  bool Take(std::uint32_t key, std::int64_t& t) {
    std::size_t i = Home(key);
    for (; slots_[i].key != key; i = Next(i))
      if (slots_[i].key == kEmpty) return false;
    t = slots_[i].t;
    // Backward shift: move up each later entry of the run whose home does
    // not lie between the hole and itself.
    for (std::size_t hole = i, j = Next(i);; j = Next(j)) {
      if (slots_[j].key == kEmpty) {
        slots_[hole].key = kEmpty;
        break;
      }
      const std::size_t home = Home(static_cast<std::uint32_t>(slots_[j].key));
      const bool stays = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
      if (!stays) {
        slots_[hole] = slots_[j];
        hole = j;
      }
    }
    --count_;
    return true;
  }

 private:
  static constexpr std::uint64_t kEmpty = ~std::uint64_t(0);  // no 32-bit key is this
  static constexpr std::size_t kInitialSlots = 1024;
  struct Slot {
    std::uint64_t key = kEmpty;
    std::int64_t t = 0;
  };

  std::size_t Home(std::uint32_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & (slots_.size() - 1);
  }
  std::size_t Next(std::size_t i) const { return (i + 1) & (slots_.size() - 1); }

  void Grow() {
    std::vector<Slot> old(slots_.size() * 2, Slot{});
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.key == kEmpty) continue;
      std::size_t i = Home(static_cast<std::uint32_t>(slot.key));
      while (slots_[i].key != kEmpty) i = Next(i);
      slots_[i] = slot;
    }
  }

  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};
}  // namespace

std::string ChartLabelText(std::int64_t dateTimeMs) {
  const std::int64_t days = DayOf(dateTimeMs);
  const std::int64_t msOfDay = dateTimeMs - days * kDayMs;
  int y;
  unsigned m, d;
  CivilFromDays(days - 25569, y, m, d);
  std::string text = format("%.2u.%.2u.%.4d", d, m, y);
  if (msOfDay != 0) {
    const unsigned s = static_cast<unsigned>(msOfDay / 1000);
    appendf(text, " %.2u:%.2u:%.2u", s / 3600, s / 60 % 60, s % 60);
  }
  return text;
}

std::string TLoadBucket::Label() const { return ChartLabelText(startMs); }

std::vector<TChartPoint> LoadSeriesPoints(const TTerminalCharts& charts, TLoadSeries series) {
  std::vector<TChartPoint> points;
  points.reserve(charts.load.size());
  for (const TLoadBucket& b : charts.load) {
    std::uint64_t y = 0;
    switch (series) {
      case TLoadSeries::Incoming: y = b.incoming; break;
      case TLoadSeries::Outgoing: y = b.outgoing; break;
      case TLoadSeries::Connects: y = b.connects; break;
      case TLoadSeries::Disconnects: y = b.disconnects; break;
    }
    points.push_back({b.startMs, static_cast<double>(y), b.Label()});
  }
  return points;
}

std::vector<TChartPoint> LatencySeriesPoints(const TTerminalCharts& charts) {
  std::vector<TChartPoint> points;
  points.reserve(charts.latency.size());
  for (const TLatencyPoint& p : charts.latency)
    points.push_back({p.timeMs, static_cast<double>(p.latencyMs), format("%u", p.row)});
  return points;
}

void BuildCharts(const TTerminalFastLog& log, TTerminalCharts& charts, const TProgress& progress) {
  charts.Clear();
  // Whether a bucket has been started is kept apart from its start time: a
  // record stamped at or before 30 December 1899 has a date-time of 0 or less
  // and must still open and count in a bucket of its own.
  bool haveBucket = false;
  TLoadBucket bucket;
  TPendingRequests pending;  // issuer and terminal -> time of the unanswered request
  TDateTimeMsOfRun dateTimeMs;

  auto count = [&bucket](TRecordKind kind) {
    switch (kind) {
      case rkIncoming: ++bucket.incoming; break;
      case rkOutgoing: ++bucket.outgoing; break;
      case rkConnect: ++bucket.connects; break;
      case rkDisconnect: ++bucket.disconnects; break;
      default: break;
    }
  };

  const std::uint32_t n = log.GetCount();
  for (std::uint32_t i = 0; i < n; ++i) {
    if (progress && i % kProgressStep == 0) progress(TWorkStage::Charts, i, n);
    const TTerminalPacketHandler packet = log.GetPacket(i);
    const TSystemTime time = packet.GetSystemTime();
    const std::int64_t t = dateTimeMs(time);
    const TRecordKind kind = packet.GetKind();

    const std::uint32_t key = (std::uint32_t(packet.GetEmitentID()) << 16) | packet.GetTerminalID();
    if (kind == rkIncoming) {
      pending.Set(key, t);
    } else if (kind == rkOutgoing) {
      std::int64_t requested;
      if (pending.Take(key, requested)) {
        const std::int64_t d = t - requested;
        charts.latency.push_back({t, time, d < 0 ? -d : d, i});
      }
    }

    // Whole seconds since the bucket's first record, truncated toward zero.
    if (!haveBucket || (t - bucket.startMs) / 1000 != 0) {
      if (haveBucket) charts.load.push_back(std::move(bucket));
      bucket = TLoadBucket{};
      bucket.startMs = t;
      bucket.time = time;
      haveBucket = true;
    }
    count(kind);
  }
  if (haveBucket) charts.load.push_back(std::move(bucket));
  if (progress) progress(TWorkStage::Charts, n, n);
}

}  // namespace pkt
