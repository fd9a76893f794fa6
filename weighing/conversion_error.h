#pragma once

#include <stdexcept>
#include <string>

namespace tarvelo::weighing {

// The operator's field a number was read from, where it came from one; the window
// knows their captions.
enum class InputField { None, MaxDif, MinimW };

// A text that should hold a number does not. It ends the running operation, which
// leaves the store as far as it got; the window names the text to the user.
class ConversionError : public std::runtime_error {
 public:
  explicit ConversionError(std::string text, InputField field = InputField::None)
      : std::runtime_error("not a valid number: \"" + text + "\""), text_(std::move(text)), field_(field) {}
  const std::string& text() const { return text_; }
  InputField field() const { return field_; }

 private:
  std::string text_;
  InputField field_;
};

}  // namespace tarvelo::weighing
