// What a chart page is handed for a view: the finest aggregation that fits
// the plot's width, each interval's peak, and at most two points per pixel
// column that keep every peak.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "viewers/chart_plot.h"

namespace pkt {
namespace {

constexpr std::int64_t kDay = 42465LL * 86400000LL;  // 06.04.2016 00:00 as a date-time in ms

// A day of load: one bucket per second, 1 incoming, with a peak of 50 at 12:34:56.
std::shared_ptr<const TTerminalCharts> DayOfLoad() {
  auto charts = std::make_shared<TTerminalCharts>();
  for (std::int64_t s = 0; s < 86400; ++s) {
    TLoadBucket b;
    b.startMs = kDay + s * 1000 + 250;
    b.incoming = s == 45296 ? 50 : 1;
    b.outgoing = s % 7;
    charts->load.push_back(b);
  }
  return charts;
}

// Latencies of responses every 100 ms for an hour, rising and falling, with one slow response.
std::shared_ptr<const TTerminalCharts> HourOfLatency() {
  auto charts = std::make_shared<TTerminalCharts>();
  for (std::uint32_t i = 0; i < 36000; ++i) {
    TLatencyPoint p;
    p.timeMs = kDay + 36000000 + std::int64_t(i) * 100;
    p.latencyMs = i == 20000 ? 9000 : 100 + i % 50;
    p.row = i * 2 + 1;
    charts->latency.push_back(p);
  }
  return charts;
}

std::size_t MostPoints(const TPlot& plot) {
  std::size_t n = 0;
  for (const auto& s : plot.series) n = std::max(n, s.size());
  return n;
}

double Peak(const std::vector<TPlotPoint>& points) {
  double y = 0;
  for (const auto& p : points) y = std::max(y, p.y);
  return y;
}

TEST(ChartPlot, IntervalNamesAndAxisTitles) {
  EXPECT_EQ(ChartIntervalName(0), "");
  EXPECT_EQ(ChartIntervalName(1000), "1 с");
  EXPECT_EQ(ChartIntervalName(10000), "10 с");
  EXPECT_EQ(ChartIntervalName(60000), "1 мин");
  EXPECT_EQ(ChartIntervalName(600000), "10 мин");
  EXPECT_EQ(ChartIntervalName(3600000), "1 ч");
  EXPECT_EQ(ChartAxisTitle("Время", 0), "Время");
  EXPECT_EQ(ChartAxisTitle("Время", 60000), "Время (интервал 1 мин)");
}

TEST(ChartPlot, TheWholeDayIsAggregatedToTheFinestIntervalThatFitsAndKeepsItsPeak) {
  const TChartPlotter plotter(DayOfLoad(), TChartPlotter::Kind::Load);
  ASSERT_EQ(plotter.SeriesCount(), 4);
  // 86,400 seconds on 1,000 columns: 1 440 minutes do not fit, 144 ten-minute intervals do.
  const TPlot day = plotter.Plot(plotter.FirstMs(), plotter.LastMs(), 1000);
  EXPECT_EQ(day.intervalMs, 600000);
  EXPECT_EQ(day.series[0].size(), 144u);
  EXPECT_EQ(Peak(day.series[0]), 50);  // the peak per second of its interval
  EXPECT_EQ(Peak(day.series[1]), 6);
  EXPECT_EQ(day.series[0][0].xMs, kDay);  // an interval's point is at its start
  // Wider plots and narrower views take finer intervals, down to the built seconds.
  EXPECT_EQ(plotter.Plot(plotter.FirstMs(), plotter.LastMs(), 1500).intervalMs, 60000);
  const TPlot hour = plotter.Plot(kDay + 12 * 3600000LL, kDay + 13 * 3600000LL, 800);
  EXPECT_EQ(hour.intervalMs, 10000);
  EXPECT_EQ(Peak(hour.series[0]), 50);
  const TPlot minute = plotter.Plot(kDay + 45296000LL - 30000, kDay + 45296000LL + 30000, 800);
  EXPECT_EQ(minute.intervalMs, 0);
  // 60 built seconds and the nearest one on either side.
  EXPECT_EQ(minute.series[0].size(), 62u);
  EXPECT_EQ(Peak(minute.series[0]), 50);
}

TEST(ChartPlot, NoSeriesGetsMoreThanTwoPointsPerColumnAndPeaksSurvive) {
  const TChartPlotter plotter(HourOfLatency(), TChartPlotter::Kind::Latency);
  for (int width : {1, 3, 17, 200, 640, 1920}) {
    // Even the coarsest interval has more points than a very narrow plot: the columns reduce it.
    const TPlot plot = plotter.Plot(plotter.FirstMs(), plotter.LastMs(), width);
    EXPECT_LE(MostPoints(plot), 2u * width + 2) << width;
    EXPECT_EQ(Peak(plot.series[0]), 9000) << width;
    const auto slow = std::find_if(plot.series[0].begin(), plot.series[0].end(),
                                   [](const TPlotPoint& p) { return p.y == 9000; });
    EXPECT_EQ(slow->row, 40001u) << width;  // the row of the slowest response
    EXPECT_TRUE(std::is_sorted(plot.series[0].begin(), plot.series[0].end(),
                               [](const TPlotPoint& a, const TPlotPoint& b) { return a.xMs < b.xMs; }));
  }
  // A minute around the slow response holds its 600 responses as built.
  const std::int64_t slowAt = kDay + 36000000 + 2000000;
  const TPlot minute = plotter.Plot(slowAt - 30000, slowAt + 29999, 700);
  EXPECT_EQ(minute.intervalMs, 0);
  EXPECT_EQ(minute.series[0].size(), 602u);
  // Ten minutes on 700 columns: one point per second.
  EXPECT_EQ(plotter.Plot(slowAt - 300000, slowAt + 299999, 700).intervalMs, 1000);
}

TEST(ChartPlot, EmptyChartsAndReversedViewsPlotSafely) {
  const TChartPlotter empty(std::make_shared<const TTerminalCharts>(), TChartPlotter::Kind::Latency);
  EXPECT_TRUE(empty.Empty());
  EXPECT_TRUE(empty.Plot(0, 1000, 100).series[0].empty());
  const TChartPlotter none(nullptr, TChartPlotter::Kind::Load);
  EXPECT_EQ(none.Plot(5, -5, 0).series.size(), 4u);
  const TChartPlotter plotter(DayOfLoad(), TChartPlotter::Kind::Load);
  EXPECT_EQ(plotter.Plot(plotter.LastMs(), plotter.FirstMs(), 1000).series[0].size(), 144u);
}

}  // namespace
}  // namespace pkt
