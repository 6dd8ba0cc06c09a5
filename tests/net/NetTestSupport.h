#pragma once
// Loopback helpers shared by the net tests: a peer socket that reads what a session
// sent, a recording observer and a scripted user interface.

#include <arpa/inet.h>
#include <poll.h>

#include <functional>
#include <string>
#include <vector>

#include "net/HeaderBlock.h"
#include "net/RoomObserver.h"
#include "platform/UdpSocket.h"
#include "platform/UserInterface.h"

namespace vostrelle::test {

// A UDP port free on every local address at this moment. Each test case runs in a
// process of its own and in parallel with others, so fixed ports would collide.
inline std::uint16_t FreeUdpPort() {
  UdpSocket probe;
  return probe.Open(0, false) ? probe.LocalPort() : 0;
}

inline Ipv4 Addr(const char* dotted) {
  return inet_addr(dotted);
}

// Waits up to timeoutMs for one datagram on socket; empty map when none came.
inline FieldMap ReadPacket(UdpSocket& socket, int timeoutMs = 300, Ipv4* from = nullptr) {
  FieldMap fields;
  pollfd p{socket.fd(), POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return fields;
  char buf[600] = {};
  const long n = socket.Receive(buf, sizeof buf - 1, from);
  if (n > 0) HeaderBlock::Parse(std::string_view(buf, static_cast<std::size_t>(n)), fields);
  return fields;
}

struct RecordingObserver : RoomObserver {
  std::vector<std::string> events;
  // Runs after each event is recorded, from inside the notification.
  std::function<void(const std::string&)> onEvent;
  void Log(const std::string& e) {
    events.push_back(e);
    if (onEvent) onEvent(e);
  }
  void OnFileOffered(RoomSession*, int m, const std::string& id, const std::string& file,
                     std::uint32_t size, std::uint32_t port) override {
    Log("file " + std::to_string(m) + " " + id + " " + file + " " + std::to_string(size) + " " +
        std::to_string(port));
  }
  void OnSendFileRequest(RoomSession*, int m, const std::string& path) override {
    Log("sendfile " + std::to_string(m) + " " + path);
  }
  void OnLeaving(RoomSession*) override { Log("leaving"); }
  void OnInformation(RoomSession*, const std::string& n, const std::string& r,
                     const std::string& v) override {
    Log("info " + n + " " + r + " " + v);
  }
  void OnMemberAdded(RoomSession*, int m) override { Log("added " + std::to_string(m)); }
  void OnMemberRemoved(RoomSession*, int m, int reason) override {
    Log("removed " + std::to_string(m) + " " + std::to_string(reason));
  }
  void OnJoined(RoomSession*) override { Log("joined"); }
  void OnMessage(RoomSession*, int m, const std::string& n, const std::string& t) override {
    Log("message " + std::to_string(m) + " " + n + " " + t);
  }
  void OnLineEntered(RoomSession*, int m, const std::string& n, const std::string& t) override {
    Log("line " + std::to_string(m) + " " + n + " " + t);
  }
  void OnMemberRenamed(RoomSession*, int m, const std::string& o, const std::string& n) override {
    Log("renamed " + std::to_string(m) + " " + o + " " + n);
  }
  void OnSessionDestroyed(RoomSession* s) override {
    Log("destroyed");
    RoomObserver::OnSessionDestroyed(s);
  }
  void OnAttached(RoomSession*) override { Log("attached"); }
};

struct FakeUserInterface : UserInterface {
  bool confirmName = true;
  std::string enteredName;
  std::string shownName;
  MsgAnswer MessageBox(const std::string&, const std::string&, MsgButtons, MsgIcon) override {
    return MsgAnswer::Ok;
  }
  bool EditConnectSetting(ConnectSetting&) override { return false; }
  int EditConnectList(std::vector<ConnectSetting>&) override { return 0; }
  bool AskName(std::string& name) override {
    shownName = name;
    if (confirmName) name = enteredName;
    return confirmName;
  }
  bool EditOptions(AppSettings&) override { return false; }
  void SendCommand(int) override {}
  bool FocusIsMessageView() override { return false; }
};

}  // namespace vostrelle::test
