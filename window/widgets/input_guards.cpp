#include "window/widgets/input_guards.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace tarvelo::window {

namespace {

constexpr char16_t kBackspace = 0x08;
constexpr int kSavedTextMaxLength = 254;
const char* const kFilterProperty = "tarveloKeyFilter";
const char* const kRestoreProperty = "tarveloRestoreWhenEmpty";

// The field's own text: the line edit of an editable combo box reports to it.
QWidget* owningField(QObject* watched) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget != nullptr && qobject_cast<QComboBox*>(widget->parentWidget()) != nullptr &&
      qobject_cast<QLineEdit*>(widget) != nullptr) {
    return widget->parentWidget();
  }
  return widget;
}

QString textOf(QWidget* field) {
  if (auto* edit = qobject_cast<QLineEdit*>(field)) return edit->text();
  if (auto* combo = qobject_cast<QComboBox*>(field)) return combo->currentText();
  return {};
}

void setTextOf(QWidget* field, const QString& text) {
  if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->setText(text);
  if (auto* combo = qobject_cast<QComboBox*>(field)) combo->setCurrentText(text);
}

bool producesNoCharacter(const QKeyEvent& key) {
  switch (key.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
      return true;
    default:
      return key.text().isEmpty();
  }
}

}  // namespace

bool keyAllowed(KeyFilter filter, QChar character) {
  const char16_t c = character.unicode();
  const bool digit = c >= u'0' && c <= u'9';
  switch (filter) {
    case KeyFilter::None:
      return true;
    case KeyFilter::Decimal:
      return digit || c == u',' || c == u'.' || c == kBackspace;
    case KeyFilter::Digits:
      return digit || c == kBackspace;
    case KeyFilter::SelectOnly:
      return false;
  }
  return false;
}

InputGuards::InputGuards(QObject* parent) : QObject(parent), beep_([] { QApplication::beep(); }) {}

void InputGuards::guard(QWidget* field, KeyFilter filter, bool restoreWhenEmpty) {
  field->setProperty(kFilterProperty, static_cast<int>(filter));
  field->setProperty(kRestoreProperty, restoreWhenEmpty);
  field->installEventFilter(this);
  if (auto* combo = qobject_cast<QComboBox*>(field); combo != nullptr && combo->lineEdit() != nullptr) {
    combo->lineEdit()->installEventFilter(this);
  }
}

bool InputGuards::eventFilter(QObject* watched, QEvent* event) {
  QWidget* field = owningField(watched);
  if (field == nullptr) return false;
  switch (event->type()) {
    case QEvent::KeyPress: {
      const auto& key = static_cast<const QKeyEvent&>(*event);
      const auto filter = static_cast<KeyFilter>(field->property(kFilterProperty).toInt());
      if (producesNoCharacter(key)) return false;
      for (const QChar c : key.text()) {
        if (!keyAllowed(filter, c)) {
          beep_();
          return true;
        }
      }
      return false;
    }
    case QEvent::FocusIn:
      if (watched == field || field->focusProxy() == watched) OnEnterMy(field);
      return false;
    case QEvent::FocusOut:
      if (watched == field || field->focusProxy() == watched) OnExitMy(field);
      return false;
    default:
      return false;
  }
}

void InputGuards::OnEnterMy(QWidget* field) {
  if (field->property(kRestoreProperty).toBool()) savedFieldText_ = textOf(field).left(kSavedTextMaxLength);
}

void InputGuards::OnExitMy(QWidget* field) {
  if (field->property(kRestoreProperty).toBool() && textOf(field).isEmpty()) setTextOf(field, savedFieldText_);
}

}  // namespace tarvelo::window
