#include "window/options/journal_panel.h"

#include <QFormLayout>
#include <QLineEdit>

#include "weighing/conversion_error.h"
#include "weighing/number_text.h"

namespace tarvelo::window {

namespace {

const QString kShareLabel = QStringLiteral("Предупреждать, если вес ниже, % от исходного");
const QString kLimitLabel = QStringLiteral("Предел (конечная точка), % от исходного");
constexpr NumberRange kShareRange{1, 100};

// The field's number, or `otherwise` when it holds none.
double shareOf(const QLineEdit& field, double otherwise) {
  try {
    return weighing::parseNumber(field.text().toStdString());
  } catch (const weighing::ConversionError&) {
    return otherwise;
  }
}

}  // namespace

JournalPanel::JournalPanel(QWidget* parent)
    : QFrame(parent), share_(new QLineEdit(kDefaultShare, this)), limit_(new QLineEdit(kDefaultLimit, this)) {
  setObjectName("JournalPanel");
  share_->setObjectName("AlertShareEdit");
  limit_->setObjectName("LimitShareEdit");
  auto* layout = new QFormLayout(this);
  layout->addRow(kShareLabel, share_);
  layout->addRow(kLimitLabel, limit_);
  adjustSize();
}

journal::AlertShares JournalPanel::alertShares() const {
  return {shareOf(*share_, journal::kDefaultWarningShare), shareOf(*limit_, journal::kDefaultLimitShare)};
}

QList<NumberField> JournalPanel::numberFields() const {
  return {{share_, kShareLabel, NumberKind::Decimal, false, kShareRange},
          {limit_, kLimitLabel, NumberKind::Decimal, false, kShareRange}};
}

}  // namespace tarvelo::window
