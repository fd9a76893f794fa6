#include <winsock2.h>

#include "labserver/socket_wait.h"

namespace tarvelo::labserver {

bool waitSocket(int socket, bool forWriting, int timeoutMs) {
  // libpq hands out the SOCKET as an int.
  WSAPOLLFD watched{static_cast<SOCKET>(socket),
                    static_cast<SHORT>(forWriting ? POLLWRNORM : POLLRDNORM), 0};
  return WSAPoll(&watched, 1, timeoutMs) != 0;
}

}  // namespace tarvelo::labserver
