// A chat peer that does only what the protocol asks of every peer, nothing of our own
// care for sleep or roaming: it joins by broadcast, ticks on a timer that, like a
// window timer, fires once after the machine wakes however long it slept, polls and
// drops silent members. It prints what its room hears, one line each with the time.
// SIGUSR1 makes it say its line. Run inside a lab host only.
// usage: lab_strict_peer BROADCAST ROOM NAME TICK_MS LINE
#include <signal.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "net/RoomSession.h"
#include "platform/Cp932.h"
#include "platform/SocketNotifier.h"

using namespace vostrelle;

namespace {

volatile std::sig_atomic_t sayLine = 0;

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void Print(const std::string& what) {
  std::printf("%lld %s\n", NowMs(), what.c_str());
  std::fflush(stdout);
}

class Peer : public ChatReceiver, public RoomObserver {
 public:
  std::vector<std::unique_ptr<RoomSession>> sessions;

  void Receive(const FieldMap& fields, Ipv4 sender) override {
    if (RoomSession* session = ChooseSession(sessions, fields, sender))
      session->Receive(fields, sender);
  }
  void OnJoined(RoomSession*) override { Print("joined"); }
  void OnMemberAdded(RoomSession* session, int member) override {
    Print("added " + Cp932ToUtf8(session->Member(member)->Name));
  }
  void OnMemberRemoved(RoomSession* session, int member, int reason) override {
    Print("removed " + Cp932ToUtf8(session->Member(member)->Name) + " " + std::to_string(reason));
  }
  void OnMessage(RoomSession*, int, const std::string& name, const std::string& text) override {
    Print("message " + Cp932ToUtf8(name) + " " + Cp932ToUtf8(text));
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) return 2;
  ConnectSetting setting;
  setting.ConnectTo = argv[1];
  setting.NetMask = "255.255.255.0";
  setting.RoomName = Utf8ToCp932(argv[2]);
  setting.Name = Utf8ToCp932(argv[3]);
  setting.RealName = setting.Name;
  const auto tick = std::chrono::milliseconds(std::atoi(argv[4]));
  const std::string line = Utf8ToCp932(argv[5]);
  // Without SA_RESTART, so that the signal ends the wait and the line goes at once.
  struct sigaction action = {};
  action.sa_handler = [](int) { sayLine = 1; };
  sigaction(SIGUSR1, &action, nullptr);

  PollLoop loop;
  Peer peer;
  ChatSocket socket(&peer);
  if (!socket.Create(&loop)) return 3;
  std::vector<InterfaceInfo> interfaces;
  std::vector<int> usable;
  QueryLocalInterfaces(interfaces, usable);
  const int chosen = ChooseInterface(setting, interfaces, usable);
  if (chosen < 0) return 4;
  peer.sessions.push_back(std::make_unique<RoomSession>(setting, &socket, nullptr));
  RoomSession& room = *peer.sessions.back();
  room.SetLocalAddress(interfaces[static_cast<std::size_t>(chosen)].address);
  room.Attach(&peer);
  if (!room.Join()) return 5;

  auto next = std::chrono::steady_clock::now() + tick;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        next - std::chrono::steady_clock::now());
    loop.RunOnce(static_cast<int>(std::max<long long>(0, left.count())));
    if (sayLine) {
      sayLine = 0;
      if (room.SendMessage(line)) Print("said " + Cp932ToUtf8(line));
    }
    if (std::chrono::steady_clock::now() >= next) {
      room.Tick();
      next = std::chrono::steady_clock::now() + tick;  // one tick, not the ones slept through
    }
  }
}
