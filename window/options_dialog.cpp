#include "options_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "window/fit_to_texts.h"
#include "session/weighing_session.h"
#include "weighing/conversion_error.h"
#include "weighing/number_text.h"

namespace tarvelo::app {

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

}  // namespace

OptionsDialog::OptionsDialog(const QList<OptionsSection>& sections, QList<NumberField> numbers,
                             QWidget* parent)
    : QDialog(parent), numbers_(std::move(numbers)) {
  setWindowTitle(kTitle);
  setObjectName("OptionsDialog");
  // The panels keep the main window's font, which a window does not take by itself.
  setFont(parent->font());
  auto* grid = new QGridLayout;
  for (int i = 0; i < sections.size(); ++i) {
    grid->addWidget(sectionOf(sections[i], this), i / kSectionsPerRow, i % kSectionsPerRow);
    panels_.append(sections[i].panel);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText("OK");
  buttons->button(QDialogButtonBox::Cancel)->setText("Отмена");
  connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &OptionsDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  for (const NumberField& number : numbers_) {
    connect(number.field, &QLineEdit::textChanged, number.field,
            [field = number.field] { field->setStyleSheet({}); });
  }
}

int OptionsDialog::exec() {
  shown_.take(panels_);
  return QDialog::exec();
}

void OptionsDialog::accept() {
  if (const NumberField* bad = firstBadNumber()) {
    bad->field->setFocus();
    bad->field->selectAll();
    QMessageBox::warning(this, kTitle, bad->name + ": " + notANumberText(bad->field->text()));
    return;
  }
  QDialog::accept();
}

void OptionsDialog::reject() {
  shown_.restore();
  QDialog::reject();
}

const NumberField* OptionsDialog::firstBadNumber() {
  const NumberField* first = nullptr;
  for (const NumberField& number : numbers_) {
    if (!number.field->isEnabled() && !number.readWhenDisabled) continue;
    try {
      const std::string text = number.field->text().toStdString();
      if (number.kind == NumberKind::Whole) {
        weighing::parseInteger(text);
      } else {
        weighing::parseNumber(text);
      }
    } catch (const weighing::ConversionError&) {
      number.field->setStyleSheet(kBadNumberStyle);
      if (first == nullptr) first = &number;
    }
  }
  return first;
}

}  // namespace tarvelo::app
