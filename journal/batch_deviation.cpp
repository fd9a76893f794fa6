#include "journal/batch_deviation.h"

#include "journal/sqlite_statement.h"
#include "weighing/conversion_error.h"
#include "weighing/number_text.h"
#include "weighing/results_table.h"

namespace tarvelo::journal {

namespace {

std::int64_t batchOf(std::int64_t id, std::int64_t subject) { return subject != 0 ? subject : id; }

// The mass as the grid shows it; none when it is no number.
std::optional<double> shownMass(const std::string& mass) {
  try {
    return weighing::parseNumber(mass);
  } catch (const weighing::ConversionError&) {
    return std::nullopt;
  }
}

}  // namespace

BatchMeans::BatchMeans(sqlite3* db, const std::set<std::int64_t>& removed) {
  Statement results(db, "SELECT id, subject, mass FROM records WHERE kind = ? AND chain >= ?");
  results.bind(1, std::string(kResult));
  results.bind(2, std::int64_t{kBatchChainForm});
  while (results.next()) {
    const std::int64_t id = results.integer(0);
    const std::optional<double> mass = shownMass(results.text(2));
    if (removed.contains(id) || !mass) continue;
    Sum& sum = batches_[batchOf(id, results.integer(1))];
    sum.masses += *mass;
    ++sum.count;
  }
}

std::optional<std::string> BatchMeans::deviationOf(const JournalRecord& result) const {
  if (result.chain < kBatchChainForm) return std::nullopt;
  const auto batch = batches_.find(batchOf(result.id, result.subject));
  const std::optional<double> mass = shownMass(result.mass);
  if (batch == batches_.end() || !mass) return std::nullopt;
  const char separator = result.mass.find(',') != std::string::npos ? ',' : '.';
  return weighing::deviationText(*mass, batch->second.masses / batch->second.count, separator);
}

}  // namespace tarvelo::journal
