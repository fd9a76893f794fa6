#pragma once

#include <optional>
#include <vector>

#include "journal/journal.h"
#include "labserver/lab_connection.h"

namespace tarvelo::labserver {

// Every object with a standing result anywhere in the lab, summed over every station's
// weighings in the order they were made: animals by number whichever station weighed
// them, results without a number by their name at their own station. An animal's
// reference is the one last taken with "Принять за исходный" at any station, else the
// weight of its newest list entry, else its first weighing.
std::optional<LabFailure> labObjects(LabConnection& connection, std::vector<journal::ObjectSummary>& objects);

// The object's standing results from every station, in the order they were made.
std::optional<LabFailure> labObjectResults(LabConnection& connection, const journal::ObjectSummary& object,
                                           std::vector<journal::JournalRecord>& results);

}  // namespace tarvelo::labserver
