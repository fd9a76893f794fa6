#pragma once

#include <memory>

namespace tarvelo::reports {

// For its lifetime, the calling thread formats and parses numbers in the C library
// with "." whatever the process's locale; other threads, the window's among them,
// keep theirs. For libraries that print numbers into files with printf.
class CNumericLocale {
 public:
  CNumericLocale();
  ~CNumericLocale();
  CNumericLocale(const CNumericLocale&) = delete;
  CNumericLocale& operator=(const CNumericLocale&) = delete;

 private:
  struct Saved;
  std::unique_ptr<Saved> saved_;
};

}  // namespace tarvelo::reports
