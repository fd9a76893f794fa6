#include "session/lab_list.h"

#include <map>

#include "session/journal_entry.h"

namespace tarvelo::session {

std::vector<journal::JournalRecord> labListChanges(const std::vector<journal::Animal>& held,
                                                   const std::vector<labserver::LabListEntry>& lab,
                                                   const std::string& station, const QDateTime& now) {
  std::map<std::string, const journal::Animal*> standing;
  for (const journal::Animal& animal : held) standing.emplace(animal.number, &animal);
  std::vector<journal::JournalRecord> changes;
  for (const labserver::LabListEntry& entry : lab) {
    if (entry.station == station) continue;  // this station's own: the list here already is it
    const auto found = standing.find(entry.animal.number);
    const bool listed = found != standing.end();
    if (entry.gone && listed) {
      changes.push_back(animalGoneRecord(entry.animal.number, {}, now));
    } else if (!entry.gone && (!listed || *found->second != entry.animal)) {
      changes.push_back(animalRecord(entry.animal, {}, now));
    } else {
      continue;
    }
    changes.back().note = "по списку станции «" + entry.station + "»";
    changes.back().subject = entry.arrived;  // whose entry: the lab's list never takes this one for a new one
  }
  return changes;
}

}  // namespace tarvelo::session
