#include "Ipv4.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace vostrelle {

Ipv4 InetAddr(const std::string& text) {
  return inet_addr(text.c_str());
}

std::string InetNtoa(Ipv4 address) {
  char buf[INET_ADDRSTRLEN];
  in_addr a{};
  a.s_addr = address;
  return inet_ntop(AF_INET, &a, buf, sizeof buf) ? std::string(buf) : std::string();
}

}  // namespace vostrelle
