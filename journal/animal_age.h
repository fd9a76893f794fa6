#pragma once

#include <optional>
#include <string>

namespace tarvelo::journal {

// The animal's age in whole days on the local date of `local` ("2026-12-07 12:05:07" or
// "2026-12-07"), from its date of birth `born` ("2026-10-01"); none without both dates or
// when it was born after that day.
std::optional<long long> ageInDays(const std::string& born, const std::string& local);

// The same as a text for a table or an export: empty when there is no age.
std::string ageText(const std::string& born, const std::string& local);

}  // namespace tarvelo::journal
