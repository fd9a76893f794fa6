#include "app/settings_file_store.h"

#include "link/config_home.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <map>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>
#include <variant>

namespace tarvelo::app {

namespace {

// Alternatives in the order of kKindNames.
using Value = std::variant<uint8_t, int32_t, std::string>;
using Values = std::map<std::string, Value>;

constexpr std::string_view kFlagKind = "flag";
constexpr std::string_view kNumberKind = "number";
constexpr std::string_view kTextKind = "text";
constexpr std::array<std::string_view, std::variant_size_v<Value>> kKindNames = {
    kFlagKind, kNumberKind, kTextKind};
constexpr char kFieldSeparator = '\t';
constexpr char kLineEnd = '\n';
constexpr char kCarriageReturn = '\r';
constexpr char kEscape = '\\';
constexpr char kHexEscape = 'x';
constexpr int kHexBase = 16;
constexpr size_t kHexEscapeDigits = 2;
constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;
// Escaped characters and the letter that follows the backslash for each.
constexpr std::array<std::pair<char, char>, 4> kNamedEscapes = {
    {{'\\', '\\'}, {'\t', 't'}, {'\n', 'n'}, {'\r', 'r'}}};

// The registry's per-user software root corresponds to the XDG configuration folder.
constexpr std::string_view kUserSoftwareRoot = "SOFTWARE\\";
static_assert(kSettingsKeyPath.starts_with(kUserSoftwareRoot));
constexpr char kRegistrySeparator = '\\';
// Bytes that would make an executable file name more than one path component.
constexpr std::string_view kNotInKeyName{"/\0", 2};
constexpr std::string_view kTempFileSuffix = ".XXXXXX";
constexpr size_t kReadChunkBytes = 4096;


// A key name is one path component, so no name leads out of the settings folder.
bool isKeyName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(kNotInKeyName) == std::string::npos;
}

std::filesystem::path keyDirOf(const std::string& executableFileName) {
  std::string vendorPath(kSettingsKeyPath.substr(kUserSoftwareRoot.size()));
  std::replace(vendorPath.begin(), vendorPath.end(), kRegistrySeparator, '/');
  return link::configHome() / vendorPath / executableFileName;
}

// The key folder when it exists (or, when `createIfAbsent`, could be made).
std::optional<std::filesystem::path> findKeyDir(const std::string& executableFileName,
                                                bool createIfAbsent) {
  if (!isKeyName(executableFileName)) return std::nullopt;
  auto dir = keyDirOf(executableFileName);
  std::error_code ec;
  if (createIfAbsent) std::filesystem::create_directories(dir, ec);
  if (!std::filesystem::is_directory(dir, ec)) return std::nullopt;
  return dir;
}

bool isControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < kFirstPrintable || byte == kDelete;
}

std::string escape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto named = std::find_if(kNamedEscapes.begin(), kNamedEscapes.end(),
                                    [c](const auto& e) { return e.first == c; });
    if (named != kNamedEscapes.end()) {
      out += {kEscape, named->second};
    } else if (isControl(c)) {
      const auto byte = static_cast<unsigned char>(c);
      out += {kEscape, kHexEscape, kHexDigits[byte / kHexBase], kHexDigits[byte % kHexBase]};
    } else {
      out += c;
    }
  }
  return out;
}

template <typename T>
std::optional<T> parseInteger(std::string_view text, int base = 10) {
  T value{};
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, base);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

// Nothing when the text holds a raw control byte or an escape that is cut off or unknown.
std::optional<std::string> unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (isControl(text[i])) return std::nullopt;
    if (text[i] != kEscape) {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    const char letter = text[i];
    const auto named = std::find_if(kNamedEscapes.begin(), kNamedEscapes.end(),
                                    [letter](const auto& e) { return e.second == letter; });
    if (named != kNamedEscapes.end()) {
      out += named->first;
      continue;
    }
    if (letter != kHexEscape || text.size() - i <= kHexEscapeDigits) return std::nullopt;
    const auto byte = parseInteger<unsigned char>(text.substr(i + 1, kHexEscapeDigits), kHexBase);
    if (!byte) return std::nullopt;
    out += static_cast<char>(*byte);
    i += kHexEscapeDigits;
  }
  return out;
}

std::optional<Value> parseValue(std::string_view kind, std::string_view text) {
  if (kind == kFlagKind) return parseInteger<uint8_t>(text);
  if (kind == kNumberKind) return parseInteger<int32_t>(text);
  if (kind == kTextKind) return unescape(text);
  return std::nullopt;
}

std::string formatValue(const Value& value) {
  return std::visit(
      [](const auto& v) {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>) {
          return escape(v);
        } else {
          return std::to_string(v);
        }
      },
      value);
}

// Adds the value of one line (without its line end); a line that cannot be read is skipped.
void addLine(std::string_view line, Values& values) {
  const size_t kindStart = line.find(kFieldSeparator);
  if (kindStart == std::string_view::npos) return;
  const size_t valueStart = line.find(kFieldSeparator, kindStart + 1);
  if (valueStart == std::string_view::npos) return;
  auto name = unescape(line.substr(0, kindStart));
  auto value = parseValue(line.substr(kindStart + 1, valueStart - kindStart - 1),
                          line.substr(valueStart + 1));
  if (name && value) values.insert_or_assign(std::move(*name), std::move(*value));
}

// Anything after the last line end is a cut-off line and is left out.
Values parseValues(std::string_view content) {
  Values values;
  for (size_t end = content.find(kLineEnd); end != std::string_view::npos;
       end = content.find(kLineEnd)) {
    std::string_view line = content.substr(0, end);
    content.remove_prefix(end + 1);
    // Tolerates a file saved with Windows line ends; a real carriage return is escaped.
    if (line.ends_with(kCarriageReturn)) line.remove_suffix(1);
    addLine(line, values);
  }
  return values;
}

std::string formatValues(const Values& values) {
  std::string content;
  for (const auto& [name, value] : values) {
    content += escape(name);
    content += kFieldSeparator;
    content += kKindNames[value.index()];
    content += kFieldSeparator;
    content += formatValue(value);
    content += kLineEnd;
  }
  return content;
}

// The whole file; empty when it is absent, nothing when it exists but cannot be read.
// Non-blocking open, so a FIFO in place of the file cannot stall the program.
std::optional<std::string> readFile(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? std::optional<std::string>("") : std::nullopt;
  std::optional<std::string> content;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    content.emplace();
    std::array<char, kReadChunkBytes> chunk{};
    ssize_t got = 0;
    while ((got = ::read(fd, chunk.data(), chunk.size())) != 0) {
      if (got > 0) {
        content->append(chunk.data(), static_cast<size_t>(got));
      } else if (errno != EINTR) {
        content.reset();
        break;
      }
    }
  }
  ::close(fd);
  return content;
}

bool writeAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t put = ::write(fd, content.data(), content.size());
    if (put < 0 && errno != EINTR) return false;
    if (put > 0) content.remove_prefix(static_cast<size_t>(put));
  }
  return true;
}

// A temporary file in the same folder, flushed to disk and renamed over the old one,
// so a crash leaves either the old or the new file, never a half-written one.
void replaceFile(const std::filesystem::path& file, std::string_view content) {
  std::string tempPath = file.string();
  tempPath += kTempFileSuffix;
  const int fd = ::mkostemp(tempPath.data(), O_CLOEXEC);
  if (fd < 0) return;
  const bool written = writeAll(fd, content) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(tempPath.c_str(), file.c_str()) != 0) {
    ::unlink(tempPath.c_str());
  }
}

std::optional<Values> loadValues(const std::filesystem::path& keyDir) {
  const auto content = readFile(keyDir / kSettingsSubkey);
  if (!content) return std::nullopt;
  return parseValues(*content);
}

template <typename T>
T readValue(const std::optional<std::filesystem::path>& keyDir, const std::string& name,
            T defaultValue) {
  if (!keyDir) return defaultValue;
  const auto values = loadValues(*keyDir);
  if (!values) return defaultValue;
  const auto found = values->find(name);
  if (found == values->end()) return defaultValue;
  const T* value = std::get_if<T>(&found->second);
  return value != nullptr ? *value : defaultValue;
}

// Holds the key folder's lock: writers in this process (the window's settings, the
// acquisition thread's memory of protocols) and in others take turns, so no write
// replaces the file with a copy that misses another's value.
class KeyLock {
 public:
  explicit KeyLock(const std::filesystem::path& keyDir)
      : fd_(::open(keyDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~KeyLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  KeyLock(const KeyLock&) = delete;
  KeyLock& operator=(const KeyLock&) = delete;

 private:
  int fd_;
};

void writeValue(const std::optional<std::filesystem::path>& keyDir, const std::string& name,
                Value value) {
  if (!keyDir) return;
  const KeyLock lock(*keyDir);
  auto values = loadValues(*keyDir);
  if (!values) return;
  values->insert_or_assign(name, std::move(value));
  replaceFile(*keyDir / kSettingsSubkey, formatValues(*values));
}

}  // namespace

bool SettingsFileStore::open(const std::string& executableFileName) {
  keyDir_ = findKeyDir(executableFileName, false);
  return keyDir_.has_value();
}

bool SettingsFileStore::create(const std::string& executableFileName) {
  keyDir_ = findKeyDir(executableFileName, true);
  return keyDir_.has_value();
}

void SettingsFileStore::close() { keyDir_.reset(); }

uint8_t SettingsFileStore::ReadFlag(const std::string& name, uint8_t defaultValue) const {
  return readValue(keyDir_, name, defaultValue);
}

int32_t SettingsFileStore::ReadNumber(const std::string& name, int32_t defaultValue) const {
  return readValue(keyDir_, name, defaultValue);
}

std::string SettingsFileStore::ReadText(const std::string& name,
                                        const std::string& defaultValue) const {
  return readValue(keyDir_, name, defaultValue);
}

void SettingsFileStore::WriteFlag(const std::string& name, uint8_t value) {
  writeValue(keyDir_, name, value);
}

void SettingsFileStore::WriteNumber(const std::string& name, int32_t value) {
  writeValue(keyDir_, name, value);
}

void SettingsFileStore::WriteText(const std::string& name, const std::string& value) {
  writeValue(keyDir_, name, value);
}

#ifndef _WIN32
std::unique_ptr<SettingsStore> makeSettingsStore() { return std::make_unique<SettingsFileStore>(); }
#endif

}  // namespace tarvelo::app
