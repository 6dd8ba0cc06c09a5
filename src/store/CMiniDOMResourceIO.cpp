#include "store/CMiniDOMResourceIO.h"

namespace vostrelle {

bool CMiniDOMResourceIO::LoadFromResource(std::string_view bytes, CMiniDOMNode& root) {
  if (bytes.empty()) return false;
  return LoadFromBuffer(bytes, root);
}

}  // namespace vostrelle
