#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "link/failure.h"

namespace tarvelo::journal {

// The journal's newest record: its number and hash. Copies of it kept outside the file (the
// user's configuration, protocols, exports, a notebook) show a cut tail or a rewritten
// chain, which the chain alone cannot.
struct Head {
  std::int64_t record = 0;
  std::string hash;  // hex; a copy may keep only its first kShownHashDigits digits
};

// How many hex digits of the hash a printed head shows, and the fewest an anchor may give.
inline constexpr size_t kShownHashDigits = 16;

// "N:<hex>", as `--anchor` takes it.
std::string anchorText(const Head& head);
// "N:<hex>" with at least kShownHashDigits hex digits; none when it is not that.
std::optional<Head> parseAnchor(std::string_view text);
// Whether a record numbered `record` with `hash` is the one the anchor names.
bool matchesAnchor(const Head& anchor, std::int64_t record, std::string_view hash);
// "Журнал: запись № N, подпись <16 hex digits>", as protocols and exports print it.
std::string printedHead(const Head& head);

// Where the head of the journal at `journal` is kept: a small file of its own in the
// user's configuration folder, one per journal.
std::filesystem::path headFileOf(const std::filesystem::path& journal);
// The head last stored for that journal; none when none was.
std::optional<Head> storedHead(const std::filesystem::path& journal);
// Replaces the stored head whole (written beside, flushed, renamed); the failure when not kept.
std::optional<link::Failure> storeHead(const std::filesystem::path& journal, const Head& head);

}  // namespace tarvelo::journal
