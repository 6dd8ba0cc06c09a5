#pragma once
// Takes one header block off a byte stream that arrives in chunks of any size. Bytes
// after the block's empty line are left alone: they are the start of the body.

#include <cstddef>
#include <string>

#include "net/HeaderBlock.h"

namespace vostrelle {

class HeaderStreamReader {
 public:
  enum Result { kOk, kMalformed };

  // Feeds one chunk. consumed tells how many chunk bytes belong to the block (all of
  // them while it is incomplete); complete is set once the empty line has been read.
  // On kMalformed the reader is left as it was before the call.
  Result Read(FieldMap& fields, const char* chunk, std::size_t length, std::size_t& consumed,
              bool& complete);

 private:
  bool expectMagic_ = true;
  std::string pending_;  // an unfinished line carried over from earlier chunks
};

}  // namespace vostrelle
