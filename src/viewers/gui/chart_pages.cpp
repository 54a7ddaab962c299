#include "viewers/gui/chart_pages.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "viewers/viewer_common.h"

namespace pkt {

namespace {
// The colours of the series, as the operators know them; the connects are
// amber, which reads on white where a pure yellow does not.
const QColor kGreen(0x00, 0x80, 0x00);
const QColor kRed(0xFF, 0x00, 0x00);
const QColor kAmber(0xE6, 0x9F, 0x00);
const QColor kBlue(0x00, 0x00, 0xFF);

// The narrowest view of the time axis, and the widest is the whole log (or this).
constexpr std::int64_t kMinViewMs = 1000;
// How far the mouse must move with the left button down before it draws a
// rubber band instead of clicking, and how near a click must be to a point.
constexpr int kDragPx = 4;
constexpr qreal kClickPx = 6;
// One notch of the wheel zooms in to this share of the view (or out by its inverse).
constexpr double kWheelZoom = 0.8;

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

QString TimeText(std::int64_t dateTimeMs, bool withMs) {
  return QDateTime::fromMSecsSinceEpoch(ChartX(dateTimeMs))
      .toString(withMs ? QStringLiteral("dd.MM.yyyy HH:mm:ss.zzz") : QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

// The index of the point of points (X ascending) nearest to x; -1 when there is none.
int Nearest(const std::vector<TPlotPoint>& points, std::int64_t x) {
  if (points.empty()) return -1;
  auto it = std::lower_bound(points.begin(), points.end(), x,
                             [](const TPlotPoint& p, std::int64_t t) { return p.xMs < t; });
  if (it == points.end()) --it;
  if (it != points.begin() && std::llabs((it - 1)->xMs - x) <= std::llabs(it->xMs - x)) --it;
  return static_cast<int>(it - points.begin());
}
}  // namespace

qint64 ChartX(std::int64_t dateTimeMs) {
  const std::int64_t days = DayOf(dateTimeMs);
  const std::int64_t ms = dateTimeMs - days * kDayMs;
  const QDate date = QDate(1899, 12, 30).addDays(days);
  const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
  return QDateTime(date, time, Qt::LocalTime).toMSecsSinceEpoch();
}

// --- the canvas ---

TChartCanvas::TChartCanvas(TChartPage& page) : QChartView(&page), page_(page) {
  setFrameShape(QFrame::NoFrame);  // the viewport's positions are the view's
  setRenderHint(QPainter::Antialiasing);
  setMouseTracking(true);
  viewport()->setMouseTracking(true);
  band_ = new QRubberBand(QRubberBand::Rectangle, viewport());
  band_->hide();
}

void TChartCanvas::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta == 0) return;
  page_.Zoom(page_.TimeAt(event->position().x()), std::pow(kWheelZoom, delta / 120.0));
  event->accept();
}

void TChartCanvas::mousePressEvent(QMouseEvent* event) {
  QToolTip::hideText();
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    bandFrom_ = at;
  } else if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton) {
    panFrom_ = at;
    viewport()->setCursor(Qt::ClosedHandCursor);
  }
  event->accept();
}

void TChartCanvas::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (bandFrom_) {
    if (std::abs(at.x() - bandFrom_->x()) >= kDragPx) {
      const QRectF plot = mapFromScene(chart()->mapToScene(chart()->plotArea())).boundingRect();
      const int left = std::max(std::min(at.x(), bandFrom_->x()), static_cast<int>(plot.left()));
      const int right = std::min(std::max(at.x(), bandFrom_->x()), static_cast<int>(plot.right()));
      band_->setGeometry(QRect(QPoint(left, static_cast<int>(plot.top())),
                               QPoint(std::max(left, right), static_cast<int>(plot.bottom()))));
      band_->show();
    }
  } else if (panFrom_) {
    const qreal dx = at.x() - panFrom_->x();
    page_.Pan(page_.TimeAt(panFrom_->x()) - page_.TimeAt(panFrom_->x() + dx));
    panFrom_ = at;
  } else {
    const QString tip = page_.ToolTipAt(event->position().x());
    if (tip.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(event->globalPosition().toPoint(), tip, this);
  }
  event->accept();
}

void TChartCanvas::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton && bandFrom_) {
    const QPoint from = *bandFrom_;
    bandFrom_.reset();
    band_->hide();
    if (std::abs(at.x() - from.x()) >= kDragPx) {
      page_.SetView(page_.TimeAt(std::min(at.x(), from.x())), page_.TimeAt(std::max(at.x(), from.x())));
    } else if (const auto row = page_.RowAt(event->position())) {
      emit page_.rowClicked(*row);
    }
  } else if (panFrom_ && (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton)) {
    panFrom_.reset();
    viewport()->unsetCursor();
  }
  event->accept();
}

void TChartCanvas::leaveEvent(QEvent* event) {
  QToolTip::hideText();
  QChartView::leaveEvent(event);
}

// --- the page ---

TChartPage::TChartPage(TChartPlotter::Kind kind, const char* title, const char* bottomAxis, const char* leftAxis,
                       const std::vector<SeriesStyle>& series, QWidget* parent)
    : QWidget(parent), kind_(kind), bottomTitle_(bottomAxis) {
  auto* chart = new QChart;
  chart->setTitle(QString::fromUtf8(title));
  chart->legend()->setVisible(true);
  chart->legend()->setAlignment(Qt::AlignRight);
  canvas_ = new TChartCanvas(*this);
  // The view lets go of the chart it made for itself without deleting it.
  QChart* own = canvas_->chart();
  canvas_->setChart(chart);
  delete own;

  bottom_ = new QDateTimeAxis;
  bottom_->setTitleText(QString::fromUtf8(bottomAxis));
  bottom_->setFormat(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
  bottom_->setLabelsAngle(-90);
  bottom_->setTickCount(10);
  left_ = new QValueAxis;
  left_->setTitleText(QString::fromUtf8(leftAxis));
  left_->setLabelFormat(QStringLiteral("%.0f"));
  chart->addAxis(bottom_, Qt::AlignBottom);
  chart->addAxis(left_, Qt::AlignLeft);

  for (const auto& style : series) {
    auto* s = new QLineSeries;
    s->setName(QString::fromUtf8(style.title));
    QPen pen(style.colour);
    pen.setWidth(1);
    s->setPen(pen);
    s->setPointsVisible(false);
    s->setPointLabelsVisible(false);
    chart->addSeries(s);
    s->attachAxis(bottom_);
    s->attachAxis(left_);
    series_.push_back(s);
  }
  // A plot that becomes wider or narrower gets its points anew.
  connect(chart, &QChart::plotAreaChanged, this, [this](const QRectF& area) {
    if (static_cast<int>(area.width()) != plottedWidth_) Replot();
  });

  building_ = new QLabel(QString::fromUtf8("Строится…"), this);
  building_->setAlignment(Qt::AlignCenter);
  whole_ = new QPushButton(QString::fromUtf8("Весь журнал"), this);
  connect(whole_, &QPushButton::clicked, this, [this] { ShowWholeLog(); });

  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(4, 4, 4, 0);
  bar->addStretch(1);
  bar->addWidget(whole_);
  stack_ = new QStackedLayout;
  stack_->addWidget(canvas_);
  stack_->addWidget(building_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(bar);
  layout->addLayout(stack_, 1);
  Replot();
}

TChartPage::~TChartPage() = default;

void TChartPage::ShowBuilding() {
  plotter_.reset();
  ClearSeries();
  stack_->setCurrentWidget(building_);
  whole_->setEnabled(false);
}

bool TChartPage::IsBuilding() const { return stack_->currentWidget() == building_; }

void TChartPage::ShowCharts(std::shared_ptr<const TChartPlotter> plotter) {
  plotter_ = std::move(plotter);
  stack_->setCurrentWidget(canvas_);
  whole_->setEnabled(true);
  ShowWholeLog();
}

void TChartPage::ShowWholeLog() {
  if (!plotter_) return;
  SetView(plotter_->FirstMs(), plotter_->LastMs());
}

void TChartPage::SetView(std::int64_t fromMs, std::int64_t toMs) {
  if (toMs < fromMs) std::swap(fromMs, toMs);
  if (plotter_) {
    // The view stays inside the log, at least a second wide.
    const std::int64_t first = plotter_->FirstMs();
    const std::int64_t last = std::max(plotter_->LastMs(), first + kMinViewMs);
    std::int64_t span = std::clamp(toMs - fromMs, kMinViewMs, last - first);
    if (toMs - fromMs < kMinViewMs) fromMs = (fromMs + toMs) / 2 - span / 2;
    fromMs = std::clamp(fromMs, first, last - span);
    toMs = fromMs + span;
  }
  viewFrom_ = fromMs;
  viewTo_ = toMs;
  Replot();
}

void TChartPage::Zoom(std::int64_t atMs, double factor) {
  if (!plotter_ || !(factor > 0)) return;
  const double from = static_cast<double>(atMs) - static_cast<double>(atMs - viewFrom_) * factor;
  const double to = static_cast<double>(atMs) + static_cast<double>(viewTo_ - atMs) * factor;
  const std::int64_t span = std::max<std::int64_t>(std::llround(to - from), kMinViewMs);
  // Zooming in further than a second keeps the point under the cursor in place.
  const std::int64_t start = span == kMinViewMs && to - from < kMinViewMs ? atMs - span / 2 : std::llround(from);
  SetView(start, start + span);
}

void TChartPage::Pan(std::int64_t ms) {
  if (!plotter_) return;
  SetView(viewFrom_ + ms, viewTo_ + ms);
}

void TChartPage::ClearSeries() {
  plot_ = TPlot{};
  for (auto* s : series_) s->clear();
  bottom_->setTitleText(Utf8(bottomTitle_));
}

void TChartPage::Replot() {
  if (replotting_) return;
  replotting_ = true;
  const int width = std::max(1, static_cast<int>(Chart()->plotArea().width()));
  if (!plotter_ || plotter_->Empty()) {
    ClearSeries();
    const QDateTime now = QDateTime::currentDateTime();
    bottom_->setRange(now.addSecs(-60), now);
    left_->setRange(0, 1);
  } else {
    plot_ = plotter_->Plot(viewFrom_, viewTo_, width);
    double maxY = 0;
    for (std::size_t i = 0; i < series_.size(); ++i) {
      QList<QPointF> points;
      points.reserve(static_cast<qsizetype>(plot_.series[i].size()));
      for (const TPlotPoint& p : plot_.series[i]) {
        points.append(QPointF(static_cast<qreal>(ChartX(p.xMs)), p.y));
        if (p.xMs >= viewFrom_ && p.xMs <= viewTo_) maxY = std::max(maxY, p.y);
      }
      series_[i]->replace(points);
    }
    bottom_->setTitleText(Utf8(ChartAxisTitle(bottomTitle_.c_str(), plot_.intervalMs)));
    bottom_->setRange(QDateTime::fromMSecsSinceEpoch(ChartX(viewFrom_)),
                      QDateTime::fromMSecsSinceEpoch(ChartX(std::max(viewTo_, viewFrom_ + kMinViewMs))));
    left_->setRange(0, maxY > 0 ? maxY * 1.1 : 1);
    left_->applyNiceNumbers();
  }
  plottedWidth_ = width;
  replotting_ = false;
}

std::int64_t TChartPage::TimeAt(qreal canvasX) const {
  const QRectF plot = canvas_->mapFromScene(Chart()->mapToScene(Chart()->plotArea())).boundingRect();
  if (plot.width() <= 0) return viewFrom_;
  const double share = (canvasX - plot.left()) / plot.width();
  return viewFrom_ + std::llround(share * static_cast<double>(viewTo_ - viewFrom_));
}

QString TChartPage::ToolTipAt(qreal canvasX) const {
  const QRectF plot = canvas_->mapFromScene(Chart()->mapToScene(Chart()->plotArea())).boundingRect();
  if (!plotter_ || canvasX < plot.left() || canvasX > plot.right()) return {};
  const std::int64_t t = TimeAt(canvasX);
  QString text;
  for (std::size_t i = 0; i < series_.size(); ++i) {
    const int j = Nearest(plot_.series[i], t);
    if (j < 0) continue;
    const TPlotPoint& p = plot_.series[i][static_cast<std::size_t>(j)];
    if (text.isEmpty()) {
      text = TimeText(p.xMs, kind_ == TChartPlotter::Kind::Latency && plot_.intervalMs == 0);
      if (plot_.intervalMs > 0)
        text += QStringLiteral(" (") + Utf8(ChartIntervalName(plot_.intervalMs)) + QStringLiteral(")");
    }
    text += QStringLiteral("\n") + series_[i]->name() + QStringLiteral(": ") + QString::number(p.y, 'f', 0);
    if (kind_ == TChartPlotter::Kind::Latency) text += QStringLiteral("\n# ") + QString::number(p.row);
  }
  return text;
}

std::optional<std::uint32_t> TChartPage::RowAt(const QPointF& canvasPos) const {
  if (kind_ != TChartPlotter::Kind::Latency || !plotter_ || series_.empty()) return std::nullopt;
  std::optional<std::uint32_t> row;
  qreal best = kClickPx * kClickPx;
  for (const TPlotPoint& p : plot_.series[0]) {
    if (p.xMs < viewFrom_ || p.xMs > viewTo_) continue;
    const QPointF at = canvas_->mapFromScene(
        Chart()->mapToScene(Chart()->mapToPosition(QPointF(static_cast<qreal>(ChartX(p.xMs)), p.y), series_[0])));
    const QPointF d = at - canvasPos;
    const qreal distance = d.x() * d.x() + d.y() * d.y();
    if (distance <= best) {
      best = distance;
      row = p.row;
    }
  }
  return row;
}

QString TChartPage::PointLabel(int series, int point) const {
  if (series < 0 || series >= static_cast<int>(plot_.series.size()) || point < 0 ||
      point >= static_cast<int>(plot_.series[series].size()))
    return {};
  const TPlotPoint& p = plot_.series[series][point];
  return kind_ == TChartPlotter::Kind::Latency ? QString::number(p.row) : Utf8(ChartLabelText(p.xMs));
}

TChartPage* CreateLoadChart(QWidget* parent) {
  using namespace chart_text;
  return new TChartPage(TChartPlotter::Kind::Load, kLoadTitle, kLoadBottomAxis, kLoadLeftAxis,
                        {{kIncoming, kGreen}, {kOutgoing, kRed}, {kConnects, kAmber}, {kDisconnects, kBlue}}, parent);
}

TChartPage* CreateLatencyChart(QWidget* parent) {
  using namespace chart_text;
  return new TChartPage(TChartPlotter::Kind::Latency, kLatencyTitle, kLatencyBottomAxis, kLatencyLeftAxis,
                        {{kLatency, kRed}}, parent);
}

void ShowTerminalCharts(const TChartPlots& plots, TChartPage& load, TChartPage& latency) {
  load.ShowCharts(plots.load);
  latency.ShowCharts(plots.latency);
}

void ShowChartsBuilding(TChartPage& load, TChartPage& latency) {
  load.ShowBuilding();
  latency.ShowBuilding();
}

}  // namespace pkt
