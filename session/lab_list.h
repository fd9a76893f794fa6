#pragma once

#include <QDateTime>
#include <string>
#include <vector>

#include "journal/animal_list.h"
#include "journal/journal_record.h"
#include "labserver/lab_animals.h"

namespace tarvelo::session {

// The records that make this station's list of animals (`held`) the lab's, made at `now`:
// an entry another station made last comes here as this station's own, its note naming
// that station and its `subject` the entry's place in the server's order; an animal another
// station took off the list leaves it here too.
std::vector<journal::JournalRecord> labListChanges(const std::vector<journal::Animal>& held,
                                                   const std::vector<labserver::LabListEntry>& lab,
                                                   const std::string& station, const QDateTime& now);

}  // namespace tarvelo::session
