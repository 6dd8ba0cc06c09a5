#include "doc/NetworkCheck.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "net/ProtocolTable.h"
#include "platform/Cp932.h"
#include "store/AddressList.h"

namespace vostrelle {
namespace {

std::string ReadAll(const char* path, bool* ok) {
  std::ifstream in(path, std::ios::binary);
  *ok = static_cast<bool>(in);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string PortLine(const char* what, const char* path, std::uint16_t port, bool listening) {
  bool ok = false;
  const std::string table = ReadAll(path, &ok);
  const std::string state = !ok                                    ? "不明"_sjis
                            : TableHasPort(table, port, listening) ? "使用中"_sjis
                                                                   : "使われていません"_sjis;
  return std::string(what) + ": " + state + "\n";
}

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// A rule line of "ufw status" that lets port (or the profile) in.
bool UfwAllows(const std::string& status, const char* port) {
  std::istringstream lines(status);
  std::string line;
  while (std::getline(lines, line)) {
    if (!Contains(line, "ALLOW IN") && !Contains(line, "ALLOW ")) continue;
    if (line.rfind("Vostrelle", 0) == 0 || line.rfind(port, 0) == 0) return true;
  }
  return false;
}

std::string SecondsAgo(std::chrono::steady_clock::time_point then,
                       std::chrono::steady_clock::time_point now) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - then).count();
  return std::to_string(seconds < 0 ? 0 : seconds) + "秒前"_sjis;
}

}  // namespace

bool TableHasPort(const std::string& table, std::uint16_t port, bool listening) {
  char wanted[8];
  std::snprintf(wanted, sizeof wanted, ":%04X", port);
  std::istringstream lines(table);
  std::string line;
  std::getline(lines, line);  // the header
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    if (!(fields >> slot >> local >> remote >> state)) continue;
    if (local.size() < 5 || local.compare(local.size() - 5, 5, wanted) != 0) continue;
    if (!listening || state == "0A") return true;  // 0A: TCP_LISTEN
  }
  return false;
}

std::string UfwConfText() {
  bool ok = false;
  return ReadAll("/etc/ufw/ufw.conf", &ok);
}

std::string PortsReport() {
  return PortLine("UDP 28888", "/proc/net/udp", kChatPort, false) +
         PortLine("TCP 28889", "/proc/net/tcp", kFilePort, true);
}

std::string UfwReport(const std::string& confText, const ToolAnswer& status) {
  std::string verdict;
  if (confText.empty() && !status.ran)
    verdict = "入っていません"_sjis;
  else if (status.ran && status.exitCode == 0 && Contains(status.output, "Status: inactive"))
    verdict = "無効"_sjis;
  else if (status.ran && status.exitCode == 0 && Contains(status.output, "Status: active")) {
    const bool open = Contains(status.output, "allow (incoming)") ||
                      (UfwAllows(status.output, "28888") && UfwAllows(status.output, "28889"));
    verdict = open ? "有効（ポートは開いています）"_sjis
                   : "有効（ポートが閉じています。sudo ufw allow Vostrelle で開けます）"_sjis;
  } else if (Contains(confText, "ENABLED=no"))
    verdict = "無効"_sjis;
  else
    verdict = "不明（確かめるには管理者権限が要ります）"_sjis;
  return "ufw: " + verdict + "\n";
}

std::string FirewalldReport(const ToolAnswer& state, const ToolAnswer& service,
                            const ToolAnswer& chatPort, const ToolAnswer& filePort) {
  std::string verdict;
  auto yes = [](const ToolAnswer& a) { return a.ran && a.exitCode == 0; };
  auto no = [](const ToolAnswer& a) { return a.ran && a.exitCode == 1; };
  if (!state.ran)
    verdict = "入っていません"_sjis;
  else if (!yes(state))
    verdict = Contains(state.output, "not running") ? "動いていません"_sjis : "不明"_sjis;
  else if (yes(service) || (yes(chatPort) && yes(filePort)))
    verdict = "動作中（ポートは開いています）"_sjis;
  else if ((no(service) || !service.ran || service.exitCode != 0) && no(chatPort) && no(filePort))
    verdict =
        "動作中（ポートが閉じています。sudo firewall-cmd --permanent --add-service=vostrelle で開けます）"_sjis;
  else
    verdict = "動作中（ポートが開いているかは不明）"_sjis;
  return "firewalld: " + verdict + "\n";
}

std::string RoomReport(const RoomSession& session, const std::vector<InterfaceInfo>& interfaces,
                       std::chrono::steady_clock::time_point now) {
  std::string text = "部屋 "_sjis + session.RoomDisplayName() +
                     (session.IsJoined() ? "（入室中）"_sjis : "（入室していません）"_sjis) + "\n";
  std::string device = "不明"_sjis;
  for (const InterfaceInfo& info : interfaces)
    if (info.address == session.LocalAddress() && session.LocalAddress() != 0) device = info.name;
  text += "  インターフェース: "_sjis + device + " " + InetNtoa(session.LocalAddress()) + "\n";
  text += "  接続先: "_sjis + InetNtoa(session.ConnectTo()) + " / " + InetNtoa(session.NetMask()) +
          "\n";
  const std::string also = FormatAddressList(session.ExtraDestinations());
  text += "  追加の接続先: "_sjis + (also.empty() ? "なし"_sjis : also) + "\n";
  text += "  メンバー: "_sjis + std::to_string(session.MemberCount()) + "人"_sjis + "\n";
  for (int i = 0; i < session.MemberCount(); ++i) {
    const RoomMember& member = *session.Member(i);
    const bool own = member.Address == session.LocalAddress();
    text += "    " + member.Name + " " + InetNtoa(member.Address) + " " +
            (own ? "自分"_sjis : SecondsAgo(member.LastHeard, now)) + "\n";
  }
  return text;
}

bool AnsweredSince(const RoomSession& session, Ipv4 address,
                   std::chrono::steady_clock::time_point sentAt) {
  const RoomMember* member = session.Member(session.FindMember(address));
  return member && member->LastHeard >= sentAt;
}

}  // namespace vostrelle
