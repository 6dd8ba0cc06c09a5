#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/Ipv4.h"

namespace vostrelle {

struct RoomMember {
  std::uint32_t MissCount = 0;  // ticks since the last datagram from this member
  std::string HostName;         // cache; empty until first asked
  std::string Name;             // as last received (CP932)
  Ipv4 Address = 0;             // source address, unique within one table
  // When a datagram from it last reached the room (added counts as heard).
  std::chrono::steady_clock::time_point LastHeard{};
};

}  // namespace vostrelle
