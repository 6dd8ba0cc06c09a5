#pragma once
// Raised by the XML reader and writer at the point of failure; caught by the same
// component and turned into a false result.

#include <string>
#include <utility>

namespace vostrelle {

class CMiniDOMIOException {
 public:
  explicit CMiniDOMIOException(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

}  // namespace vostrelle
