#pragma once

#include <filesystem>

namespace tarvelo::link {

// The user's configuration folder, as the XDG base directory rules say: an unset,
// empty or relative XDG_CONFIG_HOME means ~/.config. COM port links and settings live below it.
std::filesystem::path configHome();

}  // namespace tarvelo::link
