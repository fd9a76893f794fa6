#include "c_numeric_locale.h"

#include <clocale>
#include <locale.h>
#include <string>

namespace tarvelo::reports {

// With a per-thread locale, setlocale() changes only this thread.
struct CNumericLocale::Saved {
  int threadMode = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
  std::string numeric = std::setlocale(LC_NUMERIC, nullptr);
};

CNumericLocale::CNumericLocale() : saved_(std::make_unique<Saved>()) {
  std::setlocale(LC_NUMERIC, "C");
}

CNumericLocale::~CNumericLocale() {
  std::setlocale(LC_NUMERIC, saved_->numeric.c_str());
  _configthreadlocale(saved_->threadMode);
}

}  // namespace tarvelo::reports
