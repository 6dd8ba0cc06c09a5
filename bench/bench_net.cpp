// The chat receive path: header blocks, a session's member lookup, and the socket.
// Everything stays on loopback addresses.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <sys/socket.h>

#include <array>
#include <memory>
#include <string>

#include "net/ChatSocket.h"
#include "net/HeaderBlock.h"
#include "net/RoomSession.h"

using namespace vostrelle;

namespace {

// The largest "Message" the limits allow: 16-byte room and name, 256-byte text, which
// is a 345-byte datagram.
FieldMap LargestMessage() {
  return {{"Command", "Message"},
          {"Room", std::string(16, 'r')},
          {"Name", std::string(16, 'n')},
          {"Message", std::string(256, 'm')}};
}

Ipv4 Loopback(std::uint32_t host) {
  return htonl(0x7F000000u | host);
}

std::uint16_t FreePort() {
  UdpSocket probe;
  return probe.Open(0, false, Loopback(1)) ? probe.LocalPort() : 0;
}

struct Counter : RoomObserver {
  long messages = 0;
  void OnMessage(RoomSession*, int, const std::string&, const std::string&) override { ++messages; }
};

struct NoReceiver : ChatReceiver {
  void Receive(const FieldMap&, Ipv4) override {}
};

ConnectSetting LoopbackRoom() {
  ConnectSetting setting;
  setting.ConnectTo = "127.0.0.1";
  setting.NetMask = "255.0.0.0";
  setting.RoomName = std::string(16, 'r');
  setting.Name = "me";
  setting.RealName = "real";
  return setting;
}

// A joined session on 127.0.0.1 with members others on 127.0.x.y from 127.0.0.2 on.
struct JoinedRoom {
  explicit JoinedRoom(int others, ChatSocket* socket) : session(LoopbackRoom(), socket, nullptr) {
    session.SetLocalAddress(Loopback(1));
    session.Attach(&counter);
    session.Join();
    for (int i = 0; i < others; ++i) {
      FieldMap notice = {{"Command", "Notice"}, {"Room", session.RoomName()}, {"Name", "n"}};
      session.Receive(notice, Member(i));
    }
  }
  static Ipv4 Member(int i) { return Loopback(2 + static_cast<std::uint32_t>(i)); }

  Counter counter;
  RoomSession session;
};

void BM_BuildMessage(benchmark::State& state) {
  const FieldMap fields = LargestMessage();
  std::string text;
  for (auto _ : state) {
    HeaderBlock::Build(fields, text);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(text.size()));
  state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_BuildMessage);

void BM_ParseMessage(benchmark::State& state) {
  std::string text;
  HeaderBlock::Build(LargestMessage(), text);
  for (auto _ : state) {
    FieldMap fields;
    benchmark::DoNotOptimize(HeaderBlock::Parse(text, fields));
    benchmark::DoNotOptimize(fields.size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(text.size()));
}
BENCHMARK(BM_ParseMessage);

// A parsed "Message" from the member added last: the table is searched linearly.
void BM_SessionReceive(benchmark::State& state) {
  NoReceiver receiver;
  ChatSocket socket(&receiver, FreePort());
  socket.Create(nullptr, Loopback(1));
  const int members = static_cast<int>(state.range(0));
  JoinedRoom room(members - 1, &socket);
  FieldMap fields = LargestMessage();
  const Ipv4 sender = JoinedRoom::Member(members - 2);
  for (auto _ : state) room.session.Receive(fields, sender);
  if (room.counter.messages != static_cast<long>(state.iterations()) ||
      room.session.MemberCount() != members)
    state.SkipWithError("messages were not delivered");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SessionReceive)->Arg(10)->Arg(250)->Arg(2000);

constexpr int kBatch = 64;

// Sends a batch of the same datagram from 127.0.0.2 to port on 127.0.0.1 outside the
// timing.
void SendBatch(benchmark::State& state, UdpSocket& sender, const std::string& text,
               std::uint16_t port) {
  state.PauseTiming();
  for (int i = 0; i < kBatch; ++i) sender.SendTo(text, Loopback(1), port);
  state.ResumeTiming();
}

// The whole receive path per datagram: recvfrom, parse, room choice, session.
struct RoutingReceiver : ChatReceiver {
  std::vector<std::unique_ptr<RoomSession>>* sessions = nullptr;
  void Receive(const FieldMap& fields, Ipv4 sender) override {
    if (RoomSession* s = ChooseSession(*sessions, fields, sender)) s->Receive(fields, sender);
  }
};

void BM_ChatSocketReceive(benchmark::State& state) {
  RoutingReceiver receiver;
  const std::uint16_t port = FreePort();
  ChatSocket socket(&receiver, port);
  if (!socket.Create(nullptr, Loopback(1))) return state.SkipWithError("no socket");
  std::vector<std::unique_ptr<RoomSession>> sessions;
  sessions.push_back(std::make_unique<RoomSession>(LoopbackRoom(), &socket, nullptr));
  receiver.sessions = &sessions;
  RoomSession& session = *sessions.back();
  Counter counter;
  session.SetLocalAddress(Loopback(1));
  session.Attach(&counter);
  session.Join();
  socket.OnReceive();  // the user's own "Join", back on the socket and dropped
  for (int i = 0; i < 9; ++i) {
    FieldMap notice = {{"Command", "Notice"}, {"Room", session.RoomName()}, {"Name", "n"}};
    session.Receive(notice, JoinedRoom::Member(i));
  }
  UdpSocket sender;
  sender.Open(port, false, JoinedRoom::Member(0));
  std::string text;
  HeaderBlock::Build(LargestMessage(), text);
  for (auto _ : state) {
    SendBatch(state, sender, text, port);
    for (int i = 0; i < kBatch; ++i) socket.OnReceive();
  }
  if (counter.messages != static_cast<long>(state.iterations()) * kBatch)
    state.SkipWithError("datagrams were lost");
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_ChatSocketReceive);

// The same datagrams read with recvfrom alone, into the same 513-byte buffer.
void BM_BareRecvfrom(benchmark::State& state) {
  const std::uint16_t port = FreePort();
  UdpSocket socket, sender;
  if (!socket.Open(port, true, Loopback(1))) return state.SkipWithError("no socket");
  sender.Open(port, false, JoinedRoom::Member(0));
  std::string text;
  HeaderBlock::Build(LargestMessage(), text);
  std::array<char, kMaxDatagram + 1> buf{};
  long received = 0;
  for (auto _ : state) {
    SendBatch(state, sender, text, port);
    for (int i = 0; i < kBatch; ++i) {
      sockaddr_in from{};
      socklen_t len = sizeof from;
      const ssize_t n = ::recvfrom(socket.fd(), buf.data(), kMaxDatagram, 0,
                                   reinterpret_cast<sockaddr*>(&from), &len);
      if (n == static_cast<ssize_t>(text.size())) ++received;
      benchmark::DoNotOptimize(from.sin_addr.s_addr);
    }
  }
  if (received != static_cast<long>(state.iterations()) * kBatch)
    state.SkipWithError("datagrams were lost");
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_BareRecvfrom);

}  // namespace

BENCHMARK_MAIN();
