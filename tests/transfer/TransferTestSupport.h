#pragma once
// Loopback helpers for the transfer tests: free ports, a temporary folder, a recording
// dialog, a room with one member on 127.0.0.1, both lists wired to each other and raw
// TCP peers.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "net/ChatSocket.h"
#include "net/RoomSession.h"
#include "platform/NotifyTarget.h"
#include "platform/SocketNotifier.h"
#include "platform/UserInterface.h"
#include "store/ConnectSetting.h"
#include "transfer/ReceiveFileList.h"
#include "transfer/SendFileList.h"
#include "transfer/TransferDialog.h"

namespace vostrelle::test {

inline const Ipv4 kLoopback = inet_addr("127.0.0.1");

// Each case runs in a process of its own, in parallel with the others: ports are
// taken from the system at run time.
inline std::uint16_t FreeTcpPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = kLoopback;
  socklen_t length = sizeof at;
  std::uint16_t port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length) == 0)
    port = ntohs(at.sin_port);
  ::close(fd);
  return port;
}

inline std::uint16_t FreeUdpPort() {
  UdpSocket probe;
  return probe.Open(0, false, kLoopback) ? probe.LocalPort() : 0;
}

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/vostrelle-transfer-XXXXXX";
    path_ = ::mkdtemp(pattern) ? pattern : "";
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 4096) & 0xFF);
  return bytes;
}

// Keeps the last state of every row, as a window would show it.
struct FakeDialog : TransferDialog {
  struct Row {
    int Image = 0;
    std::string Progress;
    std::string Status;
  };
  std::vector<Row> rows;
  std::vector<MsgAnswer> answers;  // given in turn; Ok/Yes when used up
  std::vector<std::string> asked;
  int activations = 0;
  int progressUpdates = 0;
  // Runs while a question is open, as the events a nested event loop delivers.
  std::function<void()> duringQuestion;
  bool* destroyed = nullptr;

  ~FakeDialog() override {
    if (destroyed) *destroyed = true;
  }
  void AddRow(int index, const RowCells& cells) override {
    rows.insert(rows.begin() + index, Row{0, cells.Progress, cells.Status.value_or("")});
  }
  void UpdateRow(int index, const RowUpdate& update) override {
    Row& row = rows.at(static_cast<std::size_t>(index));
    if (update.Image) row.Image = *update.Image;
    if (update.Progress) {
      row.Progress = *update.Progress;
      ++progressUpdates;
    }
    if (update.Status) row.Status = *update.Status;
  }
  void DeleteRow(int index) override { rows.erase(rows.begin() + index); }
  void SetRowStatus(int index, const std::string& text) override {
    rows.at(static_cast<std::size_t>(index)).Status = text;
  }
  void DeselectRow(int) override {}
  void Activate() override { ++activations; }
  MsgAnswer MessageBox(const std::string& text, const std::string&, MsgButtons buttons,
                       MsgIcon) override {
    asked.push_back(text);
    if (duringQuestion) std::exchange(duringQuestion, nullptr)();
    if (!answers.empty()) {
      const MsgAnswer answer = answers.front();
      answers.erase(answers.begin());
      return answer;
    }
    return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
  }
  const std::string& Status(int index) const {
    return rows.at(static_cast<std::size_t>(index)).Status;
  }
};

struct RecordingUi : UserInterface {
  std::vector<std::string> shown;
  MsgAnswer MessageBox(const std::string& text, const std::string&, MsgButtons, MsgIcon) override {
    shown.push_back(text);
    return MsgAnswer::Ok;
  }
  bool EditConnectSetting(ConnectSetting&) override { return false; }
  int EditConnectList(std::vector<ConnectSetting>&) override { return 0; }
  bool AskName(std::string&) override { return false; }
  bool EditOptions(AppSettings&) override { return false; }
  void SendCommand(int) override {}
  bool FocusIsMessageView() override { return false; }
};

struct NullReceiver : ChatReceiver {
  void Receive(const FieldMap&, Ipv4) override {}
};

// A room on a loopback chat socket whose members all live on 127.0.0.1 (unicast only:
// the session is never joined, so nothing is broadcast).
struct LoopbackRoom {
  NullReceiver receiver;
  PollLoop loop;
  ChatSocket chat{&receiver, FreeUdpPort()};
  std::unique_ptr<RoomSession> session;
  explicit LoopbackRoom(const std::string& roomName) {
    chat.Create(&loop, kLoopback);
    ConnectSetting setting{"127.0.0.1", "255.0.0.0", "me", "", roomName, false, ""};
    session = std::make_unique<RoomSession>(setting, &chat, nullptr);
    session->SetLocalAddress(inet_addr("127.0.0.9"));
  }
  int AddPeer(const std::string& name, Ipv4 address = kLoopback) {
    return session->AddMember(name, address);
  }
};

// Pumps several notify targets until done() holds; false on time-out.
inline bool PumpUntil(std::vector<QueueNotifyTarget*> targets, const std::function<bool()>& done,
                      int timeoutMs = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    for (auto* t : targets) t->Drain();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

// A send list and a receive list on the test's thread, each in a room whose one member
// is the other side, on 127.0.0.1.
class TransferListsTest : public ::testing::Test {
 protected:
  TempDir sourceDir;
  TempDir targetDir;
  RecordingUi ui;
  LoopbackRoom senderRoom{"room"};
  LoopbackRoom receiverRoom{"room"};
  std::shared_ptr<QueueNotifyTarget> sendNotify = std::make_shared<QueueNotifyTarget>();
  std::shared_ptr<QueueNotifyTarget> receiveNotify = std::make_shared<QueueNotifyTarget>();
  std::uint16_t port = FreeTcpPort();
  std::unique_ptr<SendFileList> sendList;
  // The send list's: accepted connections not yet matched to an entry.
  std::shared_ptr<RequestGate> gate = std::make_shared<RequestGate>();
  std::shared_ptr<ListenerCounters> counters = std::make_shared<ListenerCounters>();
  std::unique_ptr<ReceiveFileList> receiveList;
  FakeDialog* sendDialog = nullptr;
  FakeDialog* receiveDialog = nullptr;
  int toReceiver = 0;  // the receiver as a member of the sender's room
  int toSender = 0;    // and the other way round

  // While set, every thread the lists start fails as on a system out of threads.
  bool outOfThreads = false;
  TransferThread::Spawner ThreadMaker() {
    return [this](void (*main)(TransferThread*), TransferThread* thread) {
      if (outOfThreads)
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
      return std::thread(main, thread);
    };
  }

  // config.Port, config.ListenAddress, config.Spawner, config.Gate and config.Counters
  // are this fixture's.
  void MakeLists(SendFileList::Config config) {
    config.Port = port;
    config.ListenAddress = kLoopback;
    config.Spawner = ThreadMaker();
    config.Gate = gate;
    config.Counters = counters;
    sendList = std::make_unique<SendFileList>(sendNotify, &ui, config);
    receiveList = std::make_unique<ReceiveFileList>(receiveNotify, ThreadMaker());
    sendList->SetDialogFactory([this](FileTransferList&) {
      auto dialog = std::make_unique<FakeDialog>();
      sendDialog = dialog.get();
      return dialog;
    });
    receiveList->SetDialogFactory([this](FileTransferList&) {
      auto dialog = std::make_unique<FakeDialog>();
      receiveDialog = dialog.get();
      return dialog;
    });
    senderRoom.session->Attach(sendList.get());
    receiverRoom.session->Attach(receiveList.get());
    toReceiver = senderRoom.AddPeer("bob");
    toSender = receiverRoom.AddPeer("alice");
  }

  // The document's order: sessions go before the lists that observe them.
  void TearDown() override {
    senderRoom.session.reset();
    receiverRoom.session.reset();
    receiveList.reset();
    sendList.reset();
  }

  bool Pump(const std::function<bool()>& done, int timeoutMs = 10000) {
    return PumpUntil({sendNotify.get(), receiveNotify.get()}, done, timeoutMs);
  }
};

// A raw TCP listener on 127.0.0.1 for scripted peers.
struct RawListener {
  int fd = -1;
  std::uint16_t port = 0;
  RawListener() {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = kLoopback;
    socklen_t length = sizeof at;
    ::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at);
    ::listen(fd, 5);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length);
    port = ntohs(at.sin_port);
  }
  ~RawListener() { ::close(fd); }
  // -1 after timeoutMs without a connection.
  int Accept(int timeoutMs = 5000) const {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return -1;
    return ::accept(fd, nullptr, nullptr);
  }
};

inline int RawConnect(std::uint16_t port, int receiveBuffer = 0) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (receiveBuffer > 0)
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = kLoopback;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Reads until the empty line ending a header block (one byte at a time, so nothing of
// the body is taken); empty on time-out or close.
inline std::string ReadHeader(int fd, int timeoutMs = 5000) {
  std::string text;
  while (text.size() < 4 || text.compare(text.size() - 4, 4, "\r\n\r\n") != 0) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return {};
    char c;
    if (::recv(fd, &c, 1, 0) != 1) return {};
    text += c;
  }
  return text;
}

inline void SendText(int fd, const std::string& text) {
  ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
}

}  // namespace vostrelle::test
