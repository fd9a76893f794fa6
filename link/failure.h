#pragma once

#include <cerrno>
#include <string>
#include <system_error>

#include "link/system_error_text.h"

namespace tarvelo::link {

// Why an operation failed, in the words of the system or library that refused it: its
// own code and its own text, taken together right after the call that failed. An
// operation that yields nothing returns std::optional<Failure>, empty when it was done;
// one that yields a value gives the failure through an out-parameter.
struct Failure {
  int code = 0;         // errno, GetLastError(), an SQLite or libxlsxwriter code; 0 when it has none
  std::string message;  // UTF-8
};

// The system's failure of `code` (errno on POSIX, GetLastError() on Windows), with the
// system's own text for it.
inline Failure systemFailure(int code) { return {code, systemErrorText(code)}; }

// The failure `error` holds, with the text of its category.
inline Failure failureOf(const std::error_code& error) { return {error.value(), error.message()}; }

// The failure of the C library call that has just failed, by its errno.
inline Failure lastErrnoFailure() { return failureOf(std::error_code(errno, std::generic_category())); }

}  // namespace tarvelo::link
