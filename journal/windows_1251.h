#pragma once

#include <QString>
#include <string_view>

namespace tarvelo::journal {

// Text in Windows-1251, the code page Russian Windows saves CSV in. Qt's own converter
// has it only where Qt was built with ICU, which the Windows build is not.
QString fromWindows1251(std::string_view bytes);

}  // namespace tarvelo::journal
