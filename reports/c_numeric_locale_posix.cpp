#include "c_numeric_locale.h"

#include <locale.h>

namespace tarvelo::reports {

// uselocale() switches only this thread: the process's locale with C numbers.
struct CNumericLocale::Saved {
  locale_t own{};
  locale_t previous{};
};

CNumericLocale::CNumericLocale() : saved_(std::make_unique<Saved>()) {
  const locale_t base = duplocale(LC_GLOBAL_LOCALE);
  if (base == locale_t{}) return;
  saved_->own = newlocale(LC_NUMERIC_MASK, "C", base);
  if (saved_->own == locale_t{}) {
    freelocale(base);
    return;
  }
  saved_->previous = uselocale(saved_->own);
}

CNumericLocale::~CNumericLocale() {
  if (saved_->own == locale_t{}) return;
  uselocale(saved_->previous);
  freelocale(saved_->own);
}

}  // namespace tarvelo::reports
