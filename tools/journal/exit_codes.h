#pragma once

namespace tarvelo::tools {

// tarvelo-journal's exit codes.
inline constexpr int kExitBadUsage = 1;
inline constexpr int kExitNoJournal = 2;
inline constexpr int kExitChainBroken = 3;
inline constexpr int kExitNotWritten = 4;
inline constexpr int kExitUnreadable = 5;
inline constexpr int kExitNotAJournal = 6;
inline constexpr int kExitNoServer = 7;
inline constexpr int kExitNoRecords = 8;  // the object or animal named has no records
inline constexpr int kExitLinesRefused = 9;     // list import: a line refused, nothing written
inline constexpr int kExitListUnreadable = 10;  // list import: the file gives no list

}  // namespace tarvelo::tools
