// The errors a GroupWise call raises; their text is what the user is shown.
#pragma once

#include <stdexcept>
#include <string>

namespace gw {

// GroupWise refused one call: an unknown member, a bad argument, a value it does not
// take, an entry it will not create. The next call may well succeed.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The post office itself failed: it cannot be written (a full disk, a read-only file),
// it stayed in use by another program past the wait, it is damaged, or the session is
// gone. A run that meets one ends, saying how far its changes were saved.
class StoreError : public Error {
 public:
  using Error::Error;
};

}  // namespace gw
