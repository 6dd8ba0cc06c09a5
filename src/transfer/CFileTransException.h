#pragma once
// Carries a failure out of one transfer run; thrown and caught inside the same worker,
// its message becomes the worker's error text.

#include <string>
#include <utility>

namespace vostrelle {

class CFileTransException {
 public:
  explicit CFileTransException(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

}  // namespace vostrelle
