#include "window/graph/up_down.h"

#include <QLineEdit>
#include <QScrollBar>

namespace tarvelo::window {

namespace {

constexpr int kRestingPosition = 1;

}  // namespace

UpDown::UpDown(QScrollBar* arrows, QLineEdit* field, int minimum, int maximum, bool wraps)
    : QObject(arrows), arrows_(arrows), field_(field), minimum_(minimum), maximum_(maximum), wraps_(wraps) {
  arrows_->setRange(kRestingPosition - 1, kRestingPosition + 1);
  arrows_->setValue(kRestingPosition);
  connect(arrows_, &QScrollBar::actionTriggered, this, &UpDown::step);
}

void UpDown::step(int action) {
  // A vertical scroll bar's upper arrow subtracts a single step.
  const int delta = action == QAbstractSlider::SliderSingleStepSub ? 1 : action == QAbstractSlider::SliderSingleStepAdd ? -1 : 0;
  arrows_->setSliderPosition(kRestingPosition);
  if (delta == 0) return;
  emit clicked();
  bool isNumber = false;
  int value = field_->text().toInt(&isNumber);
  value = isNumber ? value + delta : minimum_;
  if (value > maximum_) value = wraps_ ? minimum_ : maximum_;
  if (value < minimum_) value = wraps_ ? maximum_ : minimum_;
  field_->setText(QString::number(value));
}

}  // namespace tarvelo::window
