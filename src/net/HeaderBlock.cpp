#include "HeaderBlock.h"

#include <array>
#include <cstring>

#include "platform/Cp932.h"

namespace vostrelle {

namespace {

constexpr std::array<std::string_view, 13> kRank = {
    "Command",  "Response", "Cause", "FileName", "Room",    "ID", "Port",
    "FileSize", "Version",  "Name",  "RealName", "Message", "",
};

std::size_t RankOf(const std::string& name) {
  for (std::size_t i = 0; i + 1 < kRank.size(); ++i)
    if (kRank[i] == name) return i;
  return kRank.size();
}

}  // namespace

bool FieldOrder::operator()(const std::string& a, const std::string& b) const {
  const std::size_t ra = RankOf(a), rb = RankOf(b);
  if (ra != rb) return ra < rb;
  return a < b;
}

bool HeaderBlock::Parse(std::string_view text, FieldMap& fields) {
  // The text ends at its first NUL, as a C string would.
  if (const void* nul = std::memchr(text.data(), '\0', text.size()))
    text = text.substr(0, static_cast<const char*>(nul) - text.data());
  std::size_t pos = 0;
  bool expectMagic = true;
  for (;;) {
    if (pos >= text.size()) return false;
    const std::size_t eol = FindMultibyte(text, "\r\n", pos);
    if (eol == std::string_view::npos) return false;
    const std::string_view line = text.substr(pos, eol - pos);
    pos = eol + 2;
    if (line.empty()) return !expectMagic;
    if (expectMagic) {
      if (line != kHeaderMagic) return false;
      expectMagic = false;
      continue;
    }
    const std::size_t colon = FindMultibyte(line, ": ");
    if (colon == std::string_view::npos) return false;
    fields.insert_or_assign(std::string(line.substr(0, colon)),
                            std::string(line.substr(colon + 2)));
  }
}

bool HeaderBlock::Build(const FieldMap& fields, std::string& text) {
  text.assign(kHeaderMagic);
  text += "\r\n";
  if (fields.empty()) return false;
  for (const auto& [name, value] : fields) {
    text += name;
    text += ": ";
    text += value;
    text += "\r\n";
  }
  text += "\r\n";
  return true;
}

}  // namespace vostrelle
