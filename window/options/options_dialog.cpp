#include "window/options/options_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include "window/widgets/field_name.h"
#include "window/widgets/window_place.h"
#include "window/widgets/fit_to_texts.h"
#include "session/weighing_session.h"
#include "weighing/conversion_error.h"
#include "weighing/number_text.h"

namespace tarvelo::window {

namespace {

const QString kTitle = QStringLiteral("Параметры");
// Shown on a field whose text is not a number, until the text changes.
const QString kBadNumberStyle = QStringLiteral("QLineEdit { background-color: #ffd6d6; }");
constexpr int kSectionsPerRow = 2;

// The panel, its texts fitted, in the top left corner of a titled box.
QGroupBox* sectionOf(const OptionsSection& section, QWidget* dialog) {
  auto* box = new QGroupBox(section.title, dialog);
  auto* layout = new QVBoxLayout(box);
  section.panel->setParent(box);
  section.panel->setFrameShape(QFrame::NoFrame);
  fitToTexts(section.panel);
  section.panel->setMinimumSize(section.panel->size());
  layout->addWidget(section.panel, 0, Qt::AlignLeft | Qt::AlignTop);
  layout->addStretch();
  section.panel->show();
  return box;
}

// Why the field's text is not a number the field can take; empty when it is.
QString whatIsWrong(const NumberField& number) {
  const QString text = number.field->text();
  double value = 0;
  try {
    const std::string digits = text.toStdString();
    value = number.kind == NumberKind::Whole ? weighing::parseInteger(digits) : weighing::parseNumber(digits);
  } catch (const weighing::ConversionError&) {
    return session::notANumberText(text);
  }
  if (!number.range) return {};
  const NumberRange& range = *number.range;
  const bool tooSmall = range.leastExcluded ? value <= range.least : value < range.least;
  if (!tooSmall && value <= range.most) return {};
  const QLocale locale;
  const QString allowed = range.leastExcluded ? QString("больше %1 и не больше %2") : QString("от %1 до %2");
  return QString("«%1» вне допустимого: нужно число %2.")
      .arg(text, allowed.arg(locale.toString(range.least), locale.toString(range.most)));
}

}  // namespace

OptionsDialog::OptionsDialog(const QList<OptionsSection>& sections, QList<NumberField> numbers,
                             WindowPlace& place, QWidget* parent)
    : QDialog(parent), numbers_(std::move(numbers)), place_(place) {
  setWindowTitle(kTitle);
  setObjectName("OptionsDialog");
  // The panels keep the main window's font, which a window does not take by itself.
  setFont(parent->font());
  // The sections scroll when the screen is smaller than they are; the buttons stay.
  content_ = new QWidget;
  auto* grid = new QGridLayout(content_);
  grid->setContentsMargins(0, 0, 0, 0);
  for (int i = 0; i < sections.size(); ++i) {
    grid->addWidget(sectionOf(sections[i], content_), i / kSectionsPerRow, i % kSectionsPerRow);
    panels_.append(sections[i].panel);
  }
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName("OptionsScroll");
  scroll->setFrameShape(QFrame::NoFrame);
  // Tab goes through the sections' controls, which the area scrolls into sight.
  scroll->setFocusPolicy(Qt::NoFocus);
  scroll->setWidgetResizable(true);
  scroll->setWidget(content_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText("OK");
  buttons->button(QDialogButtonBox::Cancel)->setText("Отмена");
  connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &OptionsDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroll, 1);
  layout->addWidget(buttons);
  // A screen reader names a field as a refusal does, or by the label it stands by.
  for (const NumberField& number : numbers_) {
    if (number.field->accessibleName().isEmpty()) number.field->setAccessibleName(number.name);
  }
  nameFieldsByTheirLabels(*this);
  for (const NumberField& number : numbers_) {
    connect(number.field, &QLineEdit::textChanged, number.field,
            [field = number.field] { field->setStyleSheet({}); });
  }
}

int OptionsDialog::exec() {
  shown_.take(panels_);
  fitToScreen();
  return QDialog::exec();
}

void OptionsDialog::fitToScreen() {
  const QScreen* display = parentWidget() != nullptr ? parentWidget()->screen() : screen();
  const QMargins margins = layout()->contentsMargins();
  const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const QSize whole(content_->sizeHint().width() + scrollBar + margins.left() + margins.right(),
                    content_->sizeHint().height() + layout()->spacing() +
                        findChild<QDialogButtonBox*>()->sizeHint().height() + margins.top() + margins.bottom());
  place_.put(*this, whole, *display);
}

void OptionsDialog::accept() {
  if (const auto bad = firstBadNumber()) {
    const NumberField& number = *bad->first;
    number.field->setFocus();
    number.field->selectAll();
    QMessageBox::warning(this, kTitle, number.name + ": " + bad->second);
    return;
  }
  QDialog::accept();
}

void OptionsDialog::reject() {
  shown_.restore();
  QDialog::reject();
}

std::optional<std::pair<const NumberField*, QString>> OptionsDialog::firstBadNumber() {
  std::optional<std::pair<const NumberField*, QString>> first;
  for (const NumberField& number : numbers_) {
    if (!number.field->isEnabled() && !number.readWhenDisabled) continue;
    const QString wrong = whatIsWrong(number);
    if (wrong.isEmpty()) continue;
    number.field->setStyleSheet(kBadNumberStyle);
    if (!first) first = {&number, wrong};
  }
  return first;
}

}  // namespace tarvelo::window
