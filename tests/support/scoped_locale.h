#pragma once

#include <clocale>
#include <string>

namespace tarvelo::testing_support {

// The C library's locale set to `name` for the scope, as a program's setlocale() on that
// system sets it; `ok()` says whether the system has that locale.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name) : before_(std::setlocale(LC_ALL, nullptr)) {
    ok_ = std::setlocale(LC_ALL, name) != nullptr;
  }
  ~ScopedLocale() { std::setlocale(LC_ALL, before_.c_str()); }
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

  bool ok() const { return ok_; }
  char decimalPoint() const { return *std::localeconv()->decimal_point; }

 private:
  std::string before_;
  bool ok_ = false;
};

// The locales the tests write files under: the users' and the C library's default.
#ifdef _WIN32
inline constexpr const char* kRussianLocale = "Russian_Russia.1251";
inline constexpr const char* kPlainLocale = "C";
#else
inline constexpr const char* kRussianLocale = "ru_RU.UTF-8";
inline constexpr const char* kPlainLocale = "C.UTF-8";
#endif

}  // namespace tarvelo::testing_support
