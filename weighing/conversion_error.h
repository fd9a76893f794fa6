#pragma once

#include <stdexcept>
#include <string>

namespace tarvelo::weighing {

// A text that should hold a number does not. It ends the running operation, which
// leaves the store as far as it got; the window names the text to the user.
class ConversionError : public std::runtime_error {
 public:
  explicit ConversionError(std::string text)
      : std::runtime_error("not a valid number: \"" + text + "\""), text_(std::move(text)) {}
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace tarvelo::weighing
