#pragma once

// What any list of animals read from a file holds, whatever the file was.

#include "journal/animal_list_import.h"

namespace tarvelo::fuzz {

// Aborts when `list` breaks a rule of the import.
void checkImportedList(const journal::ImportedList& list);

}  // namespace tarvelo::fuzz
