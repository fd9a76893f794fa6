#include "window/widgets/radio_group.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>

namespace tarvelo::window {

QList<QRadioButton*> radioItems(const QGroupBox* group) {
  return group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
}

int radioIndex(const QGroupBox* group) {
  const auto items = radioItems(group);
  for (int i = 0; i < items.size(); ++i) {
    if (items[i]->isChecked()) return i;
  }
  return -1;
}

void setRadioIndex(QGroupBox* group, int index) {
  const auto items = radioItems(group);
  if (items.isEmpty()) return;
  if (index < 0) {
    // Auto-exclusive buttons cannot all be unchecked one by one.
    for (auto* item : items) item->setAutoExclusive(false);
    for (auto* item : items) item->setChecked(false);
    for (auto* item : items) item->setAutoExclusive(true);
    return;
  }
  items[std::min<int>(index, static_cast<int>(items.size()) - 1)]->setChecked(true);
}

}  // namespace tarvelo::window
