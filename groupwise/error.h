// The error a GroupWise call raises; its text is what the user is shown.
#pragma once

#include <stdexcept>
#include <string>

namespace gw {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace gw
