#include "protocol_file_name.h"

#include <algorithm>
#include <cctype>
#include <span>
#include <system_error>

#include "link/partial_file.h"
#include "link/utf8_path.h"

namespace tarvelo::reports {
namespace {

inline constexpr char8_t kProtocolFolderName[] = u8"протоколы";
inline constexpr std::string_view kForbiddenCharacters = "/\\:*?\"<>|";
inline constexpr std::string_view kBlanks = " \t\n\v\f\r";
inline constexpr char kReplacement = '_';
inline constexpr char kDeleteCharacter = 0x7F;
inline constexpr char kExtensionDot = '.';
inline constexpr char kOldExtension[] = ".xls";
inline constexpr char kSavedExtension[] = ".xlsx";
inline constexpr std::string_view kDeviceNames[] = {"CON", "PRN", "AUX", "NUL"};
inline constexpr std::string_view kNumberedDeviceNames[] = {"COM", "LPT"};
inline constexpr char kFirstDeviceNumber = '1';
inline constexpr char kLastDeviceNumber = '9';
inline constexpr char kDocumentsSubfolder[] = "Tarvelo";
inline constexpr char kWriteProbeName[] = ".tarvelo-write-probe";

bool allowedInFileName(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x20 && c != kDeleteCharacter &&
         kForbiddenCharacters.find(c) == std::string_view::npos;
}

bool isBlank(char c) { return kBlanks.find(c) != std::string_view::npos; }

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

bool isOneOf(std::string_view name, std::span<const std::string_view> names) {
  return std::any_of(names.begin(), names.end(),
                     [name](std::string_view known) { return sameIgnoringCase(name, known); });
}

// Windows opens the device, not a file, under these names, whatever extension follows.
bool isDeviceName(std::string_view name) {
  if (isOneOf(name, kDeviceNames)) return true;
  if (name.empty()) return false;
  const char number = name.back();
  return number >= kFirstDeviceNumber && number <= kLastDeviceNumber &&
         isOneOf(name.substr(0, name.size() - 1), kNumberedDeviceNames);
}

// Blanks around a number are typed by mistake, and Windows drops dots and blanks at the
// end of a name, so a file saved here under them would be another file there.
std::string_view trimmed(std::string_view number) {
  number.remove_prefix(std::min(number.find_first_not_of(kBlanks), number.size()));
  while (!number.empty() && (number.back() == kExtensionDot || isBlank(number.back())))
    number.remove_suffix(1);
  return number;
}

std::filesystem::path withSuffix(const std::filesystem::path& file, const char* suffix) {
  std::filesystem::path result = file;
  result += suffix;
  return result;
}

bool isOldExtension(const std::filesystem::path& extension) {
  return sameIgnoringCase(extension.string(), kOldExtension);
}

// Whether a file can be made in the folder, found by making one: attributes do not tell
// (a Windows folder's read-only mark keeps no file out, its access rights may).
bool writable(const std::filesystem::path& folder) {
  std::error_code error;
  const auto probe = link::createPartialFile(folder / kWriteProbeName, error);
  if (!probe) return false;
  std::filesystem::remove(*probe, error);
  return true;
}

}  // namespace

std::filesystem::path protocolsHome(const std::filesystem::path& executableFolder, bool installed,
                                    const std::filesystem::path& documentsFolder) {
  if (!installed && writable(executableFolder)) return executableFolder;
  return documentsFolder / kDocumentsSubfolder;
}

std::filesystem::path protocolFolder(const std::filesystem::path& executableFolder) {
  return executableFolder / kProtocolFolderName;
}

std::string protocolFileStem(std::string_view labelNumber) {
  std::string stem(trimmed(labelNumber));
  std::replace_if(
      stem.begin(), stem.end(), [](char c) { return !allowedInFileName(c); }, kReplacement);
  const size_t extensionAt = std::min(stem.find(kExtensionDot), stem.size());
  if (isDeviceName(std::string_view(stem).substr(0, extensionAt)))
    stem.insert(extensionAt, 1, kReplacement);
  return stem;
}

std::optional<std::filesystem::path> protocolFileName(const std::filesystem::path& executableFolder,
                                                      std::string_view labelNumber) {
  // With the dots at the end dropped, no name is "." or ".." and leaves the folder.
  const std::string stem = protocolFileStem(labelNumber);
  if (stem.empty()) return std::nullopt;
  return protocolFolder(executableFolder) / link::utf8Path(stem);
}

bool protocolExists(const std::filesystem::path& fileName) {
  std::error_code error;
  return std::filesystem::exists(withSuffix(fileName, kOldExtension), error) ||
         std::filesystem::exists(withSuffix(fileName, kSavedExtension), error);
}

std::filesystem::path defaultProtocolPath(const std::filesystem::path& fileName) {
  return withSuffix(fileName, kSavedExtension);
}

std::filesystem::path chosenProtocolPath(const std::filesystem::path& chosenFile) {
  std::filesystem::path result = chosenFile;
  if (isOldExtension(result.extension())) return result.replace_extension(kSavedExtension);
  if (!result.has_extension()) result += kSavedExtension;
  return result;
}

}  // namespace tarvelo::reports
