// Received "Message" datagrams per second through the whole receive path — socket,
// routing, session, document, event batch, views and the chat log — against a bare
// receive loop over the same datagrams. Everything stays on loopback addresses.
#include <benchmark/benchmark.h>
#include <sys/socket.h>

#include "doc/DocTestSupport.h"

using namespace vostrelle;

namespace {

constexpr int kBurst = 64;  // datagrams per burst: fits the default receive buffer

// A view that looks at every batch as a real one would (kind, member, text).
struct CountingView : CView {
  std::size_t bytes = 0;
  std::int64_t batches = 0;
  void OnUpdate(CView*, long hint, HintObject* object) override {
    if (hint != kHintEvents) return;
    ++batches;
    for (const EventEntry& e : static_cast<EventBatch*>(object)->Entries) bytes += e.Text.size();
  }
};

std::string MessageDatagram() {
  FieldMap f = test::Packet("Message", "bench",
                            {{"Name", "peer"}, {"Message", std::string(60, 'x') + "\x82\xA0"}});
  std::string text;
  HeaderBlock::Build(f, text);
  return text;
}

void BM_DocumentReceive(benchmark::State& state) {
  test::DocHarness h;
  h.settings.Log.Save = state.range(0) != 0;
  h.settings.Connects = {test::Setting("bench")};
  h.doc.OnNewDocument();
  h.JoinPending();
  CountingView view;
  h.doc.AddView(&view);
  h.doc.RemoveView(&h.view);  // the recording view keeps every line: not what we measure
  h.Send(2, test::Packet("Join", "bench", {{"Name", "peer"}}));
  const std::string datagram = MessageDatagram();
  UdpSocket& peer = h.Peer(2);
  ChatSocket* socket = h.doc.Socket();
  std::int64_t received = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < kBurst; ++i) peer.SendTo(datagram, test::Loopback(1), h.port);
    state.ResumeTiming();
    for (int i = 0; i < kBurst; ++i) socket->OnReceive();
    received += kBurst;
  }
  state.SetItemsProcessed(received);
  // Proof that the datagrams went the whole way: one batch each.
  state.counters["shown"] = static_cast<double>(view.batches) / static_cast<double>(received);
  h.doc.RemoveView(&view);
  h.doc.AddView(&h.view);
}
BENCHMARK(BM_DocumentReceive)->Arg(1)->Arg(0)->ArgName("logging");

void BM_BareReceive(benchmark::State& state) {
  UdpSocket receiver, sender;
  receiver.Open(0, false, test::Loopback(1));
  sender.Open(0, false, test::Loopback(2));
  const std::string datagram = MessageDatagram();
  char buf[600];
  std::int64_t received = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < kBurst; ++i)
      sender.SendTo(datagram, test::Loopback(1), receiver.LocalPort());
    state.ResumeTiming();
    for (int i = 0; i < kBurst; ++i)
      benchmark::DoNotOptimize(::recv(receiver.fd(), buf, sizeof buf, 0));
    received += kBurst;
  }
  state.SetItemsProcessed(received);
}
BENCHMARK(BM_BareReceive);

}  // namespace

BENCHMARK_MAIN();
