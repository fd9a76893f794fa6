#include "window/widgets/line_chart.h"

#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace tarvelo::window {

namespace {

constexpr int kMaxTickIntervals = 10;
constexpr int kTickMantissas[] = {1, 2, 5};
constexpr double kDecimalBase = 10;
// A tick this close to the range's end, in steps, still belongs to it.
constexpr double kTickSlack = 1e-9;
constexpr int kMarginPx = 12;
constexpr int kLabelGapPx = 6;
constexpr int kTickLengthPx = 4;
constexpr qreal kLineWidth = 2;
constexpr qreal kMarkRadiusPx = 3.5;
const QColor kGridColor(0xE0, 0xE0, 0xE0);
const QColor kAxisColor(0x80, 0x80, 0x80);

struct Step {
  double size;
  int decimals;
};

Step roundStep(double span) {
  for (int exponent = static_cast<int>(std::floor(std::log10(span / kMaxTickIntervals)));; ++exponent) {
    for (const int mantissa : kTickMantissas) {
      const double size = mantissa * std::pow(kDecimalBase, exponent);
      if (span / size <= kMaxTickIntervals) return {size, std::max(0, -exponent)};
    }
  }
}

}  // namespace

LineChart::LineChart(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setBackgroundRole(QPalette::Base);
}

int LineChart::addSeries(const QColor& color, bool marked) {
  series_.append({color, marked, {}});
  return static_cast<int>(series_.size()) - 1;
}

void LineChart::setPoints(int series, QList<QPointF> points) {
  series_[series].points = std::move(points);
  update();
}

void LineChart::setRange(Qt::Orientation axis, double min, double max) {
  (axis == Qt::Horizontal ? x_ : y_) = {min, max};
  update();
}

QList<LineChart::Tick> LineChart::ticks(Qt::Orientation axis) const {
  const Range& r = range(axis);
  const double span = r.max - r.min;
  if (!(span > 0) || !std::isfinite(span)) return {};
  const Step step = roundStep(span);
  const QLocale locale = QLocale::system();
  QList<Tick> ticks;
  const auto first = static_cast<long long>(std::ceil(r.min / step.size - kTickSlack));
  const auto last = static_cast<long long>(std::floor(r.max / step.size + kTickSlack));
  for (long long k = first; k <= last; ++k) {
    const double value = static_cast<double>(k) * step.size;
    ticks.append({value, locale.toString(value, 'f', step.decimals)});
  }
  return ticks;
}

void LineChart::setAxisTitle(Qt::Orientation axis, const QString& title) {
  (axis == Qt::Horizontal ? xTitle_ : yTitle_) = title;
  update();
}

QRectF LineChart::plotArea(const QList<Tick>& verticalTicks) const {
  int labelWidth = 0;
  for (const Tick& tick : verticalTicks) labelWidth = std::max(labelWidth, fontMetrics().horizontalAdvance(tick.label));
  const int titleHeight = fontMetrics().height() + kLabelGapPx;
  const int left = kMarginPx + labelWidth + kLabelGapPx;
  const int top = kMarginPx + (yTitle_.isEmpty() ? 0 : titleHeight);
  const int bottom = kMarginPx + fontMetrics().height() + kLabelGapPx + (xTitle_.isEmpty() ? 0 : titleHeight);
  return QRectF(left, top, std::max(1, width() - left - kMarginPx), std::max(1, height() - top - bottom));
}

QPointF LineChart::toWidget(const QPointF& point, const QRectF& plot) const {
  const double xSpan = x_.max - x_.min;
  const double ySpan = y_.max - y_.min;
  const double x = xSpan > 0 ? (point.x() - x_.min) / xSpan : 0;
  const double y = ySpan > 0 ? (point.y() - y_.min) / ySpan : 0;
  return {plot.left() + x * plot.width(), plot.bottom() - y * plot.height()};
}

void LineChart::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  painter.setRenderHint(QPainter::Antialiasing);
  const QList<Tick> verticalTicks = ticks(Qt::Vertical);
  const QRectF plot = plotArea(verticalTicks);
  const QFontMetrics metrics = fontMetrics();
  for (const Tick& tick : ticks(Qt::Horizontal)) {
    const double x = toWidget({tick.value, y_.min}, plot).x();
    painter.setPen(kGridColor);
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    painter.setPen(kAxisColor);
    painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + kTickLengthPx));
    painter.setPen(palette().text().color());
    const int half = metrics.horizontalAdvance(tick.label) / 2;
    painter.drawText(QPointF(x - half, plot.bottom() + kLabelGapPx + metrics.ascent()), tick.label);
  }
  for (const Tick& tick : verticalTicks) {
    const double y = toWidget({x_.min, tick.value}, plot).y();
    painter.setPen(kGridColor);
    painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    painter.setPen(kAxisColor);
    painter.drawLine(QPointF(plot.left() - kTickLengthPx, y), QPointF(plot.left(), y));
    painter.setPen(palette().text().color());
    const int labelWidth = metrics.horizontalAdvance(tick.label);
    painter.drawText(QPointF(plot.left() - kLabelGapPx - labelWidth, y + metrics.ascent() / 2.0 - 1), tick.label);
  }
  painter.setPen(palette().text().color());
  if (!yTitle_.isEmpty()) painter.drawText(QPointF(kMarginPx, kMarginPx + metrics.ascent()), yTitle_);
  if (!xTitle_.isEmpty()) {
    const double below = plot.bottom() + kLabelGapPx + metrics.height() + kLabelGapPx + metrics.ascent();
    painter.drawText(QPointF(plot.center().x() - metrics.horizontalAdvance(xTitle_) / 2.0, below), xTitle_);
  }
  painter.setPen(kAxisColor);
  painter.drawLine(plot.bottomLeft(), plot.bottomRight());
  painter.drawLine(plot.bottomLeft(), plot.topLeft());
  for (const Series& series : series_) {
    if (series.points.isEmpty()) continue;
    QPainterPath line(toWidget(series.points.front(), plot));
    for (const QPointF& point : series.points) line.lineTo(toWidget(point, plot));
    painter.setPen(QPen(series.color, kLineWidth));
    painter.drawPath(line);
    if (!series.marked) continue;
    painter.setBrush(series.color);
    for (const QPointF& point : series.points) painter.drawEllipse(toWidget(point, plot), kMarkRadiusPx, kMarkRadiusPx);
    painter.setBrush(Qt::NoBrush);
  }
}

}  // namespace tarvelo::window
