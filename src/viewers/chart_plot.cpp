#include "viewers/chart_plot.h"

#include <algorithm>
#include <span>

#include "text/format.h"

namespace pkt {

namespace {

std::int64_t FloorTo(std::int64_t t, std::int64_t interval) {
  std::int64_t q = t / interval;
  if (t % interval < 0) --q;
  return q * interval;
}

std::int64_t XOf(const TLoadBucket& b) { return b.startMs; }
std::int64_t XOf(const TLatencyPoint& p) { return p.timeMs; }

// The point of series of an element at any level.
TPlotPoint PointOf(const TLoadBucket& b, int series) {
  std::uint64_t y = 0;
  switch (series) {
    case 0: y = b.incoming; break;
    case 1: y = b.outgoing; break;
    case 2: y = b.connects; break;
    default: y = b.disconnects; break;
  }
  return {b.startMs, static_cast<double>(y), 0};
}
TPlotPoint PointOf(const TLatencyPoint& p, int) { return {p.timeMs, static_cast<double>(p.latencyMs), p.row}; }

// Joins an element into the interval's aggregate: the peak of each counter,
// or the greatest latency with its response's row (the first of equal ones).
void Join(TLoadBucket& into, const TLoadBucket& b) {
  into.incoming = std::max(into.incoming, b.incoming);
  into.outgoing = std::max(into.outgoing, b.outgoing);
  into.connects = std::max(into.connects, b.connects);
  into.disconnects = std::max(into.disconnects, b.disconnects);
}
void Join(TLatencyPoint& into, const TLatencyPoint& p) {
  if (p.latencyMs > into.latencyMs) {
    into.latencyMs = p.latencyMs;
    into.row = p.row;
  }
}
void SetX(TLoadBucket& b, std::int64_t x) { b.startMs = x; }
void SetX(TLatencyPoint& p, std::int64_t x) { p.timeMs = x; }

// The aggregate of finer elements (X ascending) per interval, at the interval's start.
template <class T>
TLargeVector<T> Aggregate(std::span<const T> finer, std::int64_t interval) {
  TLargeVector<T> out;
  for (const T& e : finer) {
    const std::int64_t start = FloorTo(XOf(e), interval);
    if (out.empty() || XOf(out.back()) != start) {
      T first = e;
      SetX(first, start);
      out.push_back(first);
      continue;
    }
    Join(out.back(), e);
  }
  return out;
}

template <class T>
std::size_t LowerBound(std::span<const T> v, std::int64_t x) {
  return static_cast<std::size_t>(
      std::lower_bound(v.begin(), v.end(), x, [](const T& e, std::int64_t t) { return XOf(e) < t; }) - v.begin());
}
template <class T>
std::size_t UpperBound(std::span<const T> v, std::int64_t x) {
  return static_cast<std::size_t>(
      std::upper_bound(v.begin(), v.end(), x, [](std::int64_t t, const T& e) { return t < XOf(e); }) - v.begin());
}

// The points of [from, to] of one level per series: all of them when they
// fit twice the columns, else the lowest and the highest of each column in
// X order; the nearest point outside on either side goes with them.
template <class T>
void PlotLevel(std::span<const T> v, std::int64_t from, std::int64_t to, int width, TPlot& plot) {
  const std::size_t i0 = LowerBound(v, from), i1 = UpperBound(v, to);
  const auto columns = static_cast<std::size_t>(width);
  const bool reduce = i1 - i0 > 2 * columns;
  const double span = static_cast<double>(to - from) + 1;
  for (std::size_t s = 0; s < plot.series.size(); ++s) {
    const int series = static_cast<int>(s);
    std::vector<TPlotPoint>& out = plot.series[s];
    out.reserve(std::min(i1 - i0, 2 * columns) + 2);
    if (i0 > 0) out.push_back(PointOf(v[i0 - 1], series));
    if (!reduce) {
      for (std::size_t i = i0; i < i1; ++i) out.push_back(PointOf(v[i], series));
    } else {
      std::size_t i = i0;
      while (i < i1) {
        const auto column = static_cast<std::int64_t>(static_cast<double>(XOf(v[i]) - from) * width / span);
        TPlotPoint low = PointOf(v[i], series), high = low;
        std::size_t lowAt = i, highAt = i;
        for (++i; i < i1; ++i) {
          if (static_cast<std::int64_t>(static_cast<double>(XOf(v[i]) - from) * width / span) != column) break;
          const TPlotPoint p = PointOf(v[i], series);
          if (p.y < low.y) low = p, lowAt = i;
          if (p.y > high.y) high = p, highAt = i;
        }
        if (lowAt == highAt) {
          out.push_back(low);
        } else if (lowAt < highAt) {
          out.push_back(low), out.push_back(high);
        } else {
          out.push_back(high), out.push_back(low);
        }
      }
    }
    if (i1 < v.size()) out.push_back(PointOf(v[i1], series));
  }
}

}  // namespace

std::string ChartIntervalName(std::int64_t intervalMs) {
  if (intervalMs <= 0) return {};
  if (intervalMs % 3600000 == 0) return format("%lld ч", static_cast<long long>(intervalMs / 3600000));
  if (intervalMs % 60000 == 0) return format("%lld мин", static_cast<long long>(intervalMs / 60000));
  if (intervalMs % 1000 == 0) return format("%lld с", static_cast<long long>(intervalMs / 1000));
  return format("%lld мс", static_cast<long long>(intervalMs));
}

std::string ChartAxisTitle(const char* title, std::int64_t intervalMs) {
  if (intervalMs <= 0) return title;
  return format(chart_text::kIntervalAxisFormat, title, ChartIntervalName(intervalMs).c_str());
}

struct TChartPlotter::Level {
  std::int64_t intervalMs = 0;
  TLargeVector<TLoadBucket> load;       // coarser levels of the load chart
  TLargeVector<TLatencyPoint> latency;  // coarser levels of the latency chart
};

TChartPlotter::TChartPlotter(std::shared_ptr<const TTerminalCharts> charts, Kind kind)
    : charts_(charts ? std::move(charts) : std::make_shared<const TTerminalCharts>()), kind_(kind) {
  levels_.push_back(Level{});
  for (std::int64_t interval : kChartIntervalsMs) {
    // The load's built buckets already span one second each.
    if (interval == 0 || (kind_ == Kind::Load && interval == 1000)) continue;
    const Level& finer = levels_.back();
    Level level;
    level.intervalMs = interval;
    if (kind_ == Kind::Load)
      level.load = Aggregate<TLoadBucket>(finer.intervalMs ? std::span<const TLoadBucket>(finer.load)
                                                           : std::span<const TLoadBucket>(charts_->load),
                                          interval);
    else
      level.latency = Aggregate<TLatencyPoint>(finer.intervalMs ? std::span<const TLatencyPoint>(finer.latency)
                                                                : std::span<const TLatencyPoint>(charts_->latency),
                                               interval);
    levels_.push_back(std::move(level));
  }
}

TChartPlotter::~TChartPlotter() = default;

bool TChartPlotter::Empty() const {
  return kind_ == Kind::Load ? charts_->load.empty() : charts_->latency.empty();
}

std::int64_t TChartPlotter::FirstMs() const {
  if (Empty()) return 0;
  return kind_ == Kind::Load ? charts_->load.front().startMs : charts_->latency.front().timeMs;
}

std::int64_t TChartPlotter::LastMs() const {
  if (Empty()) return 0;
  return kind_ == Kind::Load ? charts_->load.back().startMs : charts_->latency.back().timeMs;
}

std::size_t TChartPlotter::CountIn(const Level& level, std::int64_t fromMs, std::int64_t toMs) const {
  if (kind_ == Kind::Load) {
    std::span<const TLoadBucket> v = level.intervalMs ? level.load : charts_->load;
    return UpperBound(v, toMs) - LowerBound(v, fromMs);
  }
  std::span<const TLatencyPoint> v = level.intervalMs ? level.latency : charts_->latency;
  return UpperBound(v, toMs) - LowerBound(v, fromMs);
}

TPlot TChartPlotter::Plot(std::int64_t fromMs, std::int64_t toMs, int widthPx) const {
  if (toMs < fromMs) std::swap(fromMs, toMs);
  widthPx = std::max(widthPx, 1);
  // The finest level whose points in the view fit the columns; the coarsest
  // when none does (the reduction per column then keeps the count).
  const Level* level = &levels_.back();
  for (const Level& l : levels_) {
    if (CountIn(l, fromMs, toMs) <= static_cast<std::size_t>(widthPx)) {
      level = &l;
      break;
    }
  }
  TPlot plot;
  plot.intervalMs = level->intervalMs;
  plot.series.resize(static_cast<std::size_t>(SeriesCount()));
  if (kind_ == Kind::Load)
    PlotLevel<TLoadBucket>(level->intervalMs ? level->load : charts_->load, fromMs, toMs, widthPx, plot);
  else
    PlotLevel<TLatencyPoint>(level->intervalMs ? level->latency : charts_->latency, fromMs, toMs, widthPx, plot);
  return plot;
}

TChartPlots MakeChartPlots(std::shared_ptr<const TTerminalCharts> charts) {
  TChartPlots plots;
  plots.load = std::make_shared<const TChartPlotter>(charts, TChartPlotter::Kind::Load);
  plots.latency = std::make_shared<const TChartPlotter>(std::move(charts), TChartPlotter::Kind::Latency);
  return plots;
}

}  // namespace pkt
