#pragma once

namespace tarvelo::labserver {

// Waits at most `timeoutMs` for the connection's socket to be readable (or writable);
// true when it is, or when waiting failed and the caller should look.
bool waitSocket(int socket, bool forWriting, int timeoutMs);

}  // namespace tarvelo::labserver
