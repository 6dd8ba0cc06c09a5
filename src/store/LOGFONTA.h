#pragma once
// The 60-byte logical-font record exactly as options.xml stores it: five little-endian
// 32-bit integers, eight one-byte fields, a 32-byte CP932 face name.

#include <array>
#include <cstdint>

namespace vostrelle {

struct LOGFONTA {
  std::int32_t lfHeight = 0;
  std::int32_t lfWidth = 0;
  std::int32_t lfEscapement = 0;
  std::int32_t lfOrientation = 0;
  std::int32_t lfWeight = 0;
  std::uint8_t lfItalic = 0;
  std::uint8_t lfUnderline = 0;
  std::uint8_t lfStrikeOut = 0;
  std::uint8_t lfCharSet = 0;
  std::uint8_t lfOutPrecision = 0;
  std::uint8_t lfClipPrecision = 0;
  std::uint8_t lfQuality = 0;
  std::uint8_t lfPitchAndFamily = 0;
  char lfFaceName[32] = {};

  static constexpr std::size_t kSize = 60;
  using Bytes = std::array<unsigned char, kSize>;

  // Byte layout independent of the host's byte order.
  Bytes ToBytes() const;
  // Replaces the record's leading bytes with up to 60 given bytes.
  void OverwriteFrom(const unsigned char* data, std::size_t size);
};

static_assert(sizeof(LOGFONTA) == LOGFONTA::kSize, "LOGFONTA must be 60 bytes");

}  // namespace vostrelle
