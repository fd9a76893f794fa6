#include <cstdlib>

#include "input_file.h"
#include "session/pending_records.h"

using namespace tarvelo;

namespace {

bool same(const session::QueuedRecord& a, const session::QueuedRecord& b) {
  const auto shares = [](const session::QueuedRecord& q) {
    return q.shares ? std::optional(std::pair(q.shares->warning, q.shares->limit)) : std::nullopt;
  };
  return journal::canonicalText(a.record) == journal::canonicalText(b.record) &&
         a.ticket == b.ticket && a.subjectTicket == b.subjectTicket && shares(a) == shares(b) &&
         a.carried == b.carried;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string error;
  const auto records =
      session::readPendingRecords(fuzz::writeInput("pending.json", data, size), error);
  if (!error.empty() && !records.empty()) std::abort();
  // What was read is written and read back as it is.
  const std::filesystem::path again = fuzz::scratchFolder() / "again.json";
  if (session::writePendingRecords(again, records)) std::abort();
  std::string rereadError;
  const auto reread = session::readPendingRecords(again, rereadError);
  if (!rereadError.empty() || reread.size() != records.size()) std::abort();
  for (size_t i = 0; i < records.size(); ++i) {
    if (!records[i].carried || !same(records[i], reread[i])) std::abort();
  }
  return 0;
}
