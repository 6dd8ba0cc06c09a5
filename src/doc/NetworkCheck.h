#pragma once
// What the network check window says about each room and about this machine: the
// interface a room uses, where its "Join" goes, its members and when each was last
// heard, whether the chat and file ports are bound, and whether a firewall lets them in.
// Texts are CP932.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "net/RoomSession.h"
#include "platform/NetInterfaces.h"

namespace vostrelle {

// Whether the text of /proc/net/udp or /proc/net/tcp lists a socket on local port port;
// for TCP only a listening one counts.
bool TableHasPort(const std::string& table, std::uint16_t port, bool listening);

// "使用中" or "使われていません" for UDP 28888 and TCP 28889 in this network namespace;
// "不明" where the table cannot be read.
std::string PortsReport();

// What a firewall tool answered: whether it ran, its exit status and its output.
struct ToolAnswer {
  bool ran = false;
  int exitCode = -1;
  std::string output;
};

// The text of /etc/ufw/ufw.conf; empty where there is none.
std::string UfwConfText();
// ufw: confText is /etc/ufw/ufw.conf (empty when there is none), status is "ufw status
// verbose" (needs root; a user gets an error, which makes an active ufw unknown).
std::string UfwReport(const std::string& confText, const ToolAnswer& status);
// firewalld: "firewall-cmd --state", then "--query-service=vostrelle",
// "--query-port=28888/udp" and "--query-port=28889/tcp" on the default zone.
std::string FirewalldReport(const ToolAnswer& state, const ToolAnswer& service,
                            const ToolAnswer& chatPort, const ToolAnswer& filePort);

// One room: its name, interface and address, ConnectTo, extra destinations and the
// members with the seconds since each was last heard.
std::string RoomReport(const RoomSession& session, const std::vector<InterfaceInfo>& interfaces,
                       std::chrono::steady_clock::time_point now);

// After a "Join" sent to address at sentAt: whether a datagram from it has reached the
// room since (a member heard at or after sentAt).
bool AnsweredSince(const RoomSession& session, Ipv4 address,
                   std::chrono::steady_clock::time_point sentAt);

}  // namespace vostrelle
