#pragma once
// What a chart page draws for one view of the time axis. A built chart can
// hold millions of points (one per answered request, one per second of
// load); a line series is handed only about two points per pixel column of
// its plot. The points are first aggregated to the finest interval that fits
// the plot's width (the built per-second buckets or the single responses,
// then 1 s, 10 s, 1 min, 10 min, 1 h: the interval's peak per second for the
// load, its maximum latency for the latency), then reduced to the lowest and
// the highest point of every pixel column, so that every peak stays visible.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "viewers/charts.h"

namespace pkt {

namespace chart_text {
// The bottom axis title of an aggregated view: "Время (интервал 10 с)".
inline constexpr const char* kIntervalAxisFormat = "%s (интервал %s)";
}  // namespace chart_text

// The aggregation intervals, finest first; 0 is the points as built.
inline constexpr std::int64_t kChartIntervalsMs[] = {0, 1000, 10000, 60000, 600000, 3600000};

// The interval's name: "1 с", "10 с", "1 мин", "10 мин", "1 ч"; empty for 0.
std::string ChartIntervalName(std::int64_t intervalMs);
// The bottom axis title of a view at an interval: the plain title for the
// points as built (and for the load's own one-second buckets), the title with
// the interval named otherwise.
std::string ChartAxisTitle(const char* title, std::int64_t intervalMs);

// One point that a line series is handed.
struct TPlotPoint {
  std::int64_t xMs = 0;   // date-time (ms): the point as built, or its interval's start
  double y = 0;
  std::uint32_t row = 0;  // latency: the response's row (of the interval's maximum); load: 0
};

// The points of every series of a chart for one view.
struct TPlot {
  std::int64_t intervalMs = 0;                // the aggregation used, 0 for the points as built
  std::vector<std::vector<TPlotPoint>> series;  // per series, X ascending
};

// The series of one chart (the load's four or the latency's one) at every
// aggregation level. It keeps the build alive and reads its finest level
// from it without a copy; the coarser levels are made once, each from the
// one below.
class TChartPlotter {
 public:
  enum class Kind { Load, Latency };

  TChartPlotter(std::shared_ptr<const TTerminalCharts> charts, Kind kind);
  ~TChartPlotter();
  TChartPlotter(const TChartPlotter&) = delete;
  TChartPlotter& operator=(const TChartPlotter&) = delete;

  Kind GetKind() const { return kind_; }
  // The build this plotter reads.
  const TTerminalCharts* Source() const { return charts_.get(); }
  int SeriesCount() const { return kind_ == Kind::Load ? 4 : 1; }
  bool Empty() const;
  // The date-times of the first and the last point as built (0 when empty).
  std::int64_t FirstMs() const;
  std::int64_t LastMs() const;

  // The points of the view from fromMs to toMs (inclusive) on a plot
  // widthPx pixel columns wide: at the finest interval with no more points in
  // the view than columns, then at most the lowest and the highest point of
  // each column per series, plus the nearest point on either side of the view
  // so that the lines run on to its edges.
  TPlot Plot(std::int64_t fromMs, std::int64_t toMs, int widthPx) const;

 private:
  struct Level;
  std::size_t CountIn(const Level& level, std::int64_t fromMs, std::int64_t toMs) const;

  std::shared_ptr<const TTerminalCharts> charts_;
  Kind kind_;
  std::vector<Level> levels_;
};

// The plotters of both chart pages, over the same build. Making them
// aggregates every level of millions of points: the background work makes
// them with the charts, so that the window only hands them to its pages.
struct TChartPlots {
  std::shared_ptr<const TChartPlotter> load;
  std::shared_ptr<const TChartPlotter> latency;
};
TChartPlots MakeChartPlots(std::shared_ptr<const TTerminalCharts> charts);

}  // namespace pkt
