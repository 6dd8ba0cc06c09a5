// Any bytes as a connection's extra destinations (connects.xml or the dialog): parsing
// never crashes, the lenient and the strict reading agree on good text, and what is
// written back reads back to the same addresses.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "store/AddressList.h"

using namespace vostrelle;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<Ipv4> lenient = AddressesIn(text);
  std::vector<Ipv4> strict;
  std::string bad;
  if (ParseAddressList(text, strict, &bad) && strict != lenient) std::abort();
  std::vector<Ipv4> again;
  if (!ParseAddressList(FormatAddressList(lenient), again) || again != lenient) std::abort();
  for (Ipv4 address : lenient)
    if (!ExtraAddressCovers(address, address)) std::abort();
  return 0;
}
