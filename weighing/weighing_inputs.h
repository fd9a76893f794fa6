#pragma once

#include <array>
#include <string>

namespace tarvelo::weighing {

// Items of the recorded-fields list FCheck.
enum FCheckItem : int {
  ItemRecordNumber = 0,
  ItemTime = 1,
  ItemWeight = 2,
  ItemUnit = 3,
  ItemStability = 4,
  ItemStatistics = 5,
};
inline constexpr int kFCheckItems = 6;
inline constexpr int kColumnItems = 5;  // items 0 to 4 choose the columns of StrGrid1

// What the weighing reads from the main window's controls, under the controls' names.
// The window fills it at each event; tests fill it by hand.
struct WeighingInputs {
  std::array<bool, kFCheckItems> FCheck{true, true, true, true, false, false};
  std::string eUnit = "Мышь";  // the object name
  std::string eAnimal;         // the number of the animal on the pan; empty when not given
  std::string cbWTime = "1";   // averaging time, whole seconds
  std::string SizeEdit = "20";  // statistics window
  std::string MaxDif = "0,1";   // least change of the on-change period
  std::string MinimW = "0,001";  // minimum weight when MinWCB is ticked
  bool StabCB = true;     // accept unstable readings
  bool MWeightCB = true;  // accept negative weights
  bool MinWCB = false;    // reject weights up to MinimW
  char decimalSeparator = ',';
};

}  // namespace tarvelo::weighing
