#include "store/AddressList.h"

#include <arpa/inet.h>

#include <algorithm>

namespace vostrelle {
namespace {

bool IsSeparator(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',';
}

// Four decimal parts of 0..255; no other form (no hex, octal or short forms: a typed
// "10.1" is far more likely a slip than 10.0.0.1).
bool ParseDotted(const std::string& word, Ipv4& address) {
  std::uint32_t host = 0;
  std::size_t i = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (i >= word.size() || word[i] != '.') return false;
      ++i;
    }
    const std::size_t start = i;
    unsigned value = 0;
    while (i < word.size() && word[i] >= '0' && word[i] <= '9' && i - start < 3)
      value = value * 10 + static_cast<unsigned>(word[i++] - '0');
    if (i == start || value > 255) return false;
    host = (host << 8) | value;
  }
  if (i != word.size()) return false;
  address = htonl(host);
  return true;
}

// Calls take(word) for each word; stops when take returns false.
template <typename F>
void ForEachWord(const std::string& text, F&& take) {
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSeparator(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !IsSeparator(text[i])) ++i;
    if (i > start && !take(text.substr(start, i - start))) return;
  }
}

bool Usable(Ipv4 address) {
  return address != 0 && address != kInaddrNone;
}

void AddOnce(std::vector<Ipv4>& addresses, Ipv4 address) {
  if (std::find(addresses.begin(), addresses.end(), address) == addresses.end())
    addresses.push_back(address);
}

}  // namespace

bool ParseAddressList(const std::string& text, std::vector<Ipv4>& addresses, std::string* bad) {
  addresses.clear();
  bool ok = true;
  ForEachWord(text, [&](const std::string& word) {
    Ipv4 address = 0;
    if (!ParseDotted(word, address) || !Usable(address)) {
      if (bad) *bad = word;
      ok = false;
      return false;
    }
    AddOnce(addresses, address);
    return true;
  });
  return ok;
}

std::vector<Ipv4> AddressesIn(const std::string& text) {
  std::vector<Ipv4> addresses;
  ForEachWord(text, [&](const std::string& word) {
    Ipv4 address = 0;
    if (ParseDotted(word, address) && Usable(address)) AddOnce(addresses, address);
    return true;
  });
  return addresses;
}

std::string FormatAddressList(const std::vector<Ipv4>& addresses) {
  std::string text;
  for (Ipv4 address : addresses) {
    if (!text.empty()) text += ' ';
    text += InetNtoa(address);
  }
  return text;
}

bool ExtraAddressCovers(Ipv4 extra, Ipv4 sender) {
  const std::uint32_t e = ntohl(extra), s = ntohl(sender);
  std::uint32_t block = 0;  // the trailing one bits of the extra address
  while (block != 0xFFFFFFFFu && (e & (block + 1)) != 0) block = (block << 1) | 1u;
  return (s | block) == e;
}

}  // namespace vostrelle
