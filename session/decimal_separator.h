#pragma once

namespace tarvelo::app {

// The system's decimal separator, with which numbers are shown to a person.
char systemDecimalSeparator();

}  // namespace tarvelo::app
