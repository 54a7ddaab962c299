#include "viewers/gui/chart_pages.h"

#include <QDateTime>
#include <QToolTip>

#include <algorithm>
#include <cmath>

#include "viewers/viewer_common.h"

namespace pkt {

namespace {
// The colours of the series, as the operators know them.
const QColor kGreen(0x00, 0x80, 0x00);
const QColor kRed(0xFF, 0x00, 0x00);
const QColor kYellow(0xFF, 0xFF, 0x00);
const QColor kBlue(0x00, 0x00, 0xFF);
}  // namespace

qint64 ChartX(std::int64_t dateTimeMs) {
  const std::int64_t days = DayOf(dateTimeMs);
  const std::int64_t ms = dateTimeMs - days * kDayMs;
  const QDate date = QDate(1899, 12, 30).addDays(days);
  const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
  return QDateTime(date, time, Qt::LocalTime).toMSecsSinceEpoch();
}

TChartPage::TChartPage(const char* title, const char* bottomAxis, const char* leftAxis,
                       const std::vector<SeriesStyle>& series, QWidget* parent)
    : QChartView(parent) {
  auto* chart = new QChart;
  chart->setTitle(QString::fromUtf8(title));
  chart->legend()->setVisible(true);
  chart->legend()->setAlignment(Qt::AlignRight);
  // The view lets go of the chart it made for itself without deleting it.
  QChart* own = QChartView::chart();
  setChart(chart);
  delete own;
  setRenderHint(QPainter::Antialiasing);

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
    const int index = static_cast<int>(series_.size());
    connect(s, &QLineSeries::hovered, this,
            [this, index](const QPointF& point, bool state) { ShowPointLabel(index, point, state); });
    series_.push_back(s);
    labels_.emplace_back();
  }
  FitAxes();
}

void TChartPage::SetPoints(int series, const std::vector<TChartPoint>& points) {
  QList<QPointF> list;
  list.reserve(static_cast<qsizetype>(points.size()));
  QStringList labels;
  labels.reserve(static_cast<qsizetype>(points.size()));
  for (const auto& p : points) {
    list.append(QPointF(static_cast<qreal>(ChartX(p.xMs)), p.y));
    labels.append(QString::fromStdString(p.label));
  }
  series_[series]->replace(list);
  labels_[series] = std::move(labels);
}

void TChartPage::FitAxes() {
  bool any = false;
  qreal minX = 0, maxX = 0, maxY = 0;
  for (auto* s : series_) {
    const auto points = s->points();
    if (points.isEmpty()) continue;
    // X values ascend: the first and the last point bound the series.
    const qreal first = points.front().x(), last = points.back().x();
    if (!any) {
      minX = first;
      maxX = last;
      any = true;
    }
    minX = std::min(minX, first);
    maxX = std::max(maxX, last);
    for (const auto& p : points) maxY = std::max(maxY, p.y());
  }
  if (!any) {
    const QDateTime now = QDateTime::currentDateTime();
    bottom_->setRange(now.addSecs(-60), now);
    left_->setRange(0, 1);
    return;
  }
  if (maxX <= minX) maxX = minX + 1000;  // a single instant still gets a visible second
  bottom_->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(minX)),
                    QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::ceil(maxX))));
  left_->setRange(0, maxY > 0 ? maxY * 1.1 : 1);
  left_->applyNiceNumbers();
}

QString TChartPage::PointLabel(int series, int point) const {
  if (series < 0 || series >= SeriesCount() || point < 0 || point >= labels_[series].size()) return {};
  return labels_[series][point];
}

void TChartPage::ShowPointLabel(int series, const QPointF& point, bool state) {
  if (!state) {
    QToolTip::hideText();
    return;
  }
  // The nearest point by X (the X values ascend).
  const auto points = series_[series]->points();
  if (points.isEmpty()) return;
  auto it = std::lower_bound(points.begin(), points.end(), point.x(),
                             [](const QPointF& p, qreal x) { return p.x() < x; });
  if (it == points.end()) --it;
  if (it != points.begin() && std::abs((it - 1)->x() - point.x()) < std::abs(it->x() - point.x())) --it;
  const int j = static_cast<int>(it - points.begin());
  QToolTip::showText(QCursor::pos(), QStringLiteral("%1: %2").arg(PointLabel(series, j)).arg(it->y()), this);
}

TChartPage* CreateLoadChart(QWidget* parent) {
  using namespace chart_text;
  return new TChartPage(kLoadTitle, kLoadBottomAxis, kLoadLeftAxis,
                        {{kIncoming, kGreen}, {kOutgoing, kRed}, {kConnects, kYellow}, {kDisconnects, kBlue}}, parent);
}

TChartPage* CreateLatencyChart(QWidget* parent) {
  using namespace chart_text;
  return new TChartPage(kLatencyTitle, kLatencyBottomAxis, kLatencyLeftAxis, {{kLatency, kRed}}, parent);
}

void ShowTerminalCharts(const TTerminalCharts& charts, TChartPage& load, TChartPage& latency) {
  const TLoadSeries order[] = {TLoadSeries::Incoming, TLoadSeries::Outgoing, TLoadSeries::Connects,
                               TLoadSeries::Disconnects};
  for (int i = 0; i < 4; ++i) load.SetPoints(i, LoadSeriesPoints(charts, order[i]));
  latency.SetPoints(0, LatencySeriesPoints(charts));
  load.FitAxes();
  latency.FitAxes();
}

}  // namespace pkt
