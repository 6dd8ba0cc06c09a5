#pragma once
// The "VSTP/1.0" header block: a magic line, "name: value" lines and an empty line,
// every line ended by CR LF, texts in CP932. Carries every UDP chat packet and the
// head of every file-transfer exchange.

#include <map>
#include <string>
#include <string_view>

namespace vostrelle {

// Field order on output carries no meaning, but keeping the order the protocol's
// packets have always come out in makes our datagrams byte-identical to theirs.
struct FieldOrder {
  bool operator()(const std::string& a, const std::string& b) const;
};
using FieldMap = std::map<std::string, std::string, FieldOrder>;

inline constexpr std::string_view kHeaderMagic = "VSTP/1.0";

namespace HeaderBlock {

// Parses text up to its first NUL. True for a complete, well-formed block; on false
// the map may hold the fields read before the fault, and callers throw it away.
// Bytes after the empty line are ignored.
bool Parse(std::string_view text, FieldMap& fields);

// Builds the wire form into text. False (text = the magic line only) for an empty map.
bool Build(const FieldMap& fields, std::string& text);

}  // namespace HeaderBlock

}  // namespace vostrelle
