// Hostile peers against the transfer port on loopback, real sockets against the real
// lists. Each attack comes from "stranger" addresses (127.0.0.2 and up), and one also
// from a member, while an ordinary receiver on 127.0.0.1 fetches a file, which must
// arrive whole. Throughout, threads and descriptors stay within what the request gate
// admits; afterwards the process is back to its own, and its memory within a bound.
// The peak use during each attack is printed for the record.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <set>

#include "TransferTestSupport.h"
#include "transfer/ReceiveFileList.h"
#include "transfer/RequestGate.h"
#include "transfer/SendFileList.h"
#include "transfer/TransferTexts.h"

using namespace vostrelle;
using namespace vostrelle::test;
namespace text = vostrelle::transfer_text;

namespace {

// AddressSanitizer holds freed memory back in quarantine, the attackers' included: the
// resident size then says nothing about the program.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kMemoryMeasurable = false;
#else
constexpr bool kMemoryMeasurable = true;
#endif

// Entries of a /proc folder, less those skip() names.
int CountEntries(const char* dir, const std::function<bool(int)>& skip = nullptr) {
  int n = 0;
  if (DIR* d = ::opendir(dir)) {
    while (const dirent* e = ::readdir(d))
      if (e->d_name[0] != '.' && !(skip && skip(std::atoi(e->d_name)))) ++n;
    ::closedir(d);
  }
  return n - (std::string(dir) == "/proc/self/fd" ? 1 : 0);  // opendir's own
}

struct Usage {
  int threads = 0;
  int fds = 0;
  long rssKiB = 0;
};

Usage Measure(const std::function<bool(int)>& notOurs = nullptr) {
  Usage u;
  u.threads = CountEntries("/proc/self/task");
  u.fds = CountEntries("/proc/self/fd", notOurs);
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  u.rssKiB = resident * (::sysconf(_SC_PAGESIZE) / 1024);
  return u;
}

// One attacking thread; its own descriptors are counted so that the program's can be
// told apart. Every loop is bounded: it stops when told, after maxRounds connections,
// or after 30 s, whichever comes first.
struct Attacker {
  std::atomic<bool> stop{false};
  std::atomic<int> open{0};
  // The attacker's descriptors, changed only under the lock, so that a count of the
  // process's own taken under it is exact however fast the attacker opens and closes.
  std::mutex fdsLock;
  std::set<int> fds;
  std::atomic<long> rounds{0};
  std::atomic<long> refused{0};   // connections the program closed without an answer
  std::atomic<long> answered{0};  // requests the program answered: none may be
  std::uint16_t port = 0;
  long maxRounds = 100000;
  std::thread thread;

  ~Attacker() { Stop(); }
  void Stop() {
    stop = true;
    if (thread.joinable()) thread.join();
  }
  bool Going() const {
    return !stop && rounds < maxRounds &&
           std::chrono::steady_clock::now() < started + std::chrono::seconds(30);
  }
  void Start(std::function<void(Attacker&)> attack) {
    started = std::chrono::steady_clock::now();
    thread = std::thread([this, attack] { attack(*this); });
  }
  // A connection from 127.0.0.(2 + n % 8), or from `from`; -1 when it could not be
  // made quickly.
  int Connect(long n, Ipv4 from = 0) {
    int fd;
    {
      std::lock_guard<std::mutex> lock(fdsLock);
      fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
      if (fd < 0) return -1;
      fds.insert(fd);
    }
    ++open;
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = from ? from : htonl(0x7F000002u + static_cast<std::uint32_t>(n % 8));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = kLoopback;
    ::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at);
    ++rounds;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
      pollfd p{fd, POLLOUT, 0};
      int error = 0;
      socklen_t length = sizeof error;
      if (errno != EINPROGRESS || ::poll(&p, 1, 200) != 1 ||
          ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
        Close(fd);
        return -1;
      }
    }
    // Blocking from here, but a send never waits long.
    ::fcntl(fd, F_SETFL, 0);
    const timeval limit{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    return fd;
  }
  void Close(int fd) {
    {
      std::lock_guard<std::mutex> lock(fdsLock);
      ::close(fd);
      fds.erase(fd);
    }
    --open;
  }
  // The process's use without the attacker's descriptors and thread.
  Usage MeasureOthers() {
    std::lock_guard<std::mutex> lock(fdsLock);
    Usage u = Measure([this](int fd) { return fds.count(fd) != 0; });
    u.threads -= 1;
    return u;
  }
  // True when the program has closed fd; an answer would be a fault.
  static bool ClosedByPeer(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) != 1) return false;
    char c;
    return ::recv(fd, &c, 1, MSG_DONTWAIT) <= 0;
  }

 private:
  std::chrono::steady_clock::time_point started;
};

// What the ordinary transfer adds while an attack goes on: a sending and a receiving
// worker, with a socket and a file each.
constexpr int kTransferThreads = 2;
constexpr int kTransferFds = 4;
// Workers that have given their place back and are about to end, and a connection the
// listener is closing at once because no place is free.
constexpr int kOnTheirWayOut = 4;

class HostileTest : public TransferListsTest {
 protected:
  int held = RequestGate::kMaxStrangers;  // connections an attack may hold at once
  std::string body = Pattern(1 << 20);
  Usage base;
  Usage peak;
  int baseLive = 0;

  void Make(int requestTimeoutMs) {
    SendFileList::Config config;
    config.RequestTimeoutMs = requestTimeoutMs;
    MakeLists(config);
    WriteFile(sourceDir.File("data.bin"), body);
    // A first transfer starts the listener and warms everything up before measuring.
    ASSERT_TRUE(Transfer());
    ASSERT_TRUE(Pump([&] { return sendList->WorkerCount() == 0; }));
    base = Measure();
    baseLive = TransferThread::LiveCount();
  }

  bool Pump(const std::function<bool()>& done, Attacker* attacker = nullptr) {
    return PumpUntil({sendNotify.get(), receiveNotify.get()}, [&] {
      if (attacker) Sample(*attacker);
      return done();
    });
  }
  void Sample(Attacker& attacker) {
    const Usage now = attacker.MeasureOthers();
    peak.threads = std::max(peak.threads, now.threads);
    peak.fds = std::max(peak.fds, now.fds);
    peak.rssKiB = std::max(peak.rssKiB, now.rssKiB);
    // However hard the attack, only so many connections wait for an entry: the
    // attack's and the ordinary receiver's.
    EXPECT_LE(gate->Waiting(), held + 1);
  }

  // One ordinary file from 127.0.0.1; true when it arrived whole and both rows say so.
  bool Transfer(Attacker* attacker = nullptr) {
    sendList->OnSendFileRequest(senderRoom.session.get(), toReceiver, sourceDir.File("data.bin"));
    const int s = sendList->Count() - 1;
    if (!sendList->Start(s)) return false;
    const TransferItem& item = sendList->Item(s);
    receiveList->OnFileOffered(receiverRoom.session.get(), toSender, item.ID, item.FileName,
                               item.Size, static_cast<std::uint32_t>(item.Port));
    const int r = receiveList->Count() - 1;
    std::filesystem::remove(targetDir.File("data.bin"));
    if (!receiveList->Start(r, targetDir.Path())) return false;
    const bool ended = Pump(
        [&] {
          return receiveList->WorkerCount() == 0 && sendList->Item(s).State == TransferState::Done;
        },
        attacker);
    EXPECT_TRUE(ended);
    EXPECT_EQ(receiveDialog->Status(r), text::kDone);
    return ended && receiveList->Item(r).State == TransferState::Done &&
           ReadFile(targetDir.File("data.bin")) == body;
  }

  // Runs attack, waits until it is at strength, moves a file, stops it, then checks
  // that everything it took was given back.
  void Withstand(const char* name, std::function<void(Attacker&)> attack, long strength) {
    SCOPED_TRACE(name);
    peak = base;
    Attacker attacker;
    attacker.port = port;
    attacker.Start(std::move(attack));
    ASSERT_TRUE(Pump([&] { return attacker.rounds >= strength; }, &attacker)) << name;
    EXPECT_TRUE(Transfer(&attacker)) << name;
    attacker.Stop();
    ASSERT_EQ(attacker.open.load(), 0);
    EXPECT_TRUE(Pump([&] {
      const Usage now = Measure();
      return gate->Waiting() == 0 && sendList->WorkerCount() == 0 &&
             TransferThread::LiveCount() == baseLive && now.threads <= base.threads &&
             now.fds <= base.fds;
    })) << name;
    const Usage after = Measure();
    std::printf(
        "[ hostile ] %-13s %6ld connections; peak threads %d, descriptors %d, "
        "resident %ld KiB (before %d, %d, %ld KiB; after %d, %d, %ld KiB)\n",
        name, attacker.rounds.load(), peak.threads, peak.fds, peak.rssKiB, base.threads, base.fds,
        base.rssKiB, after.threads, after.fds, after.rssKiB);
    // A thread and a descriptor for each connection the gate lets in, and no more.
    EXPECT_LE(peak.threads, base.threads + held + kTransferThreads + kOnTheirWayOut);
    EXPECT_LE(peak.fds, base.fds + held + kTransferFds + kOnTheirWayOut);
    EXPECT_EQ(attacker.answered.load(), 0);
    if (kMemoryMeasurable) {
      EXPECT_LE(peak.rssKiB, base.rssKiB + 64 * 1024) << name;
      EXPECT_LE(after.rssKiB, base.rssKiB + 32 * 1024) << name;
    }
  }
};

// Sends the stream made by next (a piece at a time) until the program closes the
// connection or limit bytes have gone; one connection per round.
void Stream(Attacker& a, const std::string& start, const std::function<std::string()>& next,
            std::size_t limit) {
  for (long n = 0; a.Going(); ++n) {
    const int fd = a.Connect(n);
    if (fd < 0) continue;
    std::size_t sent = 0;
    bool open = start.empty() || ::send(fd, start.data(), start.size(), MSG_NOSIGNAL) > 0;
    while (open && sent < limit && !a.stop) {
      const std::string piece = next();
      const ssize_t k = ::send(fd, piece.data(), piece.size(), MSG_NOSIGNAL);
      open = k > 0;
      sent += k > 0 ? static_cast<std::size_t>(k) : 0;
    }
    if (Attacker::ClosedByPeer(fd, a.stop ? 0 : 5000)) ++a.refused;
    a.Close(fd);
  }
}

}  // namespace

TEST_F(HostileTest, IdleConnectionsAndConnectStorms) {
  // A long time limit: only the cap can turn the idle connections away.
  Make(60000);
  Withstand(
      "idle x1000",
      [](Attacker& a) {
        std::vector<int> held;
        for (long n = 0; a.Going();) {
          if (held.size() < 1000) {
            if (const int fd = a.Connect(n++); fd >= 0) held.push_back(fd);
            if (n % 100 != 0) continue;
          }
          // Those the program closed are opened again, so the port stays under siege.
          for (auto it = held.begin(); it != held.end();) {
            pollfd p{*it, POLLIN, 0};
            if (::poll(&p, 1, 0) == 1) {
              ++a.refused;
              a.Close(*it);
              it = held.erase(it);
            } else {
              ++it;
            }
          }
          if (held.size() >= 1000) {
            pollfd p{held.front(), POLLIN, 0};
            ::poll(&p, 1, 10);
          }
        }
        for (int fd : held) a.Close(fd);
      },
      1000);
  Withstand(
      "connect-close",
      [](Attacker& a) {
        for (long n = 0; a.Going(); ++n) {
          const int fd = a.Connect(n);
          if (fd < 0) continue;
          if (n % 2) {  // half of them end with a reset
            const linger abortive{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
          }
          a.Close(fd);
        }
      },
      300);

  // Leaving the program while strangers sit in their request read: every worker ends
  // at once, not when its time limit runs out a minute later.
  Attacker idle;
  idle.port = port;
  idle.maxRounds = RequestGate::kMaxStrangers;
  std::vector<int> held;
  for (long n = 0; n < RequestGate::kMaxStrangers; ++n) held.push_back(idle.Connect(n));
  ASSERT_TRUE(Pump([&] { return gate->Waiting() == RequestGate::kMaxStrangers; }));
  // One more stranger is closed at once, unanswered.
  const int extra = idle.Connect(0);
  ASSERT_GE(extra, 0);
  EXPECT_TRUE(Attacker::ClosedByPeer(extra, 10000));
  senderRoom.session.reset();
  sendList.reset();
  ASSERT_TRUE(PumpUntil({}, [&] { return TransferThread::LiveCount() == 0; }));
  for (int fd : held) {
    EXPECT_TRUE(Attacker::ClosedByPeer(fd, 10000));
    idle.Close(fd);
  }
  idle.Close(extra);
}

TEST_F(HostileTest, OversizedSlowAndGarbledRequests) {
  Make(500);
  // 10 MB of one header line: closed after a few KiB.
  Withstand(
      "10 MB line",
      [](Attacker& a) {
        const std::string piece(1 << 16, 'a');
        Stream(
            a, "VSTP/1.0\r\nX: ", [&] { return piece; }, 10 << 20);
      },
      4);
  // Short fields without end.
  Withstand(
      "endless fields",
      [](Attacker& a) {
        std::string piece;
        for (int i = 0; i < 2000; ++i) piece += "a: b\r\n";
        Stream(
            a, "VSTP/1.0\r\n", [&] { return piece; }, 10 << 20);
      },
      4);
  Withstand(
      "garbage",
      [](Attacker& a) {
        unsigned state = 12345;
        Stream(
            a, "",
            [&] {
              std::string piece(4096, '\0');
              for (char& c : piece)
                c = static_cast<char>((state = state * 1103515245u + 12345u) >> 16);
              return piece;
            },
            1 << 20);
      },
      20);
  // One byte at a time, each after the previous was taken and nothing closed for a
  // while (up to a second): the time limit ends each connection, unanswered.
  Withstand(
      "1 byte/s",
      [](Attacker& a) {
        const std::string request =
            "VSTP/1.0\r\nCommand: ReceiveFile\r\nID: 1\r\nRoom: room\r\n\r\n";
        std::vector<std::pair<int, std::size_t>> slow;
        for (long n = 0; a.Going() || !slow.empty();) {
          while (a.Going() && slow.size() < 8)
            if (const int fd = a.Connect(n++); fd >= 0) slow.emplace_back(fd, 0);
          for (auto it = slow.begin(); it != slow.end();) {
            auto& [fd, at] = *it;
            if (a.stop || at >= request.size() || Attacker::ClosedByPeer(fd, 1000 / 8)) {
              if (!a.stop && at < request.size()) ++a.refused;
              a.Close(fd);
              it = slow.erase(it);
              continue;
            }
            ::send(fd, &request[at++], 1, MSG_NOSIGNAL);
            ++it;
          }
        }
      },
      16);
}

namespace {
// Takes every descriptor number left under a lowered limit, so that the next accept
// fails with EMFILE; gives them back, and the limit, when it goes.
class DescriptorsExhausted {
 public:
  DescriptorsExhausted() {
    int highest = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
      highest = std::max(highest, std::atoi(entry.path().filename().c_str()));
    ::getrlimit(RLIMIT_NOFILE, &saved_);
    rlimit low = saved_;
    low.rlim_cur = std::min<rlim_t>(saved_.rlim_cur, static_cast<rlim_t>(highest) + 16);
    ::setrlimit(RLIMIT_NOFILE, &low);
    for (rlim_t n = 0; n < low.rlim_cur; ++n) {
      const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
      if (fd < 0) {
        exhausted_ = errno == EMFILE;
        break;
      }
      held_.push_back(fd);
    }
  }
  ~DescriptorsExhausted() {
    for (int fd : held_) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &saved_);
  }
  bool Exhausted() const { return exhausted_; }

 private:
  rlimit saved_{};
  std::vector<int> held_;
  bool exhausted_ = false;
};
}  // namespace

// Out of descriptors, the listener cannot take a waiting connection. It must wait
// longer after each failed accept instead of trying again at once, and take the
// connection once descriptors are free again.
TEST_F(HostileTest, ListenerBacksOffWhileDescriptorsRunOut) {
  Make(CSendFileWorker::kRequestTimeoutMs);
  sendList->OnSendFileRequest(senderRoom.session.get(), toReceiver, sourceDir.File("data.bin"));
  const int s = sendList->Count() - 1;
  ASSERT_TRUE(sendList->Start(s));
  const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(client, 0);
  const int failedBefore = counters->FailedAccepts.load();
  const int backoffsBefore = counters->Backoffs.load();
  const auto before = std::chrono::steady_clock::now();
  {
    DescriptorsExhausted exhausted;
    ASSERT_TRUE(exhausted.Exhausted());
    // The system completes the connection; only the accept is left to the listener.
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = kLoopback;
    ASSERT_EQ(::connect(client, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
    SendText(client, "VSTP/1.0\r\nCommand: ReceiveFile\r\nID: " + sendList->Item(s).ID +
                         "\r\nRoom: room\r\n\r\n");
    constexpr int kSteps = 4;
    ASSERT_TRUE(
        PumpUntil({}, [&] { return counters->Backoffs.load() - backoffsBefore >= kSteps; }));
    // Between the first back-off and the last of these the listener has waited out all
    // the others, each twice the one before: a lower bound that a slow or busy machine
    // only makes easier to meet, and that a listener trying again at once never meets.
    int waited = 0;
    for (int step = 0, ms = CSendFileThread::kBackoffFirstMs; step < kSteps - 1; ++step, ms *= 2)
      waited += ms;
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(waited));
    // Failures first: each one is followed by its back-off, so at most one more.
    const int failed = counters->FailedAccepts.load() - failedBefore;
    EXPECT_GE(failed, kSteps);
    EXPECT_LE(failed, counters->Backoffs.load() - backoffsBefore + 1);
    EXPECT_EQ(sendList->WorkerCount(), 0u);
  }
  std::string answer;
  ASSERT_TRUE(Pump([&] {
    pollfd p{client, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0) answer = ReadHeader(client);
    return !answer.empty();
  }));
  ASSERT_NE(answer.find("Response: Success"), std::string::npos);
  std::string got;
  char buffer[1 << 16];
  for (long n; (n = ::recv(client, buffer, sizeof buffer, 0)) > 0;)
    got.append(buffer, static_cast<std::size_t>(n));
  ::close(client);
  EXPECT_TRUE(got == body);
  ASSERT_TRUE(Pump([&] { return sendList->WorkerCount() == 0; }));
  EXPECT_EQ(sendList->Item(s).State, TransferState::Done);
  // Nothing of the shortage is left behind for the next receiver.
  EXPECT_TRUE(Transfer());
}

// Requests that look right, sent as fast as connections can be made: from strangers
// naming entries of others, and from a member naming entries that are not its own. Each
// worker that finds no entry keeps its place until it ends, so threads and descriptors
// stay within the gate's caps; nobody is answered, and the ordinary receiver is served.
TEST_F(HostileTest, ManyValidRequestsFromStrangersAndAMember) {
  Make(CSendFileWorker::kRequestTimeoutMs);
  // The member has a file of its own waiting, so the gate expects requests from it.
  const Ipv4 mallory = inet_addr("127.0.0.10");
  sendList->OnSendFileRequest(senderRoom.session.get(), senderRoom.AddPeer("mallory", mallory),
                              sourceDir.File("data.bin"));
  ASSERT_TRUE(sendList->Start(sendList->Count() - 1));
  // The warm-up entry's, then the ones the list will make next (its IDs count up), the
  // ordinary receiver's among them; never the member's own.
  const unsigned first = std::stoul(sendList->Item(0).ID, nullptr, 16);
  std::vector<std::string> ids;
  for (unsigned k : {0u, 2u, 3u, 4u}) {
    char id[9];
    std::snprintf(id, sizeof id, "%08x", first + k);
    ids.push_back(id);
  }
  held = RequestGate::kMaxStrangers + RequestGate::kPerMember;
  Withstand(
      "valid requests",
      [&](Attacker& a) {
        std::vector<int> open;
        for (long n = 0; a.Going() || !open.empty();) {
          while (a.Going() && open.size() < 48) {
            const int fd = a.Connect(n, n % 3 == 0 ? mallory : 0);
            ++n;
            if (fd < 0) continue;
            SendText(fd, "VSTP/1.0\r\nCommand: ReceiveFile\r\nID: " + ids[n % ids.size()] +
                             "\r\nRoom: room\r\n\r\n");
            open.push_back(fd);
          }
          for (auto it = open.begin(); it != open.end();) {
            pollfd p{*it, POLLIN, 0};
            if (::poll(&p, 1, 0) == 1) {
              char c;
              if (::recv(*it, &c, 1, MSG_DONTWAIT) > 0)
                ++a.answered;
              else
                ++a.refused;
            } else if (!a.stop) {
              ++it;
              continue;
            }
            a.Close(*it);
            it = open.erase(it);
          }
          if (!open.empty()) {
            pollfd p{open.front(), POLLIN, 0};
            ::poll(&p, 1, 1);
          }
        }
      },
      2000);
}

// The caps the bounds above rely on, one by one: per stranger address, for strangers
// together, per member (who still gets in when strangers fill theirs), and overall.
TEST(RequestGateTest, CapsPerAddressStrangersMembersAndAll) {
  RequestGate gate;
  const auto host = [](std::uint32_t n) { return htonl(0x7F000000u + n); };
  int fd = 100;
  for (int k = 0; k < RequestGate::kPerStranger; ++k) EXPECT_TRUE(gate.Admit(fd++, host(2)));
  EXPECT_FALSE(gate.Admit(fd++, host(2)));
  std::uint32_t next = 3;
  while (gate.Waiting() < RequestGate::kMaxStrangers) EXPECT_TRUE(gate.Admit(fd++, host(next++)));
  EXPECT_FALSE(gate.Admit(fd++, host(next)));

  std::set<Ipv4> members;
  for (std::uint32_t m = 200; m < 210; ++m) members.insert(host(m));
  gate.SetMembers(members);
  for (int k = 0; k < RequestGate::kPerMember; ++k) EXPECT_TRUE(gate.Admit(fd++, host(200)));
  EXPECT_FALSE(gate.Admit(fd++, host(200)));
  for (std::uint32_t m = 201; gate.Waiting() < RequestGate::kMaxWaiting; ++m)
    for (int k = 0; k < RequestGate::kPerMember && gate.Waiting() < RequestGate::kMaxWaiting; ++k)
      EXPECT_TRUE(gate.Admit(fd++, host(m)));
  EXPECT_FALSE(gate.Admit(fd++, host(209)));

  // A place given back is free again, for the same address too.
  gate.Release(100);
  EXPECT_TRUE(gate.Admit(fd++, host(2)));
  EXPECT_FALSE(gate.Admit(fd++, host(209)));
}
