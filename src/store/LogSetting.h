#pragma once
// The chat log options.

#include <string>

namespace vostrelle {

struct LogSetting {
  std::string SaveFolder;  // CP932
  bool Save = true;
};

}  // namespace vostrelle
