// Any bytes as a TCP header stream: the first input byte picks how the rest is cut into
// chunks. Reading must never crash, and however the stream is cut, the outcome (fault,
// completion, bytes consumed, fields) is the one of reading it whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "transfer/HeaderStreamReader.h"

using namespace vostrelle;

namespace {

struct Outcome {
  bool malformed = false;
  bool complete = false;
  std::size_t consumed = 0;
  FieldMap fields;
  bool operator==(const Outcome&) const = default;
};

Outcome Feed(const char* data, std::size_t size, unsigned seed) {
  Outcome out;
  HeaderStreamReader reader;
  std::size_t pos = 0;
  unsigned state = seed;
  while (pos < size || (pos == size && size == 0)) {
    std::size_t length = size - pos;
    if (seed != 0) {
      state = state * 1103515245u + 12345u;
      length = std::min<std::size_t>(length, (state >> 16) % 9);  // chunks of 0 to 8 bytes
    }
    std::size_t consumed = 0;
    if (reader.Read(out.fields, data + pos, length, consumed, out.complete) !=
        HeaderStreamReader::kOk) {
      out.malformed = true;
      return out;
    }
    if (consumed != length && !out.complete) std::abort();
    out.consumed += consumed;
    if (out.complete) return out;
    pos += length;
    if (size == 0) break;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned seed = data[0] | 1u;
  const char* text = reinterpret_cast<const char*>(data + 1);
  const Outcome whole = Feed(text, size - 1, 0);
  const Outcome split = Feed(text, size - 1, seed);
  if (whole.malformed != split.malformed || whole.complete != split.complete) std::abort();
  if (whole.complete && (whole.consumed != split.consumed || whole.fields != split.fields))
    std::abort();
  if (whole.complete && whole.consumed > size - 1) std::abort();
  // A completed block built again reads back to the same fields.
  if (whole.complete && !whole.fields.empty()) {
    std::string built;
    HeaderBlock::Build(whole.fields, built);
    const Outcome again = Feed(built.data(), built.size(), 0);
    if (!again.complete || again.fields != whole.fields || again.consumed != built.size())
      std::abort();
  }
  return 0;
}
