#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "journal/journal.h"
#include "labserver/lab_connection.h"

namespace tarvelo::labserver {

// How many records go to the server in one transaction.
inline constexpr int kSendBatch = 200;

struct SendResult {
  std::int64_t sent = 0;     // records the server took now
  std::int64_t waiting = 0;  // records the server still lacks
  std::optional<LabFailure> failure;
};

// Sends the station's records the server lacks, in order, a batch at a time until none is
// left. Before that, and when the server refuses a record, the journal is held against the
// server's copy: a journal that was cut, or rewritten with a chain made anew, is named by
// the first record the two do not share, and nothing more is sent. Only records the
// journal's own chain proves are sent: the first it does not stops the sending, named.
// `progress` hears after each batch how many records still wait, and says whether to go
// on: a program that is closing stops between batches.
SendResult sendPending(LabConnection& connection, const journal::Journal& journal, const std::string& station,
                       const std::function<bool(std::int64_t waiting)>& progress = {});

// The first record of the station in which the journal and the server differ (one of them
// lacks it, or holds another); none when the server's copy is the journal's beginning.
std::optional<LabFailure> firstDifference(LabConnection& connection, const journal::Journal& journal,
                                          const std::string& station, std::optional<std::int64_t>& record);

}  // namespace tarvelo::labserver
