#include "store/LOGFONTA.h"

#include <algorithm>
#include <cstring>

namespace vostrelle {
namespace {

void PutInt(unsigned char* out, std::int32_t value) {
  auto u = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(u >> (8 * i));
}

std::int32_t GetInt(const unsigned char* in) {
  std::uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(in[i]) << (8 * i);
  return static_cast<std::int32_t>(u);
}

}  // namespace

LOGFONTA::Bytes LOGFONTA::ToBytes() const {
  Bytes out{};
  const std::int32_t ints[5] = {lfHeight, lfWidth, lfEscapement, lfOrientation, lfWeight};
  for (int i = 0; i < 5; ++i) PutInt(&out[4 * i], ints[i]);
  const std::uint8_t bytes[8] = {lfItalic,       lfUnderline,     lfStrikeOut, lfCharSet,
                                 lfOutPrecision, lfClipPrecision, lfQuality,   lfPitchAndFamily};
  std::memcpy(&out[20], bytes, 8);
  std::memcpy(&out[28], lfFaceName, 32);
  return out;
}

void LOGFONTA::OverwriteFrom(const unsigned char* data, std::size_t size) {
  Bytes all = ToBytes();
  std::copy_n(data, std::min(size, kSize), all.begin());
  std::int32_t* ints[5] = {&lfHeight, &lfWidth, &lfEscapement, &lfOrientation, &lfWeight};
  for (int i = 0; i < 5; ++i) *ints[i] = GetInt(&all[4 * i]);
  std::uint8_t* bytes[8] = {&lfItalic,       &lfUnderline,     &lfStrikeOut, &lfCharSet,
                            &lfOutPrecision, &lfClipPrecision, &lfQuality,   &lfPitchAndFamily};
  for (int i = 0; i < 8; ++i) *bytes[i] = all[20 + i];
  std::memcpy(lfFaceName, &all[28], 32);
}

}  // namespace vostrelle
