#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings_store.h"
#include "link/protocol_memory.h"

namespace tarvelo::settings {

// The window program's file name. tarvelo-read keeps its memory of protocols under
// this program's settings key, so both start the search where the other found a balance.
#ifdef _WIN32
inline constexpr std::string_view kProgramFileName = "Tarvelo.exe";
#else
inline constexpr std::string_view kProgramFileName = "Tarvelo";
#endif

// The protocol found last on each COM port: one number per port in the settings store
// ("ProtocolCOM3", numbered as GetW numbers them), and in memory for the later runs of
// this process even when the store cannot be written. A stored value of another kind
// or out of range is ignored. Used from the acquisition thread.
class StoredProtocolMemory final : public link::ProtocolMemory {
 public:
  StoredProtocolMemory(std::unique_ptr<SettingsStore> store, std::string executableFileName);

  std::optional<int> recall(int portNumber) override;
  void remember(int portNumber, int protocolIndex) override;

 private:
  std::mutex mutex_;
  std::unique_ptr<SettingsStore> store_;
  std::string key_;
  std::map<int, int> known_;
};

}  // namespace tarvelo::settings
