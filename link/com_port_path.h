#pragma once

#include <filesystem>

namespace tarvelo::link {

// COM port numbers on Linux: port n is the device that the link
// $XDG_CONFIG_HOME/Korvane/Tarvelo/ports/COMn points to (default ~/.config/...),
// otherwise /dev/ttyS<n-1>.
std::filesystem::path comPortLinkDir();
std::filesystem::path comPortLinkPath(int portNumber);
std::filesystem::path comPortDevice(int portNumber);

}  // namespace tarvelo::link
