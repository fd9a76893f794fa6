#pragma once

#include <QList>

class QGroupBox;
class QRadioButton;

namespace tarvelo::window {

// A group box of radio buttons used as one choice with an item index.
QList<QRadioButton*> radioItems(const QGroupBox* group);
// The checked item's index; -1 when none is checked.
int radioIndex(const QGroupBox* group);
// Checks item `index`; past the last item checks the last one, below 0 checks none.
void setRadioIndex(QGroupBox* group, int index);

}  // namespace tarvelo::window
