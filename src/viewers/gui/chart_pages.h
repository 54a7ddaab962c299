#pragma once
// The two chart pages of the terminal viewer: "Нагрузка" (messages in and
// out, connects and disconnects per second) and "Задержки" (the latency of
// each answered request). They show the points that the viewer's BuildCharts
// computed, never more than about two per pixel column of the plot: the
// view is aggregated and reduced by the core's TChartPlotter whenever it
// changes. The wheel zooms the time axis, a rubber band (left button) picks
// a range, dragging with the right or middle button pans, "Весь журнал"
// shows the whole log again; the tooltip names the time and the values under
// the cursor, and a click on a latency point asks for its response's row.
#include <QChartView>
#include <QColor>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QRubberBand>
#include <QStackedLayout>
#include <QValueAxis>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "viewers/chart_plot.h"
#include "viewers/charts.h"

namespace pkt {

class TChartPage;

// The chart itself, with the mouse and the wheel: it tells the page what the
// operator asked for and draws nothing of its own.
class TChartCanvas : public QChartView {
  Q_OBJECT
 public:
  explicit TChartCanvas(TChartPage& page);

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  TChartPage& page_;
  QRubberBand* band_ = nullptr;
  std::optional<QPoint> bandFrom_;  // where the left button went down
  std::optional<QPoint> panFrom_;   // where the right or middle button went down, then the last move
};

// One chart page: a chart with a date-time bottom axis, a value left axis and
// line series without marks whose X values ascend; "Строится…" in its place
// while the charts are being built.
class TChartPage : public QWidget {
  Q_OBJECT
 public:
  struct SeriesStyle {
    const char* title;
    QColor colour;
  };
  TChartPage(TChartPlotter::Kind kind, const char* title, const char* bottomAxis, const char* leftAxis,
             const std::vector<SeriesStyle>& series, QWidget* parent = nullptr);
  ~TChartPage() override;

  // The page says "Строится…" and lets go of the charts it showed.
  void ShowBuilding();
  // Shows a build of the charts through its plotter (made off the window's
  // thread), the whole log in view. The page keeps the build (no copy is
  // made) and hands each series only what the view needs.
  void ShowCharts(std::shared_ptr<const TChartPlotter> plotter);
  // The plotter of the charts shown; null while building.
  const TChartPlotter* Plotter() const { return plotter_.get(); }
  // Whether the page says "Строится…".
  bool IsBuilding() const;

  // The view of the time axis (date-times in ms); it is kept inside the log.
  void SetView(std::int64_t fromMs, std::int64_t toMs);
  std::int64_t ViewFromMs() const { return viewFrom_; }
  std::int64_t ViewToMs() const { return viewTo_; }
  // "Весь журнал": the whole log in view.
  void ShowWholeLog();
  // Zooms the time axis around the date-time at by factor (below 1 zooms in).
  void Zoom(std::int64_t atMs, double factor);
  // Moves the view by ms (positive: later).
  void Pan(std::int64_t ms);
  // The aggregation of the points shown (0: as built).
  std::int64_t IntervalMs() const { return plot_.intervalMs; }
  // The width of the plot in pixels, as the series were last reduced for it.
  int PlotWidth() const { return plottedWidth_; }

  // The date-time under an X position of the canvas.
  std::int64_t TimeAt(qreal canvasX) const;
  // The text of the tooltip at an X position of the canvas: the time and
  // every series' value there; empty outside the plot or without points.
  QString ToolTipAt(qreal canvasX) const;
  // The row of the latency point under a position of the canvas (within a
  // few pixels), if there is one.
  std::optional<std::uint32_t> RowAt(const QPointF& canvasPos) const;

  QChart* Chart() const { return canvas_->chart(); }
  TChartCanvas* Canvas() const { return canvas_; }
  QLineSeries* Series(int i) const { return series_[i]; }
  int SeriesCount() const { return static_cast<int>(series_.size()); }
  QDateTimeAxis* BottomAxis() const { return bottom_; }
  QValueAxis* LeftAxis() const { return left_; }
  QPushButton* WholeLogButton() const { return whole_; }
  QLabel* BuildingLabel() const { return building_; }
  // The label of shown point j of series i: its time, or the response's row on the latency page.
  QString PointLabel(int series, int point) const;

 signals:
  // A click on a latency point: the response's row.
  void rowClicked(std::uint32_t row);

 private:
  friend class TChartCanvas;
  // Hands each series the points of the view on the plot's current width.
  void Replot();
  void ClearSeries();

  TChartPlotter::Kind kind_;
  std::string bottomTitle_;
  TChartCanvas* canvas_;
  QStackedLayout* stack_;
  QLabel* building_;
  QPushButton* whole_;
  std::vector<QLineSeries*> series_;
  QDateTimeAxis* bottom_;
  QValueAxis* left_;
  std::shared_ptr<const TChartPlotter> plotter_;
  TPlot plot_;
  std::int64_t viewFrom_ = 0, viewTo_ = 0;
  int plottedWidth_ = 0;
  bool replotting_ = false;
};

// The load page: "Входящие/сек" green, "Исходящие/сек" red, "Подключения"
// amber, "Отключения" blue.
TChartPage* CreateLoadChart(QWidget* parent);
// The latency page: "Задержки" red.
TChartPage* CreateLatencyChart(QWidget* parent);

// Shows a build of the charts on the two pages, which share it.
void ShowTerminalCharts(const TChartPlots& plots, TChartPage& load, TChartPage& latency);
// Both pages say "Строится…".
void ShowChartsBuilding(TChartPage& load, TChartPage& latency);

// The X value of a chart point for the date-time axis: the record's local time
// as milliseconds since the epoch.
qint64 ChartX(std::int64_t dateTimeMs);

}  // namespace pkt
