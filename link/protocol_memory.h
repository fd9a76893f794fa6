#pragma once

#include <optional>

namespace tarvelo::link {

// The protocols in the order of GetW's rotation index (the search steps BM, TSK, B).
enum ProtocolIndex : int { ProtocolTsk = 0, ProtocolB = 1, ProtocolBm = 2 };
inline constexpr int kProtocolCount = 3;

constexpr bool isProtocolIndex(int index) { return index >= 0 && index < kProtocolCount; }

// Which protocol last delivered a reading on each COM port, so the next search on
// that port starts with it. Protocols are numbered as GetW numbers them.
class ProtocolMemory {
 public:
  virtual ~ProtocolMemory() = default;
  // Nothing when no protocol is remembered for the port (or what is stored is unusable).
  virtual std::optional<int> recall(int portNumber) = 0;
  virtual void remember(int portNumber, int protocolIndex) = 0;
};

}  // namespace tarvelo::link
