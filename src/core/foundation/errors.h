// Exceptions raised inside operations. Each carries its message as
// Windows-1251 bytes (what() returns them); front ends convert at the edge.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "core/foundation/codec.h"

namespace rpt {

class ECoreError : public std::runtime_error {
 public:
  explicit ECoreError(std::string_view message) : std::runtime_error(std::string(message)) {}
  std::string Message() const { return what(); }
};

// Conversion of text to a number, colour or font failed.
class EConvertError : public ECoreError {
 public:
  using ECoreError::ECoreError;
};

// A list index out of range (for example deleting a key that is not there).
class EListError : public ECoreError {
 public:
  using ECoreError::ECoreError;
};

// A file could not be read or written; the message names the file.
// `SystemError` is the errno behind it where one is known, else 0.
class EFileError : public ECoreError {
 public:
  explicit EFileError(std::string_view message, int systemError = 0)
      : ECoreError(message), systemError_(systemError) {}
  int SystemError() const { return systemError_; }

 private:
  int systemError_;
};

// An exception's message as the user is shown it, in the report's code
// page: the core's own errors carry Windows-1251 already; anything else
// (the standard library's, the system's) is UTF-8 and converted here. Every
// catch site that passes a message on to the user goes through this.
inline std::string ErrorMessage(const std::exception& e) {
  if (dynamic_cast<const ECoreError*>(&e)) return e.what();
  return Utf8ToCp1251(e.what());
}

}  // namespace rpt
