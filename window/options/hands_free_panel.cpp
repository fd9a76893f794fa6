#include "window/options/hands_free_panel.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <cmath>

#include "weighing/number_text.h"

namespace tarvelo::window {

namespace {

constexpr double kMsPerSecond = 1000.0;
const QString kThresholdLabel = QStringLiteral("Порог начала, г");
const QString kPauseLabel = QStringLiteral("Пауза после снятия, с");
// A load above nothing, and no more than the heaviest laboratory balance takes.
constexpr NumberRange kThresholdRange{0, 100'000, true};
constexpr NumberRange kPauseRange{0, 300};  // up to five minutes

QLineEdit* numberField(const char* name, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  return field;
}

}  // namespace

HandsFreePanel::HandsFreePanel(QWidget* parent)
    : QFrame(parent),
      enabled_(new QCheckBox("Автоматическое взвешивание", this)),
      threshold_(numberField("HandsFreeThreshold", this)),
      pause_(numberField("HandsFreePause", this)) {
  setObjectName("HandsFreePanel");
  enabled_->setObjectName("HandsFreeCB");
  threshold_->setText(kDefaultThreshold);
  pause_->setText(kDefaultPause);
  auto* layout = new QFormLayout(this);
  layout->addRow(enabled_);
  auto* thresholdLabel = new QLabel(kThresholdLabel, this);
  auto* pauseLabel = new QLabel(kPauseLabel, this);
  layout->addRow(thresholdLabel, threshold_);
  layout->addRow(pauseLabel, pause_);
  const auto enableFields = [this, thresholdLabel, pauseLabel](bool on) {
    for (QWidget* control :
         {static_cast<QWidget*>(threshold_), static_cast<QWidget*>(pause_),
          static_cast<QWidget*>(thresholdLabel), static_cast<QWidget*>(pauseLabel)}) {
      control->setEnabled(on);
    }
  };
  connect(enabled_, &QCheckBox::toggled, this, enableFields);
  enableFields(false);
  adjustSize();
}

bool HandsFreePanel::on() const { return enabled_->isChecked(); }

void HandsFreePanel::setOn(bool on) { enabled_->setChecked(on); }

session::HandsFree HandsFreePanel::options() const {
  return {weighing::parseNumber(threshold_->text().toStdString()),
          std::llround(weighing::parseNumber(pause_->text().toStdString()) * kMsPerSecond)};
}

QList<NumberField> HandsFreePanel::numberFields() const {
  return {{threshold_, kThresholdLabel, NumberKind::Decimal, false, kThresholdRange},
          {pause_, kPauseLabel, NumberKind::Decimal, false, kPauseRange}};
}

}  // namespace tarvelo::window
