// The receiving worker against a scripted sender on a raw socket.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <filesystem>

#include "TransferTestSupport.h"
#include "transfer/CReceiveFileWorker.h"
#include "transfer/TransferTexts.h"

using namespace vostrelle;
using namespace vostrelle::test;
namespace text = vostrelle::transfer_text;

namespace {

// What a row adds after the failure text when the part file was kept under name.
std::string Kept(const std::string& name) {
  return std::string(text::kKeptPartBefore) + name + text::kKeptPartAfter;
}

class ReceiveWorkerTest : public ::testing::Test {
 protected:
  TempDir dir;
  RawListener sender;
  std::shared_ptr<QueueNotifyTarget> notify = std::make_shared<QueueNotifyTarget>();
  std::vector<unsigned> messages;
  CReceiveFileWorker worker;

  void SetUp() override {
    notify->SetHandler([this](unsigned m, std::uintptr_t) {
      messages.push_back(m);
      if (m == kReceiveProgress) worker.ProgressHandled();
      return true;
    });
  }
  void TearDown() override {
    worker.Abort();
    EXPECT_TRUE(worker.WaitFinished(5000));
  }
  void StartFor(std::uint32_t size) {
    TransferItem item;
    item.MemberAddress = kLoopback;
    item.Port = sender.port;
    item.ID = "0001abcd";
    item.Room = "room";
    item.Size = size;
    item.LocalPath = item.NativePath = dir.File("out.bin");  // ASCII: the same either way
    worker.Assign(notify, item);
    worker.Start();
  }
  // The request the worker sent, read from the accepted connection.
  std::string Request(int fd) { return ReadHeader(fd); }
  bool Ended() {
    return notify->PumpUntil([&] { return !messages.empty() && messages.back() == kReceiveEnded; },
                             10000);
  }
  bool Failed() const {
    return std::find(messages.begin(), messages.end(), kReceiveFailed) != messages.end();
  }
  std::string Part(const char* name = "out.bin.part") const { return dir.File(name); }
  // The worker ended with text, and kept what arrived in out.bin.part.
  void ExpectKept(const std::string& text, const std::string& arrived) {
    EXPECT_EQ(worker.ErrorText(), text + Kept("out.bin.part"));
    EXPECT_TRUE(ReadFile(Part()) == arrived);
  }
};

const std::string kSuccess = "VSTP/1.0\r\nCommand: SendFile\r\nResponse: Success\r\n\r\n";

}  // namespace

TEST_F(ReceiveWorkerTest, BodyInTheResponseChunkIsWrittenFirst) {
  // The user has agreed to replace out.bin: it stays whole until the last byte is in.
  WriteFile(dir.File("out.bin"), "old contents");
  const std::string body = Pattern(10000);
  StartFor(static_cast<std::uint32_t>(body.size()));
  const int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  EXPECT_EQ(Request(fd), "VSTP/1.0\r\nCommand: ReceiveFile\r\nRoom: room\r\nID: 0001abcd\r\n\r\n");
  // Header and the first 3000 bytes in one write, the rest later.
  SendText(fd, kSuccess + body.substr(0, 3000));
  // The part file is made once the response is read: the rest comes to a worker that
  // has taken the first chunk.
  ASSERT_TRUE(PumpUntil({notify.get()}, [&] { return std::filesystem::exists(Part()); }));
  EXPECT_TRUE(ReadFile(dir.File("out.bin")) == "old contents");
  SendText(fd, body.substr(3000) + "TRAILING");  // bytes past FileSize are never read
  ASSERT_TRUE(Ended());
  ::close(fd);
  EXPECT_FALSE(Failed()) << worker.ErrorText();
  EXPECT_TRUE(ReadFile(dir.File("out.bin")) == body);
  EXPECT_FALSE(std::filesystem::exists(Part()));
  EXPECT_EQ(worker.BytesDone(), body.size());
  EXPECT_NE(std::find(messages.begin(), messages.end(), kReceiveDone), messages.end());
}

TEST_F(ReceiveWorkerTest, WholeSmallFileInTheResponseChunkAndEmptyFile) {
  StartFor(5);
  int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  Request(fd);
  SendText(fd, kSuccess + "hello");  // the connection stays open: no further receive
  ASSERT_TRUE(Ended());
  ::close(fd);
  EXPECT_EQ(ReadFile(dir.File("out.bin")), "hello");
}

TEST_F(ReceiveWorkerTest, ZeroSizeCreatesAnEmptyFileWithoutReading) {
  WriteFile(dir.File("out.bin"), "old contents");
  StartFor(0);
  int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  Request(fd);
  SendText(fd, kSuccess);
  ASSERT_TRUE(Ended());
  ::close(fd);
  EXPECT_FALSE(Failed());
  EXPECT_TRUE(std::filesystem::exists(dir.File("out.bin")));
  EXPECT_EQ(ReadFile(dir.File("out.bin")), "");
}

// Each way a receive can end part-way leaves the file it was to replace as it was, and
// what arrived under a part name that the failure text gives.
TEST_F(ReceiveWorkerTest, SenderClosingHalfwayKeepsTheOldFileAndThePart) {
  WriteFile(dir.File("out.bin"), "old contents");
  const std::string body = Pattern(200000);
  StartFor(static_cast<std::uint32_t>(body.size()));
  int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  Request(fd);
  SendText(fd, kSuccess);
  SendText(fd, body.substr(0, 100000));
  ::close(fd);
  ASSERT_TRUE(Ended());
  ExpectKept(text::kDisconnected, body.substr(0, 100000));
  EXPECT_TRUE(ReadFile(dir.File("out.bin")) == "old contents");
}

namespace {
// Stands in for a full disk: past this file size the system refuses a write (EFBIG, as
// it would ENOSPC), through the same write call the worker makes on a full disk. The
// signal that would otherwise end the process is ignored meanwhile.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldSignal_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldSignal_);
  }

 private:
  rlimit saved_{};
  sighandler_t oldSignal_;
};
}  // namespace

TEST_F(ReceiveWorkerTest, FullDiskKeepsTheOldFileAndThePart) {
  const std::string old = Pattern(300000).substr(1);
  WriteFile(dir.File("out.bin"), old);
  const std::string body = Pattern(1 << 20);
  FileSizeLimit full(256 * 1024);
  StartFor(static_cast<std::uint32_t>(body.size()));
  const int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  Request(fd);
  SendText(fd, kSuccess + body);  // ends early when the worker gives up
  ASSERT_TRUE(Ended());
  ::close(fd);
  ExpectKept(text::kTransferError, body.substr(0, 256 * 1024));
  EXPECT_TRUE(ReadFile(dir.File("out.bin")) == old);
}

struct Answer {
  const char* response;  // nullptr: close without a byte
  std::string error;
};

class ReceiveAnswerTest : public ReceiveWorkerTest, public ::testing::WithParamInterface<Answer> {};

TEST_P(ReceiveAnswerTest, FailureText) {
  StartFor(10);
  int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  Request(fd);
  if (GetParam().response) SendText(fd, GetParam().response);
  ::close(fd);
  ASSERT_TRUE(Ended());
  EXPECT_TRUE(Failed());
  EXPECT_EQ(worker.ErrorText(), GetParam().error);
  // No target file is made for a refused transfer.
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.bin")));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ReceiveAnswerTest,
    ::testing::Values(
        Answer{nullptr, text::kConnectionRefused},
        Answer{"VSTP/1.0\r\nCommand: SendFile\r\n", text::kIncompleteHeader},
        Answer{"VSTP/1.0\r\nCommand: SendFile\r\n\r\n", text::kIncompleteHeader},
        Answer{"VSTP/1.0\r\nbroken\r\n\r\n", text::kIncompleteHeader},
        Answer{"VSTP/1.0\r\nCommand: ReceiveFile\r\nResponse: Success\r\n\r\n",
               text::kWrongCommand},
        Answer{"VSTP/1.0\r\nCommand: SendFile\r\nResponse: Failure\r\nCause: X\r\n\r\n", "X"},
        Answer{"VSTP/1.0\r\nCommand: SendFile\r\nResponse: Failure\r\n\r\n", text::kSendRefused},
        Answer{"VSTP/1.0\r\nCommand: SendFile\r\nResponse: Maybe\r\nCause: X\r\n\r\n",
               text::kSendRefused}));

TEST_F(ReceiveWorkerTest, EmptyTargetPathAndNoListener) {
  TransferItem item;
  item.MemberAddress = kLoopback;
  item.Port = sender.port;
  item.Size = 1;
  worker.Assign(notify, item);
  worker.Start();
  int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  Request(fd);
  SendText(fd, kSuccess + "x");
  ASSERT_TRUE(Ended());
  ::close(fd);
  EXPECT_EQ(worker.ErrorText(), text::kPathUnknown);
}

TEST(ReceiveWorker, ConnectFailsWithoutListener) {
  auto notify = std::make_shared<QueueNotifyTarget>();
  CReceiveFileWorker worker;
  TransferItem item;
  item.MemberAddress = kLoopback;
  item.Port = FreeTcpPort();
  worker.Assign(notify, item);
  worker.Start();
  ASSERT_TRUE(worker.WaitFinished(5000));
  EXPECT_EQ(worker.ErrorText(), text::kConnectFailed);
}

TEST_F(ReceiveWorkerTest, AbortWakesABlockedReceive) {
  WriteFile(dir.File("out.bin"), "old contents");
  StartFor(100);
  int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  Request(fd);
  SendText(fd, kSuccess + "partial");  // then nothing: the worker blocks in receive
  ASSERT_TRUE(PumpUntil({notify.get()}, [&] { return std::filesystem::exists(Part()); }));
  EXPECT_FALSE(worker.WaitFinished(0));
  worker.Abort();
  ASSERT_TRUE(Ended());
  ::close(fd);
  ExpectKept(text::kDisconnected, "partial");
  EXPECT_EQ(worker.FailureNote(), Kept("out.bin.part"));
  EXPECT_TRUE(ReadFile(dir.File("out.bin")) == "old contents");
  worker.Abort();  // once closed, nothing happens
}

TEST_F(ReceiveWorkerTest, EndlessResponseHeaderEndsTheReceive) {
  StartFor(10);
  const int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  Request(fd);
  // More than a response may be, without its end; the connection stays open.
  SendText(fd, "VSTP/1.0\r\nX: " + std::string(CReceiveFileWorker::kMaxResponseBytes + 8192, 'a'));
  ASSERT_TRUE(Ended());
  ::close(fd);
  EXPECT_TRUE(Failed());
  EXPECT_EQ(worker.ErrorText(), text::kIncompleteHeader);
}

// A part name already taken (by an earlier failed receive, or a file of the user's) is
// left alone; a failure before any byte leaves no part behind; a second receive into a
// target that is being received is turned away.
TEST_F(ReceiveWorkerTest, PartNamesNeverReplaceAFile) {
  WriteFile(Part(), "an earlier part");
  StartFor(100);
  const int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  Request(fd);
  SendText(fd, kSuccess + "some");
  ASSERT_TRUE(
      PumpUntil({notify.get()}, [&] { return std::filesystem::exists(Part("out.bin.2.part")); }));

  CReceiveFileWorker second;
  RawListener other;
  TransferItem item;
  item.MemberAddress = kLoopback;
  item.Port = other.port;
  item.Size = 10;
  item.LocalPath = item.NativePath = dir.File("out.bin");  // ASCII: the same either way
  second.Assign(std::make_shared<QueueNotifyTarget>(), item);
  second.Start();
  const int otherFd = other.Accept();
  ASSERT_GE(otherFd, 0);
  Request(otherFd);
  SendText(otherFd, kSuccess + "0123456789");
  ASSERT_TRUE(second.WaitFinished(10000));
  ::close(otherFd);
  EXPECT_EQ(second.ErrorText(), text::kCannotOpenFile);

  ::close(fd);
  ASSERT_TRUE(Ended());
  EXPECT_EQ(worker.ErrorText(), text::kDisconnected + Kept("out.bin.2.part"));
  EXPECT_EQ(ReadFile(Part()), "an earlier part");
  EXPECT_EQ(ReadFile(Part("out.bin.2.part")), "some");
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.bin")));
}

TEST_F(ReceiveWorkerTest, NothingArrivedLeavesNoPart) {
  WriteFile(dir.File("out.bin"), "old contents");
  StartFor(100);
  const int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  Request(fd);
  SendText(fd, kSuccess);
  ::close(fd);
  ASSERT_TRUE(Ended());
  EXPECT_EQ(worker.ErrorText(), text::kDisconnected);
  EXPECT_EQ(worker.FailureNote(), "");
  EXPECT_FALSE(std::filesystem::exists(Part()));
  EXPECT_TRUE(ReadFile(dir.File("out.bin")) == "old contents");
}

// A program that dies in the middle of a receive (killed, crashed, power gone) has
// touched nothing but the part file.
TEST_F(ReceiveWorkerTest, KilledInTheMiddleLeavesTheOldFile) {
  WriteFile(dir.File("out.bin"), "old contents");
  const std::string body = Pattern(1 << 20);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::alarm(60);  // never outlives a parent that failed
    StartFor(static_cast<std::uint32_t>(body.size()));
    for (;;) ::pause();
  }
  struct Reaper {
    pid_t pid;
    ~Reaper() {
      if (pid < 0) return;
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  } reaper{child};
  const int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  Request(fd);
  SendText(fd, kSuccess + body.substr(0, body.size() / 2));
  // Some of it is on disk: the child is in the middle of the body.
  ASSERT_TRUE(PumpUntil({}, [&] {
    std::error_code ec;
    return std::filesystem::file_size(Part(), ec) > 0 && !ec;
  }));
  ::kill(child, SIGKILL);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  reaper.pid = -1;
  ::close(fd);
  EXPECT_TRUE(ReadFile(dir.File("out.bin")) == "old contents");
  const std::string part = ReadFile(Part());
  EXPECT_TRUE(part == body.substr(0, part.size()));
}

namespace {

// The receive list with one offer of out.bin from a scripted sender on 127.0.0.1.
class ReceiveListFailureTest : public ::testing::Test {
 protected:
  TempDir dir;
  RawListener sender;
  LoopbackRoom room{"room"};
  std::shared_ptr<QueueNotifyTarget> notify = std::make_shared<QueueNotifyTarget>();
  std::unique_ptr<ReceiveFileList> list = std::make_unique<ReceiveFileList>(notify);
  FakeDialog* dialog = nullptr;
  std::string body = Pattern(1 << 20);
  int fd = -1;

  void SetUp() override {
    list->SetDialogFactory([this](FileTransferList&) {
      auto made = std::make_unique<FakeDialog>();
      dialog = made.get();
      return made;
    });
    room.session->Attach(list.get());
    const int member = room.AddPeer("alice");
    WriteFile(dir.File("out.bin"), "old contents");
    list->OnFileOffered(room.session.get(), member, "00000001", "out.bin",
                        static_cast<std::uint32_t>(body.size()), sender.port);
    ASSERT_TRUE(list->Start(0, dir.Path()));
    ASSERT_EQ(dialog->asked.size(), 1u);  // 上書きしますか？, answered Yes
    fd = sender.Accept();
    ASSERT_GE(fd, 0);
    ReadHeader(fd);
    // Half the body, then the sender waits.
    SendText(fd, kSuccess + body.substr(0, body.size() / 2));
    ASSERT_TRUE(PumpUntil({notify.get()}, [&] { return list->Item(0).BytesDone > 0; }));
  }
  void TearDown() override {
    room.session.reset();
    list.reset();
    if (fd >= 0) ::close(fd);
  }
  void ExpectOldFileAndPart() {
    EXPECT_TRUE(ReadFile(dir.File("out.bin")) == "old contents");
    const std::string part = ReadFile(dir.File("out.bin.part"));
    EXPECT_GT(part.size(), 0u);
    EXPECT_TRUE(part == body.substr(0, part.size()));
  }
};

}  // namespace

TEST_F(ReceiveListFailureTest, CancelSaysWhereThePartIs) {
  EXPECT_EQ(list->Cancel(0), 1);
  EXPECT_EQ(dialog->Status(0), text::kCancelled + Kept("out.bin.part"));
  ExpectOldFileAndPart();
}

TEST_F(ReceiveListFailureTest, SenderClosingSaysWhereThePartIs) {
  ::close(fd);
  fd = -1;
  ASSERT_TRUE(PumpUntil({notify.get()}, [&] { return list->WorkerCount() == 0; }));
  EXPECT_EQ(list->Item(0).State, TransferState::Failed);
  EXPECT_EQ(dialog->Status(0), text::kDisconnected + Kept("out.bin.part"));
  ExpectOldFileAndPart();
}

// Leaving the program stops the receive as the document's teardown does.
TEST_F(ReceiveListFailureTest, ExitKeepsTheOldFileAndThePart) {
  room.session.reset();
  list.reset();
  ASSERT_TRUE(PumpUntil({}, [&] { return TransferThread::LiveCount() == 0; }));
  ExpectOldFileAndPart();
}
