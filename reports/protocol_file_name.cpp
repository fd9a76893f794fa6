#include "protocol_file_name.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <system_error>

namespace tarvelo::reports {
namespace {

inline constexpr char8_t kProtocolFolderName[] = u8"протоколы";
inline constexpr std::string_view kForbiddenCharacters = "/\\:*?\"<>|";
inline constexpr char kReplacement = '_';
inline constexpr char kDeleteCharacter = 0x7F;
inline constexpr char kOldExtension[] = ".xls";
inline constexpr char kSavedExtension[] = ".xlsx";

bool allowedInFileName(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x20 && c != kDeleteCharacter &&
         kForbiddenCharacters.find(c) == std::string_view::npos;
}

std::filesystem::path withSuffix(const std::filesystem::path& file, const char* suffix) {
  std::filesystem::path result = file;
  result += suffix;
  return result;
}

// Texts are UTF-8 on every platform; a path made from them must say so for Windows.
std::filesystem::path utf8Path(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

bool isOldExtension(const std::filesystem::path& extension) {
  const std::string text = extension.string();
  return std::equal(
      text.begin(), text.end(), std::begin(kOldExtension), std::end(kOldExtension) - 1,
      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

}  // namespace

std::filesystem::path protocolFolder(const std::filesystem::path& executableFolder) {
  return executableFolder / kProtocolFolderName;
}

std::string protocolFileStem(std::string_view labelNumber) {
  std::string stem(labelNumber);
  std::replace_if(
      stem.begin(), stem.end(), [](char c) { return !allowedInFileName(c); }, kReplacement);
  // "." and ".." name the folder itself and its parent.
  if (std::all_of(stem.begin(), stem.end(), [](char c) { return c == '.'; })) {
    std::fill(stem.begin(), stem.end(), kReplacement);
  }
  return stem;
}

std::filesystem::path protocolFileName(const std::filesystem::path& executableFolder,
                                       std::string_view labelNumber) {
  return protocolFolder(executableFolder) / utf8Path(protocolFileStem(labelNumber));
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
