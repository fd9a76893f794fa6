#include "window/options/journal_panel.h"

#include <QFormLayout>
#include <QLineEdit>

#include "session/result_journal.h"
#include "weighing/conversion_error.h"
#include "weighing/number_text.h"

namespace tarvelo::window {

namespace {

const QString kShareLabel = QStringLiteral("Отмечать вес ниже, % от исходного");
constexpr NumberRange kShareRange{1, 100};

}  // namespace

JournalPanel::JournalPanel(QWidget* parent) : QFrame(parent), share_(new QLineEdit(kDefaultShare, this)) {
  setObjectName("JournalPanel");
  share_->setObjectName("AlertShareEdit");
  auto* layout = new QFormLayout(this);
  layout->addRow(kShareLabel, share_);
  adjustSize();
}

double JournalPanel::alertShare() const {
  try {
    return weighing::parseNumber(share_->text().toStdString());
  } catch (const weighing::ConversionError&) {
    return session::kDefaultAlertShare;
  }
}

QList<NumberField> JournalPanel::numberFields() const {
  return {{share_, kShareLabel, NumberKind::Decimal, false, kShareRange}};
}

}  // namespace tarvelo::window
