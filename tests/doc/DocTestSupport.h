#pragma once
// What the document tests share: a scripted user interface, recording views, and a
// document on a loopback address of its own with peers on the neighbouring addresses.

#include <arpa/inet.h>
#include <poll.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "../store/TempDir.h"
#include "doc/CVostrelleDoc.h"
#include "net/HeaderBlock.h"
#include "platform/SocketNotifier.h"
#include "platform/UdpSocket.h"
#include "platform/UserInterface.h"
#include "store/AppSettings.h"

namespace vostrelle::test {

struct ScriptedUi : UserInterface {
  // Answers for the connection dialog, in turn; none left = cancel.
  std::deque<std::optional<ConnectSetting>> connectAnswers;
  std::function<int(std::vector<ConnectSetting>&)> connectList;
  std::function<bool(AppSettings&)> options;
  std::vector<std::string> messages;
  MsgAnswer answer = MsgAnswer::Ok;
  std::vector<int> commands;
  std::vector<std::string>* trace = nullptr;  // shared with the views when set
  int connectDialogs = 0;
  bool focusInMessageView = false;

  MsgAnswer MessageBox(const std::string& text, const std::string&, MsgButtons, MsgIcon) override {
    messages.push_back(text);
    return answer;
  }
  bool EditConnectSetting(ConnectSetting& setting) override {
    ++connectDialogs;
    if (connectAnswers.empty()) return false;
    std::optional<ConnectSetting> answer = connectAnswers.front();
    connectAnswers.pop_front();
    if (!answer) return false;
    setting = *answer;
    return true;
  }
  int EditConnectList(std::vector<ConnectSetting>& list) override {
    return connectList ? connectList(list) : 0;
  }
  bool AskName(std::string&) override { return false; }
  bool EditOptions(AppSettings& copy) override { return options ? options(copy) : false; }
  void SendCommand(int command) override {
    commands.push_back(command);
    if (trace) trace->push_back("command " + std::to_string(command));
  }
  bool FocusIsMessageView() override { return focusInMessageView; }
};

// Records every hint as a line of text; batches with their entries.
struct RecordingView : CView {
  std::vector<std::string>* trace;
  std::function<void(long, HintObject*)> onHint;
  explicit RecordingView(std::vector<std::string>* t) : trace(t) {}
  void OnUpdate(CView*, long hint, HintObject* object) override {
    std::string line = "hint " + std::to_string(hint);
    if (auto* batch = dynamic_cast<EventBatch*>(object)) {
      line += batch->IsCurrent ? " current" : " other";
      for (const EventEntry& e : batch->Entries)
        line += " [" + std::to_string(e.Kind) + " " + std::to_string(e.Member) + " " + e.Text + "]";
    } else if (auto* select = dynamic_cast<RoomSelectHint*>(object)) {
      line += select->Show ? " show" : " hide";
      line += select->Session ? " room" : " none";
    } else if (auto* event = dynamic_cast<RoomEventHint*>(object)) {
      line += " member " + std::to_string(event->Member);
    }
    trace->push_back(line);
    if (onHint) onHint(hint, object);
  }
};

inline Ipv4 Loopback(int k) {
  return htonl(0x7F000000u + static_cast<std::uint32_t>(k));
}

inline ConnectSetting Setting(const std::string& room, const std::string& name = "me",
                              const std::string& to = "127.0.0.1") {
  ConnectSetting s;
  s.ConnectTo = to;
  s.NetMask = "255.255.255.0";
  s.Name = name;
  s.RealName = "real " + name;
  s.RoomName = room;
  s.AutoConnect = true;
  return s;
}

// A document bound to 127.0.0.1 on a free port, on one pretend interface 127.0.0.1/24
// (the real interfaces are never asked). Peers are sockets on 127.0.0.2, .3, ...
class DocHarness {
 public:
  DocHarness() {
    UdpSocket probe;
    probe.Open(0, false, Loopback(1));
    port = probe.LocalPort();
    probe.Close();
    settings.SettingFolder = dir.Path();
    settings.Log.SaveFolder = dir.File("log");
    doc.SetChatEndpoint(port, Loopback(1));
    doc.SetInterfaceQuery([](std::vector<InterfaceInfo>& ifs, std::vector<int>& usable) {
      InterfaceInfo lo{};
      lo.flags = kIfUp | kIfBroadcast;
      lo.address = Loopback(1);
      lo.netmask = htonl(0xFFFFFF00u);
      lo.broadcast = Loopback(255);
      ifs = {lo};
      usable = {0};
      return true;
    });
    doc.SetClock([this] { return now; });
    doc.AddView(&view);
    ui.trace = &trace;
  }
  ~DocHarness() { doc.RemoveView(&view); }

  // What the input view does for new sessions: join each and select the first.
  void JoinPending() {
    int first = -1;
    for (int index : doc.TakePendingViews()) {
      if (first < 0) first = index;
      doc.Session(index)->Join();
    }
    Pump();
    if (first >= 0) doc.SelectRoom(first);
  }

  // A peer on 127.0.0.k at the document's port.
  UdpSocket& Peer(int k) {
    while (static_cast<int>(peers.size()) < k - 1) peers.emplace_back();
    UdpSocket& s = peers[static_cast<std::size_t>(k - 2)];
    if (s.fd() < 0) s.Open(port, false, Loopback(k));
    return s;
  }
  void Send(int k, const FieldMap& fields) {
    std::string text;
    HeaderBlock::Build(fields, text);
    Peer(k).SendTo(text, Loopback(1), port);
    Pump();
  }
  void Pump() { loop.RunUntilQuiet(20, 2000); }
  // Every packet peer k has been sent, by command.
  std::vector<std::string> Received(int k) {
    std::vector<std::string> commands;
    UdpSocket& s = Peer(k);
    for (;;) {
      pollfd p{s.fd(), POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) break;
      char buf[600];
      const long n = s.Receive(buf, sizeof buf, nullptr);
      FieldMap fields;
      if (n <= 0 || !HeaderBlock::Parse(std::string_view(buf, static_cast<std::size_t>(n)), fields))
        continue;
      std::string line = fields["Command"];
      if (fields.count("Message")) line += " " + fields["Message"];
      commands.push_back(line);
    }
    return commands;
  }

  TempDir dir;
  AppSettings settings;
  ScriptedUi ui;
  PollLoop loop;
  std::uint16_t port = 0;
  std::time_t now = 1700000000;
  std::vector<std::string> trace;
  RecordingView view{&trace};
  CVostrelleDoc doc{settings, ui, loop};
  std::deque<UdpSocket> peers;
};

inline FieldMap Packet(const std::string& command, const std::string& room,
                       std::initializer_list<std::pair<const char*, std::string>> more = {}) {
  FieldMap f;
  f["Command"] = command;
  f["Room"] = room;
  for (const auto& [k, v] : more) f[k] = v;
  return f;
}

}  // namespace vostrelle::test
