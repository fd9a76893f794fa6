#pragma once

namespace tarvelo::session {

// The system's decimal separator, with which numbers are shown to a person.
char systemDecimalSeparator();

}  // namespace tarvelo::session
