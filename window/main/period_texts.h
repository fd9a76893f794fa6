#pragma once

#include <QString>

namespace tarvelo::window {

// The two items of the period list ComboBox1 that change the weighing cycle; every
// other text gives the standard 700 ms tick.
inline const QString kManualPeriod = QStringLiteral("вручную");     // one reading a press of ReadButton
inline const QString kOnChangePeriod = QStringLiteral("при новом");  // only readings that changed enough

}  // namespace tarvelo::window
