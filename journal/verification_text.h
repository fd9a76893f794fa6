#pragma once

#include <string>

#include "journal/journal.h"

namespace tarvelo::journal {

// Whether the chain holds and the journal still has every anchor it was checked against.
bool holds(const Verification& result);

// What the check found, for a person: where the chain breaks, or which anchor the journal
// no longer holds, or that it holds, with its head to be written down.
std::string verificationText(const Verification& result);

}  // namespace tarvelo::journal
