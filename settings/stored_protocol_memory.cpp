#include "settings/stored_protocol_memory.h"

namespace tarvelo::settings {

namespace {

constexpr int32_t kNothingStored = -1;

std::string valueName(int portNumber) { return "ProtocolCOM" + std::to_string(portNumber); }

}  // namespace

StoredProtocolMemory::StoredProtocolMemory(std::unique_ptr<SettingsStore> store,
                                           std::string executableFileName)
    : store_(std::move(store)), key_(std::move(executableFileName)) {}

std::optional<int> StoredProtocolMemory::recall(int portNumber) {
  const std::lock_guard lock(mutex_);
  if (const auto found = known_.find(portNumber); found != known_.end()) return found->second;
  if (!store_->open(key_)) return std::nullopt;
  const int32_t stored = store_->ReadNumber(valueName(portNumber), kNothingStored);
  store_->close();
  if (!link::isProtocolIndex(stored)) return std::nullopt;
  known_[portNumber] = stored;
  return stored;
}

void StoredProtocolMemory::remember(int portNumber, int protocolIndex) {
  const std::lock_guard lock(mutex_);
  known_[portNumber] = protocolIndex;
  if (!store_->create(key_)) return;
  store_->WriteNumber(valueName(portNumber), protocolIndex);
  store_->close();
}

}  // namespace tarvelo::settings
