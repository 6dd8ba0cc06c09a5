// Any bytes as a header block: parsing must never crash, and what parses must build
// back into a block that parses to the same fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/HeaderBlock.h"

using namespace vostrelle;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  FieldMap fields;
  if (!HeaderBlock::Parse(text, fields)) return 0;
  std::string built;
  if (!HeaderBlock::Build(fields, built)) return 0;  // a block without fields
  FieldMap again;
  // Names holding ": " or a CR LF cannot come out of a parse, so the round trip holds.
  if (!HeaderBlock::Parse(built, again) || again != fields) std::abort();
  return 0;
}
