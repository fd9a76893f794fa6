#include <poll.h>

#include "labserver/socket_wait.h"

namespace tarvelo::labserver {

bool waitSocket(int socket, bool forWriting, int timeoutMs) {
  pollfd watched{socket, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
  return poll(&watched, 1, timeoutMs) != 0;
}

}  // namespace tarvelo::labserver
