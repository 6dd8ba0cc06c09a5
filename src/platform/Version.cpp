#include "Version.h"

namespace vostrelle {

void GetVersionStrings(std::string* version, std::string* legal) {
  if (version) *version = std::string(kFileDescription) + " ver " + kFileVersion;
  if (legal) *legal = kLegalCopyright;
}

}  // namespace vostrelle
