#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>

namespace tarvelo::window {

// A line chart: series drawn as lines in their colours over a horizontal and a vertical
// value axis, without legend; each axis may have a title. Each axis has ticks at whole multiples of a round
// step (1, 2 or 5 times a power of ten, at most ten steps to the range), labelled with
// just the decimals the step needs and the system's decimal separator. Points outside the
// ranges are drawn all the same.
class LineChart : public QWidget {
  Q_OBJECT

 public:
  struct Tick {
    double value;
    QString label;
  };

  explicit LineChart(QWidget* parent = nullptr);

  // The new series' index; a marked series has a dot at each point, so that a lone point shows.
  int addSeries(const QColor& color, bool marked = false);
  void setPoints(int series, QList<QPointF> points);
  const QList<QPointF>& points(int series) const { return series_.at(series).points; }
  void setRange(Qt::Orientation axis, double min, double max);
  // A title with the axis's unit: under the horizontal axis, above the vertical one.
  void setAxisTitle(Qt::Orientation axis, const QString& title);
  const QString& axisTitle(Qt::Orientation axis) const { return axis == Qt::Horizontal ? xTitle_ : yTitle_; }
  // Left to right, or bottom to top.
  QList<Tick> ticks(Qt::Orientation axis) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Series {
    QColor color;
    bool marked;
    QList<QPointF> points;
  };
  struct Range {
    double min = 0;
    double max = 1;
  };

  const Range& range(Qt::Orientation axis) const { return axis == Qt::Horizontal ? x_ : y_; }
  // Where the plot goes once the vertical axis's labels have their room.
  QRectF plotArea(const QList<Tick>& verticalTicks) const;
  QPointF toWidget(const QPointF& point, const QRectF& plot) const;

  QList<Series> series_;
  Range x_;
  Range y_;
  QString xTitle_;
  QString yTitle_;
};

}  // namespace tarvelo::window
