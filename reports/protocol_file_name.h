#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarvelo::reports {

// The folder of the protocols, "протоколы" beside the program's executable.
std::filesystem::path protocolFolder(const std::filesystem::path& executableFolder);

// The protocol number as a file name: every character not allowed in a file name
// (/ \ : * ? " < > | and control characters) becomes "_", and so do the dots of a name
// made of dots only, so the name always stays inside the folder.
std::string protocolFileStem(std::string_view labelNumber);

// The protocol's file name in the protocol folder, without an extension.
std::filesystem::path protocolFileName(const std::filesystem::path& executableFolder,
                                       std::string_view labelNumber);

// Whether a protocol is already saved under `fileName` + ".xls" or, failing that, + ".xlsx".
bool protocolExists(const std::filesystem::path& fileName);

// The file a protocol is written to: the default name gets ".xlsx"; a name chosen with
// ".xls" is saved with ".xlsx" in its place; a name without an extension gets ".xlsx".
std::filesystem::path defaultProtocolPath(const std::filesystem::path& fileName);
std::filesystem::path chosenProtocolPath(const std::filesystem::path& chosenFile);

}  // namespace tarvelo::reports
