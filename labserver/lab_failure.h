#pragma once

#include <cstdint>
#include <string>

namespace tarvelo::labserver {

// What stood between the station and the lab's server, for the words the user is given.
enum class LabProblem {
  BadSettings,     // the connection string does not parse
  HostNotFound,
  Refused,         // nothing listens there, or a firewall said no
  Password,        // none given where one is asked, or a wrong one
  NoDatabase,
  NoPermission,    // pg_hba.conf, or the role lacks a right on the lab's journal
  NoLabJournal,    // the database holds no lab journal: "server init" was not run
  ChainMismatch,   // the server holds another chain for this station
  Unreachable,     // anything else on the way: a timeout, a dropped connection
};

struct LabFailure {
  LabProblem problem = LabProblem::Unreachable;
  std::string text;  // Russian, for the status line and the message box, with the server's own words
  std::int64_t record = 0;  // ChainMismatch: the first record the server does not share
};

// The station's journal and the server's copy part at `record`.
LabFailure chainMismatch(std::int64_t record);

// The Russian words for a failed connection: what is wrong, then the server's own text.
LabFailure connectionFailure(const std::string& message, bool needsPassword);

}  // namespace tarvelo::labserver
