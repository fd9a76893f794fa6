#include "window/options/control_snapshot.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>

namespace tarvelo::window {

void ControlSnapshot::take(const QList<QWidget*>& roots) {
  texts_.clear();
  checks_.clear();
  lists_.clear();
  for (QWidget* root : roots) {
    for (QLineEdit* field : root->findChildren<QLineEdit*>())
      texts_.emplace_back(field, field->text());
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
      if (button->isCheckable()) checks_.emplace_back(button, button->isChecked());
    }
    for (QListWidget* list : root->findChildren<QListWidget*>()) {
      std::vector<Qt::CheckState> states;
      states.reserve(static_cast<std::size_t>(list->count()));
      for (int i = 0; i < list->count(); ++i) states.push_back(list->item(i)->checkState());
      lists_.emplace_back(list, std::move(states));
    }
  }
}

void ControlSnapshot::restore() const {
  // Boxes first: they decide which fields are enabled, the fields then take their texts.
  // A radio button of a group is put back by checking the one that was checked.
  for (const auto& [button, checked] : checks_) {
    if (button) button->setChecked(checked);
  }
  for (const auto& [list, states] : lists_) {
    if (!list) continue;
    for (int i = 0; i < list->count() && i < static_cast<int>(states.size()); ++i) {
      list->item(i)->setCheckState(states[static_cast<std::size_t>(i)]);
    }
  }
  for (const auto& [field, text] : texts_) {
    if (field) field->setText(text);
  }
}

}  // namespace tarvelo::window
