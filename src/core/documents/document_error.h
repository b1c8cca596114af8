// The failure of a document operation: carries the message text the user sees.
#pragma once

#include <stdexcept>

namespace voltaris {

class DocumentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace voltaris
