#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarvelo::reports {

// Where the protocol folder is kept: beside the program when it runs from a folder of its
// own that the user can write, otherwise in `documentsFolder`/Tarvelo. An installed
// program's folder is the system's.
std::filesystem::path protocolsHome(const std::filesystem::path& executableFolder, bool installed,
                                    const std::filesystem::path& documentsFolder);

// The folder of the protocols, "протоколы" in the folder `protocolsHome` gave.
std::filesystem::path protocolFolder(const std::filesystem::path& executableFolder);

// The protocol number as a file name: blanks around it and dots at its end are dropped,
// every character not allowed in a file name (/ \ : * ? " < > | and control characters)
// becomes "_", and a Windows device name (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, in any
// letter case, before any extension) gets "_" after it. Empty when nothing is left.
std::string protocolFileStem(std::string_view labelNumber);

// The protocol's file name in the protocol folder, without an extension; none when the
// number leaves no name. The name always stays inside the folder.
std::optional<std::filesystem::path> protocolFileName(const std::filesystem::path& executableFolder,
                                                      std::string_view labelNumber);

// Whether a protocol is already saved under `fileName` + ".xls" or, failing that, + ".xlsx".
bool protocolExists(const std::filesystem::path& fileName);

// The file a protocol is written to: the default name gets ".xlsx"; a name chosen with
// ".xls" is saved with ".xlsx" in its place; a name without an extension gets ".xlsx".
std::filesystem::path defaultProtocolPath(const std::filesystem::path& fileName);
std::filesystem::path chosenProtocolPath(const std::filesystem::path& chosenFile);

}  // namespace tarvelo::reports
