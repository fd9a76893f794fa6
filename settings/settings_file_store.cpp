#include "settings/settings_file_store.h"

#include "link/config_home.h"
#include "link/partial_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>
#include <variant>

namespace tarvelo::settings {

namespace {

// Alternatives in the order of kKindNames.
using Value = std::variant<uint8_t, int32_t, std::string>;
struct Entry {
  std::string name;
  Value value;
};
// Each name with its line as the file holds it, line end included: a write joins the
// lines and formats only the value it changes.
using Lines = std::map<std::string, std::string>;

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
constexpr size_t kReadChunkBytes = 4096;
constexpr size_t kWriteBufferBytes = size_t{64} * 1024;
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;


// An open file descriptor, closed with its owner.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (isOpen()) close();
  }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, kNone)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
      if (isOpen()) close();
      fd_ = std::exchange(other.fd_, kNone);
    }
    return *this;
  }

  bool isOpen() const { return fd_ != kNone; }
  int get() const { return fd_; }
  // False when the data written could not be stored after all.
  bool close() { return ::close(std::exchange(fd_, kNone)) == 0; }

 private:
  static constexpr int kNone = -1;
  int fd_ = kNone;
};

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

bool isEscaped(char c) { return c == kEscape || isControl(c); }

// Copies runs of plain characters whole, so a long text costs one pass.
void appendEscaped(std::string& out, std::string_view text) {
  while (!text.empty()) {
    const auto special = std::find_if(text.begin(), text.end(), isEscaped);
    out.append(text.begin(), special);
    if (special == text.end()) return;
    const char c = *special;
    const auto named = std::find_if(kNamedEscapes.begin(), kNamedEscapes.end(),
                                    [c](const auto& e) { return e.first == c; });
    if (named != kNamedEscapes.end()) {
      out += {kEscape, named->second};
    } else {
      const auto byte = static_cast<unsigned char>(c);
      out += {kEscape, kHexEscape, kHexDigits[byte / kHexBase], kHexDigits[byte % kHexBase]};
    }
    text.remove_prefix(static_cast<size_t>(special - text.begin()) + 1);
  }
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
  out.reserve(text.size());
  while (!text.empty()) {
    const auto special = std::find_if(text.begin(), text.end(), isEscaped);
    out.append(text.begin(), special);
    if (special == text.end()) break;
    if (*special != kEscape) return std::nullopt;
    text.remove_prefix(static_cast<size_t>(special - text.begin()) + 1);
    if (text.empty()) return std::nullopt;
    const char letter = text.front();
    text.remove_prefix(1);
    const auto named = std::find_if(kNamedEscapes.begin(), kNamedEscapes.end(),
                                    [letter](const auto& e) { return e.second == letter; });
    if (named != kNamedEscapes.end()) {
      out += named->first;
      continue;
    }
    if (letter != kHexEscape || text.size() < kHexEscapeDigits) return std::nullopt;
    const auto byte = parseInteger<unsigned char>(text.substr(0, kHexEscapeDigits), kHexBase);
    if (!byte) return std::nullopt;
    out += static_cast<char>(*byte);
    text.remove_prefix(kHexEscapeDigits);
  }
  return out;
}

std::optional<Value> parseValue(std::string_view kind, std::string_view text) {
  if (kind == kFlagKind) return parseInteger<uint8_t>(text);
  if (kind == kNumberKind) return parseInteger<int32_t>(text);
  if (kind == kTextKind) return unescape(text);
  return std::nullopt;
}

void appendValue(std::string& out, const Value& value) {
  std::visit(
      [&out](const auto& v) {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>) {
          appendEscaped(out, v);
        } else {
          out += std::to_string(v);
        }
      },
      value);
}

// Nothing when the line (without its line end) cannot be read.
std::optional<Entry> parseLine(std::string_view line) {
  const size_t kindStart = line.find(kFieldSeparator);
  if (kindStart == std::string_view::npos) return std::nullopt;
  const size_t valueStart = line.find(kFieldSeparator, kindStart + 1);
  if (valueStart == std::string_view::npos) return std::nullopt;
  auto name = unescape(line.substr(0, kindStart));
  auto value = parseValue(line.substr(kindStart + 1, valueStart - kindStart - 1),
                          line.substr(valueStart + 1));
  if (!name || !value) return std::nullopt;
  return Entry{std::move(*name), std::move(*value)};
}

std::string formatLine(const Entry& entry) {
  std::string line;
  appendEscaped(line, entry.name);
  line += kFieldSeparator;
  line += kKindNames[entry.value.index()];
  line += kFieldSeparator;
  appendValue(line, entry.value);
  line += kLineEnd;
  return line;
}

void setLine(Lines& lines, Entry entry) {
  std::string line = formatLine(entry);
  lines.insert_or_assign(std::move(entry.name), std::move(line));
}

// The lines that can be read, written anew, so the next write stores them cleanly.
// Anything after the last line end is a cut-off line and is left out.
Lines parseLines(std::string_view content) {
  Lines lines;
  for (size_t end = content.find(kLineEnd); end != std::string_view::npos;
       end = content.find(kLineEnd)) {
    std::string_view line = content.substr(0, end);
    content.remove_prefix(end + 1);
    // Tolerates a file saved with Windows line ends; a real carriage return is escaped.
    if (line.ends_with(kCarriageReturn)) line.remove_suffix(1);
    if (auto entry = parseLine(line)) setLine(lines, std::move(*entry));
  }
  return lines;
}

// All that is left to read from `fd`; `expectedBytes` sizes the buffer, so a regular file
// is read in one go. Nothing when reading fails.
std::optional<std::string> readAll(int fd, size_t expectedBytes) {
  // One byte more than expected, so the end of the file is seen without growing.
  std::string content(std::max(expectedBytes + 1, kReadChunkBytes), '\0');
  size_t used = 0;
  for (;;) {
    if (used == content.size()) content.resize(2 * content.size());
    const ssize_t got = ::read(fd, content.data() + used, content.size() - used);
    if (got == 0) break;
    if (got > 0) {
      used += static_cast<size_t>(got);
    } else if (errno != EINTR) {
      return std::nullopt;
    }
  }
  content.resize(used);
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

// Short lines are gathered into few writes, long ones go out as they are: the file is
// never copied whole into memory.
bool writeLines(int fd, const Lines& lines) {
  std::string buffer;
  buffer.reserve(kWriteBufferBytes);
  for (const auto& named : lines) {
    const std::string& line = named.second;
    if (buffer.size() + line.size() > kWriteBufferBytes) {
      if (!writeAll(fd, buffer)) return false;
      buffer.clear();
    }
    if (line.size() > kWriteBufferBytes) {
      if (!writeAll(fd, line)) return false;
    } else {
      buffer += line;
    }
  }
  return writeAll(fd, buffer);
}

// Writes the lines into the partial file of a write; the reason when they cannot be.
std::optional<link::Failure> writeLinesInto(const std::filesystem::path& partial, const Lines& lines) {
  FileDescriptor out(::open(partial.c_str(), O_WRONLY | O_CLOEXEC));
  if (out.isOpen() && writeLines(out.get(), lines) && out.close()) return std::nullopt;
  return link::lastErrnoFailure();
}

// Partial files left by writers that were killed while writing. Call only with the
// key's lock held: every writer holds it while its partial file exists, so then none
// of them is still being written.
void removeStrayPartialFiles(const std::filesystem::path& keyDir) {
  std::error_code ec;
  for (std::filesystem::directory_iterator entry(keyDir, ec), end; !ec && entry != end;
       entry.increment(ec)) {
    if (link::isPartialFileName(entry->path().filename().native(), kSettingsSubkey) &&
        entry->symlink_status(ec).type() == std::filesystem::file_type::regular) {
      ::unlink(entry->path().c_str());
    }
  }
}

// Holds the key folder's lock: writers in this process (the window's settings, the
// acquisition thread's memory of protocols) and in others take turns, so no write
// replaces the file with a copy that misses another's value.
class KeyLock {
 public:
  explicit KeyLock(const std::filesystem::path& keyDir)
      : dir_(::open(keyDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)), held_(lock(dir_)) {}
  // A write goes ahead without the lock when it cannot be had, but then leaves the
  // other writers' files alone.
  bool held() const { return held_; }

 private:
  static bool lock(const FileDescriptor& dir) {
    if (!dir.isOpen()) return false;
    while (::flock(dir.get(), LOCK_EX) != 0) {
      if (errno != EINTR) return false;
    }
    return true;
  }

  FileDescriptor dir_;
  bool held_;
};

bool sameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

// The lines of the subkey file as this store last read or wrote them, kept while the
// file stays the same. A writer replaces the file by another inode; the one read is held
// open, so its number cannot pass to the new file. A change in place shows in the size or
// the time stamps.
class SettingsFileCache {
 public:
  // The lines of `file` as it is now; nullptr when it exists but cannot be read.
  Lines* lines(const std::filesystem::path& file) {
    if (isCurrent(file)) return &*lines_;
    forget();
    if (!hold(file)) return errno == ENOENT ? &lines_.emplace() : nullptr;
    auto content = S_ISREG(state_.st_mode)
                       ? readAll(file_.get(), static_cast<size_t>(state_.st_size))
                       : std::nullopt;
    if (!content) {
      forget();
      return nullptr;
    }
    return &lines_.emplace(parseLines(*content));
  }

  // After the lines were changed in place and written to `file`.
  void wrote(const std::filesystem::path& file) {
    if (!hold(file)) forget();
  }

  void forget() {
    lines_.reset();
    file_ = FileDescriptor();
  }

 private:
  bool isCurrent(const std::filesystem::path& file) const {
    if (!lines_) return false;
    struct stat now {};
    if (::stat(file.c_str(), &now) != 0) return errno == ENOENT && !file_.isOpen();
    return file_.isOpen() && now.st_dev == state_.st_dev && now.st_ino == state_.st_ino &&
           now.st_size == state_.st_size && sameTime(now.st_mtim, state_.st_mtim) &&
           sameTime(now.st_ctim, state_.st_ctim);
  }

  // Opens `file` and notes its state before anything is read from it, so a change made
  // while reading shows at the next call. False, with errno telling why, when it cannot.
  bool hold(const std::filesystem::path& file) {
    FileDescriptor fd(::open(file.c_str(), kReadFlags));
    if (!fd.isOpen() || ::fstat(fd.get(), &state_) != 0) return false;
    file_ = std::move(fd);
    return true;
  }

  FileDescriptor file_;
  struct stat state_ {};
  std::optional<Lines> lines_;
};

namespace {

template <typename T>
T readValue(const std::optional<std::filesystem::path>& keyDir, SettingsFileCache& cache,
            const std::string& name, T defaultValue) {
  if (!keyDir) return defaultValue;
  const Lines* lines = cache.lines(*keyDir / kSettingsSubkey);
  if (lines == nullptr) return defaultValue;
  const auto found = lines->find(name);
  if (found == lines->end()) return defaultValue;
  // A kept line was read or written whole, so without its line end it parses.
  std::string_view line = found->second;
  line.remove_suffix(1);
  auto entry = parseLine(line);
  T* value = std::get_if<T>(&entry->value);
  return value != nullptr ? std::move(*value) : defaultValue;
}

void writeValue(const std::optional<std::filesystem::path>& keyDir, SettingsFileCache& cache,
                const std::string& name, Value value) {
  std::error_code ec;
  // A key removed since it was opened takes no values, as a removed registry key takes none.
  if (!keyDir || !std::filesystem::is_directory(*keyDir, ec)) return;
  const KeyLock lock(*keyDir);
  if (lock.held()) removeStrayPartialFiles(*keyDir);
  const auto file = *keyDir / kSettingsSubkey;
  Lines* lines = cache.lines(file);
  if (lines == nullptr) return;
  setLine(*lines, Entry{name, std::move(value)});
  const auto write = [lines](const std::filesystem::path& partial) {
    return writeLinesInto(partial, *lines);
  };
  // The settings may name the lab's server and its login: for the user's eyes only.
  if (!link::writeInPlace(file, write, link::FileReaders::OwnerOnly)) {
    cache.wrote(file);
  } else {
    cache.forget();
  }
}

}  // namespace

SettingsFileStore::SettingsFileStore() : cache_(std::make_unique<SettingsFileCache>()) {}

SettingsFileStore::~SettingsFileStore() = default;

bool SettingsFileStore::open(const std::string& executableFileName) {
  cache_->forget();
  keyDir_ = findKeyDir(executableFileName, false);
  return keyDir_.has_value();
}

bool SettingsFileStore::create(const std::string& executableFileName) {
  cache_->forget();
  keyDir_ = findKeyDir(executableFileName, true);
  return keyDir_.has_value();
}

void SettingsFileStore::close() {
  cache_->forget();
  keyDir_.reset();
}

uint8_t SettingsFileStore::ReadFlag(const std::string& name, uint8_t defaultValue) const {
  return readValue(keyDir_, *cache_, name, defaultValue);
}

int32_t SettingsFileStore::ReadNumber(const std::string& name, int32_t defaultValue) const {
  return readValue(keyDir_, *cache_, name, defaultValue);
}

std::string SettingsFileStore::ReadText(const std::string& name,
                                        const std::string& defaultValue) const {
  return readValue(keyDir_, *cache_, name, defaultValue);
}

void SettingsFileStore::WriteFlag(const std::string& name, uint8_t value) {
  writeValue(keyDir_, *cache_, name, value);
}

void SettingsFileStore::WriteNumber(const std::string& name, int32_t value) {
  writeValue(keyDir_, *cache_, name, value);
}

void SettingsFileStore::WriteText(const std::string& name, const std::string& value) {
  writeValue(keyDir_, *cache_, name, value);
}

std::unique_ptr<SettingsStore> makeSettingsStore() { return std::make_unique<SettingsFileStore>(); }

}  // namespace tarvelo::settings
