#pragma once
// The two chart pages of the terminal viewer: "Нагрузка" (messages in and
// out, connects and disconnects per second) and "Задержки" (the latency of
// each answered request). They show the points that the viewer's BuildCharts
// computed; each build replaces every series' points at once.
#include <QChartView>
#include <QColor>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QValueAxis>

#include <string>
#include <vector>

#include "viewers/charts.h"

namespace pkt {

// One chart page: a chart with a date-time bottom axis, a value left axis and
// line series without marks whose X values ascend.
class TChartPage : public QChartView {
  Q_OBJECT
 public:
  struct SeriesStyle {
    const char* title;
    QColor colour;
  };
  TChartPage(const char* title, const char* bottomAxis, const char* leftAxis, const std::vector<SeriesStyle>& series,
             QWidget* parent = nullptr);

  // Replaces the points of series i (one replace per build); the labels go with the points.
  void SetPoints(int series, const std::vector<TChartPoint>& points);
  // Fits the axes to the points of all series.
  void FitAxes();

  QChart* Chart() const { return chart(); }
  QLineSeries* Series(int i) const { return series_[i]; }
  int SeriesCount() const { return static_cast<int>(series_.size()); }
  QDateTimeAxis* BottomAxis() const { return bottom_; }
  QValueAxis* LeftAxis() const { return left_; }
  // The label of point j of series i.
  QString PointLabel(int series, int point) const;

 private:
  void ShowPointLabel(int series, const QPointF& point, bool state);

  std::vector<QLineSeries*> series_;
  std::vector<QStringList> labels_;
  QDateTimeAxis* bottom_;
  QValueAxis* left_;
};

// The load page: "Входящие/сек" green, "Исходящие/сек" red, "Подключения"
// yellow, "Отключения" blue.
TChartPage* CreateLoadChart(QWidget* parent);
// The latency page: "Задержки" red.
TChartPage* CreateLatencyChart(QWidget* parent);

// Shows the charts of a build on the two pages.
void ShowTerminalCharts(const TTerminalCharts& charts, TChartPage& load, TChartPage& latency);

// The X value of a chart point for the date-time axis: the record's local time
// as milliseconds since the epoch.
qint64 ChartX(std::int64_t dateTimeMs);

}  // namespace pkt
