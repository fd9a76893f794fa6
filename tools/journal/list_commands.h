#pragma once

#include <QStringList>

namespace tarvelo::tools {

// "list import ФАЙЛ [--journal ФАЙЛ] [--check] [--clear-empty]": imports a list of animals
// into the journal as the window does, printing what each line adds, changes or why it is
// refused; `arguments` are the program's, from its name.
int listCommand(const QStringList& arguments);

}  // namespace tarvelo::tools
