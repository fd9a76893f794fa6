#pragma once

#include <cstdint>
#include <string>

namespace tarvelo::labserver {

// What stood between the station and the lab's server, for the words the user is given.
enum class LabProblem {
  BadSettings,     // the connection string does not parse, or an administrator's request makes no sense
  HostNotFound,
  Refused,         // nothing listens there, or a firewall said no
  Password,        // none given where one is asked, or a wrong one
  NoDatabase,
  NoPermission,    // pg_hba.conf, or the role lacks a right on the lab's journal
  NoLabJournal,    // the database holds no lab journal: "server init" was not run
  NoStation,       // the login adds records for no station
  ChainMismatch,   // the server holds another chain for this station
  RecordRefused,   // the server will not take a record as it is: said with its number, never retried quietly
  Unproven,        // the station's own chain does not prove a record: it is not sent
  Busy,            // a deadlock, a lock or statement time limit: tried again, quietly
  Unreachable,     // anything else on the way: a timeout, a dropped connection
};

struct LabFailure {
  LabProblem problem = LabProblem::Unreachable;
  std::string text;  // Russian, for the status line and the message box, with the server's own words
  std::int64_t record = 0;  // ChainMismatch, RecordRefused: the first record the server does not take
};

// The station's journal and the server's copy part at `record`.
LabFailure chainMismatch(std::int64_t record);

// The server does not take record `record`, for `reason`.
LabFailure recordRefused(std::int64_t record, const std::string& reason);

// The station's chain does not prove its record `record`.
LabFailure unproven(std::int64_t record);

// The Russian words for a failed connection: what is wrong, then the server's own text.
LabFailure connectionFailure(const std::string& message, bool needsPassword);

}  // namespace tarvelo::labserver
