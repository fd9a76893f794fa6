#include "partial_file.h"

namespace tarvelo::link {

std::optional<Failure> writeInPlace(
    const std::filesystem::path& file,
    const std::function<std::optional<Failure>(const std::filesystem::path& partial)>& write,
    FileReaders readers) {
  std::error_code error;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), error);
  if (error) return failureOf(error);
  const auto partial = createPartialFile(file, error);
  if (!partial) return failureOf(error);
  std::optional<Failure> failure = write(*partial);
  if (!failure) {
    if (finishPartialFile(*partial, file, readers, error)) replaceByPartialFile(*partial, file, error);
    if (!error) return std::nullopt;
    failure = failureOf(error);
  }
  std::filesystem::remove(*partial, error);
  return failure;
}

bool isPartialFileName(std::string_view name, std::string_view fileName) {
  if (!name.starts_with(fileName)) return false;
  name.remove_prefix(fileName.size());
  return name.size() == 1 + kPartialUniqueCharacters && name.front() == kPartialSeparator &&
         name.substr(1).find_first_not_of(kPartialNameCharacters) == std::string_view::npos;
}

}  // namespace tarvelo::link
