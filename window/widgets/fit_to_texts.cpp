#include "window/widgets/fit_to_texts.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QWidget>
#include <algorithm>

namespace tarvelo::window {

namespace {

constexpr int kPanelMargin = 4;
// The least a field shows whole: a threshold such as "0,001" and a digit more.
const QString kNumberSample = QStringLiteral("0,0001");
// Qt's line edit keeps this much free on either side of its text.
constexpr int kLineEditTextMargin = 2;

// The width a line edit needs to show its text, and at least a short number, whole.
int wantedWidth(const QLineEdit* field) {
  const QString text = field->text().size() > kNumberSample.size() ? field->text() : kNumberSample;
  const QMargins margins = field->textMargins() + field->contentsMargins();
  const int textWidth = field->fontMetrics().horizontalAdvance(text) + 2 * kLineEditTextMargin +
                        margins.left() + margins.right();
  QStyleOptionFrame option;
  option.initFrom(field);
  option.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
  return field->style()->sizeFromContents(QStyle::CT_LineEdit, &option, {textWidth, field->height()}, field).width();
}

// How much wider a control must be for its text.
int growthFor(const QWidget* control) {
  if (const auto* field = qobject_cast<const QLineEdit*>(control)) return wantedWidth(field) - field->width();
  if (qobject_cast<const QLabel*>(control) != nullptr || qobject_cast<const QAbstractButton*>(control) != nullptr) {
    return control->sizeHint().width() - control->width();
  }
  return 0;
}

bool onOneLine(const QWidget* a, const QWidget* b) {
  return a->y() < b->y() + b->height() && b->y() < a->y() + a->height();
}

}  // namespace

void fitToTexts(QWidget* panel) {
  // A layout sizes its widgets by their texts already.
  if (panel->layout() != nullptr) return;
  QList<QWidget*> controls = panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  std::sort(controls.begin(), controls.end(),
            [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
  for (QWidget* control : controls) fitToTexts(control);
  for (QWidget* control : controls) {
    const int growth = growthFor(control);
    if (growth <= 0) continue;
    const int oldRight = control->x() + control->width();
    control->resize(control->width() + growth, control->height());
    for (QWidget* other : controls) {
      if (other != control && other->x() >= oldRight && onOneLine(control, other))
        other->move(other->x() + growth, other->y());
    }
  }
  const QRect used = panel->childrenRect();
  panel->resize(std::max(panel->width(), used.right() + kPanelMargin),
                std::max(panel->height(), used.bottom() + kPanelMargin));
}

}  // namespace tarvelo::window
