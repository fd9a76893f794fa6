#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>

#include "journal/journal_record.h"

namespace tarvelo::journal {

// From this form on a result names the first result of its batch (the results grid's rows
// since it was last emptied), and the first names none.
inline constexpr int kBatchChainForm = kColonyChainForm;

// The mean of each batch's standing results, so that a result's deviation is the one the
// results grid and the protocol show: from the mean of its whole batch as it stands, not of
// the rows weighed before it.
class BatchMeans {
 public:
  // Reads the batches of the results that no removal in `removed` names.
  BatchMeans(sqlite3* db, const std::set<std::int64_t>& removed);

  // The deviation of `result` as the grid shows it; none for a result of an earlier form,
  // whose deviation is the one kept with it.
  std::optional<std::string> deviationOf(const JournalRecord& result) const;

 private:
  struct Sum {
    double masses = 0;
    int count = 0;
  };
  std::unordered_map<std::int64_t, Sum> batches_;  // by the batch's first result
};

}  // namespace tarvelo::journal
