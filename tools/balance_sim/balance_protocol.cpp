#include "balance_protocol.h"

namespace tarvelo::balance_sim {

std::unique_ptr<BalanceProtocol> makeBalanceProtocol(const Options& options,
                                                     ReadingStream& readings) {
  switch (options.protocol) {
    case ProtocolKind::Tsk:
      return makeTskProtocol(readings, options.decimals);
    case ProtocolKind::B:
      return makeBProtocol(readings, options.decimals, options.bModelCode, options.serialNumber);
    case ProtocolKind::Bm:
      return makeBmProtocol(readings, options.decimals, options.bmModel, options.serialNumber,
                            options.bmPeriod);
  }
  return nullptr;
}

}  // namespace tarvelo::balance_sim
