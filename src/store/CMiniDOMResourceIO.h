#pragma once
// Reads a document compiled into the program as its exact bytes.

#include <string_view>

#include "store/CMiniDOMIO.h"

namespace vostrelle {

class CMiniDOMResourceIO : public CMiniDOMIO {
 public:
  // False for an empty resource or a syntax error.
  bool LoadFromResource(std::string_view bytes, CMiniDOMNode& root);
};

}  // namespace vostrelle
