#pragma once
// The protocol's constant vocabulary: command classes and field length limits.

#include <cstddef>
#include <string>

#include "HeaderBlock.h"

namespace vostrelle {

enum CommandClass : int {
  kClassNone = 0,
  kClassMembership = 1,  // Join, Part
  kClassChat = 2,        // Message, Notice
  kClassRequest = 3,     // ReqNotice, ReqInformation, Information, File
};

class ProtocolTable {
 public:
  static const ProtocolTable& Instance();

  int ClassOf(const std::string& command) const;
  // True when every field that has limits is within them (lengths in CP932 bytes).
  bool WithinLimits(const FieldMap& fields) const;
};

inline constexpr std::uint16_t kChatPort = 28888;
inline constexpr std::uint16_t kFilePort = 28889;
inline constexpr std::size_t kMaxDatagram = 512;

}  // namespace vostrelle
