#include "viewers/charts.h"

#include <map>

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
  std::map<std::uint32_t, std::int64_t> pending;  // issuer and terminal -> time of the unanswered request

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
    const std::int64_t t = DateTimeMs(time);
    const TRecordKind kind = packet.GetKind();

    const std::uint32_t key = (std::uint32_t(packet.GetEmitentID()) << 16) | packet.GetTerminalID();
    if (kind == rkIncoming) {
      pending[key] = t;
    } else if (kind == rkOutgoing) {
      auto it = pending.find(key);
      if (it != pending.end()) {
        const std::int64_t d = t - it->second;
        charts.latency.push_back({t, time, d < 0 ? -d : d, i});
        pending.erase(it);
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
