// Errors raised by the platform conversions; the text is what the user is shown.
#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// A text that is no number, no date or no time; or a value that cannot become text.
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace platform
