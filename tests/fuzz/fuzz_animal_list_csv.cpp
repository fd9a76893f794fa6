#include "animal_list_checks.h"
#include "input_file.h"

using namespace tarvelo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::checkImportedList(journal::importAnimalList(fuzz::writeInput("list.csv", data, size)));
  return 0;
}
