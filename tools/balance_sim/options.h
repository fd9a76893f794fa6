#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "reading_stream.h"
#include "weight_source.h"

namespace tarvelo::balance_sim {

enum class ProtocolKind { Tsk, B, Bm };

struct Options {
  bool showHelp = false;
  ProtocolKind protocol = ProtocolKind::Tsk;
  std::optional<int> comPort;
  std::optional<std::filesystem::path> weightsFile;
  std::vector<ProfileStep> profile;  // empty: no profile
  double weightGrams = 25.0;
  double noiseSdGrams = 0.3;
  std::uint32_t seed = 1;
  int decimals = 2;
  std::uint8_t bModelCode = 1;
  std::string bmModel = "KM500";
  std::uint32_t serialNumber = 1234;
  ReadingRules rules{.unstableEvery = 5, .unstableStepGrams = 0.5};
  std::chrono::milliseconds bmPeriod{250};
  std::optional<int> tagReaderCom;  // none: no tag reader
  std::vector<std::string> tags{"985000001234567", "985000001234568", "985000001234569"};
  bool tagReaderStdin = false;
};

// Throws std::invalid_argument with a message fit for the user.
Options parseOptions(int argc, char** argv);

const char* usageText();

}  // namespace tarvelo::balance_sim
