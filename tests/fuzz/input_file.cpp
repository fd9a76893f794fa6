#include "input_file.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace tarvelo::fuzz {

namespace {

struct Scratch {
  std::filesystem::path path;
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

}  // namespace

const std::filesystem::path& scratchFolder() {
  static const Scratch scratch{[] {
    auto path =
        std::filesystem::temp_directory_path() / ("tarvelo-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    return path;
  }()};
  return scratch.path;
}

std::filesystem::path writeInput(const std::filesystem::path& name, const std::uint8_t* data,
                                 std::size_t size) {
  const std::filesystem::path file = scratchFolder() / name;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  if (!out) std::abort();  // every run would test nothing
  return file;
}

}  // namespace tarvelo::fuzz
