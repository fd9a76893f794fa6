#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace tarvelo::testing_support {

inline constexpr uid_t kNobody = 65534;

// Whether `check` holds for a user without privileges. Root may open and write anything,
// so as root the check runs as nobody, in a child process.
inline bool holdsForAnUnprivilegedUser(const std::function<bool()>& check) {
  if (geteuid() != 0) return check();
  const pid_t child = fork();
  if (child == 0) _exit(setgid(kNobody) == 0 && setuid(kNobody) == 0 && check() ? 0 : 1);
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace tarvelo::testing_support
