// Throughput of one 1 GiB file: our transfer (send list, listener, both workers,
// progress messages pumped by this thread as the user-interface thread) against a plain
// TCP copy of the same file, in one run, over loopback and over veth links between two
// network namespaces (the veth runs need root). Counters: bytes_per_second, and the
// share of one core the pumping thread used (ui_cpu).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "net/ChatSocket.h"
#include "net/RoomSession.h"
#include "platform/SocketNotifier.h"
#include "store/ConnectSetting.h"
#include "support/NetLab.h"
#include "transfer/ReceiveFileList.h"
#include "transfer/SendFileList.h"

using namespace vostrelle;

namespace {

constexpr std::size_t kFileSize = std::size_t{1} << 30;
const Ipv4 kLoopback = inet_addr("127.0.0.1");

struct Files {
  std::string dir;
  std::string source;
  Files() {
    char pattern[] = "/tmp/vostrelle-bench-XXXXXX";
    dir = ::mkdtemp(pattern);
    source = dir + "/source.bin";
    std::ofstream out(source, std::ios::binary);
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7);
    for (std::size_t done = 0; done < kFileSize; done += block.size()) {
      block[0] = static_cast<char>(done >> 20);
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    out.close();
    // On disk before anything is measured: otherwise the system writes the gigabyte
    // out in the background some 30 s later, in the middle of whichever run is going.
    const int fd = ::open(source.c_str(), O_RDONLY);
    ::fsync(fd);
    ::close(fd);
  }
  ~Files() { std::filesystem::remove_all(dir); }
};

Files& TheFiles() {
  static Files files;
  return files;
}

std::uint16_t FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = kLoopback;
  socklen_t length = sizeof at;
  ::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length);
  ::close(fd);
  return ntohs(at.sin_port);
}

double ThreadCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_THREAD, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct NullReceiver : ChatReceiver {
  void Receive(const FieldMap&, Ipv4) override {}
};

// Where the two ends live. Sockets belong to the namespace of the thread that makes
// them, and a thread starts in its creator's: each end is made after entering its host.
struct Link {
  Ipv4 sender = kLoopback;
  Ipv4 receiver = kLoopback;
  test::NetLab* lab = nullptr;
  bool Enter(int host) const { return !lab || lab->Enter(host); }
  void Leave() const {
    if (lab) lab->Leave();
  }
};

Link Loopback() {
  return {};
}

// The namespaced link, made once for the run; nullptr (with why) without root.
const Link* Veth(std::string* why) {
  static std::string whyNot;
  static std::unique_ptr<test::NetLab> lab = test::NetLab::Create(2, 63, &whyNot);
  static Link link;
  if (!lab) {
    *why = whyNot;
    return nullptr;
  }
  link.lab = lab.get();
  link.sender = inet_addr(lab->Address(1).c_str());
  link.receiver = inet_addr(lab->Address(2).c_str());
  return &link;
}

struct Room {
  NullReceiver receiver;
  PollLoop loop;
  ChatSocket chat{&receiver, 0};
  std::unique_ptr<RoomSession> session;
  Room(Ipv4 self, Ipv4 peer) {
    ConnectSetting setting{"127.0.0.1", "255.0.0.0", "me", "", "bench", false, ""};
    session = std::make_unique<RoomSession>(setting, &chat, nullptr);
    session->SetLocalAddress(self);
    session->AddMember("peer", peer);
  }
};

// One file through the lists; the seconds it took, or a negative value with why set.
double OneListTransfer(const Link& link, double* uiCpu, const char** why) {
  Files& files = TheFiles();
  double seconds = -1;
  {
    Room senderRoom(link.sender, link.receiver), receiverRoom(link.receiver, link.sender);
    // The chat socket stays closed: the offer is handed over directly, nothing is sent.
    auto sendNotify = std::make_shared<QueueNotifyTarget>();
    auto receiveNotify = std::make_shared<QueueNotifyTarget>();
    const std::uint16_t port = FreePort();
    {
      SendFileList sendList(sendNotify, nullptr, SendFileList::Config{port, link.sender});
      ReceiveFileList receiveList(receiveNotify);
      senderRoom.session->Attach(&sendList);
      receiverRoom.session->Attach(&receiveList);
      sendList.OnSendFileRequest(senderRoom.session.get(), 0, files.source);
      if (!link.Enter(1)) return *why = "cannot enter host 1", -1;
      sendList.Start(0);  // the listener
      link.Leave();
      const TransferItem& item = sendList.Item(0);
      receiveList.OnFileOffered(receiverRoom.session.get(), 0, item.ID, "target.bin", item.Size,
                                port);
      const double cpu0 = ThreadCpuSeconds();
      const auto t0 = std::chrono::steady_clock::now();
      if (!link.Enter(2)) return *why = "cannot enter host 2", -1;
      receiveList.Start(0, files.dir);  // the receiving worker's thread
      link.Leave();
      // This thread is the user-interface thread: it only handles messages. It waits on
      // the send list's queue, so it looks at the receive list's every 2 ms: the end of
      // the transfer is seen within that, as a real event loop would see it at once.
      const auto done = [&] {
        return sendList.WorkerCount() == 0 && receiveList.WorkerCount() == 0;
      };
      while (!done()) {
        sendNotify->PumpUntil([&] { return receiveNotify->Pending() > 0 || done(); }, 2);
        receiveNotify->Drain();
      }
      seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      *uiCpu = (ThreadCpuSeconds() - cpu0) / seconds;
      if (receiveList.Item(0).State != TransferState::Done) seconds = -1, *why = "not done";
      senderRoom.session.reset();
      receiverRoom.session.reset();
    }
  }
  std::filesystem::remove(files.dir + "/target.bin");
  return seconds;
}

void ListTransfer(benchmark::State& state, const Link& link) {
  for (auto _ : state) {
    double uiCpu = 0;
    const char* why = nullptr;
    const double seconds = OneListTransfer(link, &uiCpu, &why);
    if (seconds < 0) return state.SkipWithError(why);
    state.SetIterationTime(seconds);
    state.counters["ui_cpu"] = uiCpu;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}

// A plain copy: read the file and send it, receive and write it, blocks of block bytes.
// The seconds it took, or a negative value with why set.
double OneRawCopy(const Link& link, std::size_t block, const char** why) {
  Files& files = TheFiles();
  {
    if (!link.Enter(1)) return *why = "cannot enter host 1", -1;
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    link.Leave();
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = link.sender;
    socklen_t length = sizeof at;
    ::bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&at), &length);
    const auto t0 = std::chrono::steady_clock::now();
    std::thread sender([&] {
      const int fd = ::accept(listener, nullptr, nullptr);
      FILE* in = std::fopen(files.source.c_str(), "rb");
      std::vector<char> buffer(block);
      for (std::size_t n; (n = std::fread(buffer.data(), 1, block, in)) > 0;)
        for (std::size_t off = 0; off < n;) {
          const ssize_t sent = ::send(fd, buffer.data() + off, n - off, MSG_NOSIGNAL);
          if (sent <= 0) break;
          off += static_cast<std::size_t>(sent);
        }
      std::fclose(in);
      ::close(fd);
    });
    link.Enter(2);
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    link.Leave();
    ::connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at);
    FILE* out = std::fopen((files.dir + "/raw.bin").c_str(), "wb");
    std::vector<char> buffer(block);
    std::size_t total = 0;
    for (ssize_t n; (n = ::recv(fd, buffer.data(), block, 0)) > 0;) {
      std::fwrite(buffer.data(), 1, static_cast<std::size_t>(n), out);
      total += static_cast<std::size_t>(n);
    }
    std::fclose(out);
    ::close(fd);
    sender.join();
    ::close(listener);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::filesystem::remove(files.dir + "/raw.bin");
    if (total != kFileSize) return *why = "short copy", -1;
    return seconds;
  }
}

void RawCopy(benchmark::State& state, const Link& link) {
  for (auto _ : state) {
    const char* why = nullptr;
    const double seconds = OneRawCopy(link, static_cast<std::size_t>(state.range(0)), &why);
    if (seconds < 0) return state.SkipWithError(why);
    state.SetIterationTime(seconds);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}

// The two in turn, a raw copy with 64 KiB blocks and then ours, so that both meet the
// same load on a shared machine; ratio is ours against the raw copy over all pairs.
void Paired(benchmark::State& state, const Link& link) {
  double raw = 0, ours = 0;
  for (auto _ : state) {
    const char* why = nullptr;
    double uiCpu = 0;
    const double r = OneRawCopy(link, 65536, &why);
    const double o = r < 0 ? r : OneListTransfer(link, &uiCpu, &why);
    if (o < 0) return state.SkipWithError(why);
    raw += r;
    ours += o;
    state.SetIterationTime(o);
  }
  state.counters["ratio"] = raw / ours;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}

void BM_RawCopy(benchmark::State& state) {
  RawCopy(state, Loopback());
}
void BM_ListTransfer(benchmark::State& state) {
  ListTransfer(state, Loopback());
}
void BM_Paired(benchmark::State& state) {
  Paired(state, Loopback());
}
void BM_PairedVeth(benchmark::State& state) {
  std::string why;
  if (const Link* link = Veth(&why)) return Paired(state, *link);
  state.SkipWithError(why.c_str());
}
void BM_RawCopyVeth(benchmark::State& state) {
  std::string why;
  if (const Link* link = Veth(&why)) return RawCopy(state, *link);
  state.SkipWithError(why.c_str());
}
void BM_ListTransferVeth(benchmark::State& state) {
  std::string why;
  if (const Link* link = Veth(&why)) return ListTransfer(state, *link);
  state.SkipWithError(why.c_str());
}

}  // namespace

BENCHMARK(BM_RawCopy)
    ->Arg(4096)
    ->Arg(65536)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListTransfer)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawCopyVeth)
    ->Arg(4096)
    ->Arg(65536)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListTransferVeth)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Paired)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PairedVeth)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
