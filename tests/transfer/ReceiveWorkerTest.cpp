// The receiving worker against a scripted sender on a raw socket.
#include <gtest/gtest.h>

#include <filesystem>

#include "TransferTestSupport.h"
#include "transfer/CReceiveFileWorker.h"
#include "transfer/TransferTexts.h"

using namespace vostrelle;
using namespace vostrelle::test;
namespace text = vostrelle::transfer_text;

namespace {

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
    item.LocalPath = dir.File("out.bin");
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
};

const std::string kSuccess = "VSTP/1.0\r\nCommand: SendFile\r\nResponse: Success\r\n\r\n";

}  // namespace

TEST_F(ReceiveWorkerTest, BodyInTheResponseChunkIsWrittenFirst) {
  const std::string body = Pattern(10000);
  StartFor(static_cast<std::uint32_t>(body.size()));
  const int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  EXPECT_EQ(Request(fd), "VSTP/1.0\r\nCommand: ReceiveFile\r\nRoom: room\r\nID: 0001abcd\r\n\r\n");
  // Header and the first 3000 bytes in one write, the rest later.
  SendText(fd, kSuccess + body.substr(0, 3000));
  // The target file is made once the response is read: the rest comes to a worker
  // that has taken the first chunk.
  ASSERT_TRUE(
      notify->PumpUntil([&] { return std::filesystem::exists(dir.File("out.bin")); }, 10000));
  SendText(fd, body.substr(3000) + "TRAILING");  // bytes past FileSize are never read
  ASSERT_TRUE(Ended());
  ::close(fd);
  EXPECT_FALSE(Failed()) << worker.ErrorText();
  EXPECT_EQ(ReadFile(dir.File("out.bin")), body);
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

TEST_F(ReceiveWorkerTest, SenderClosingHalfwayLeavesThePartialFile) {
  const std::string body = Pattern(20000);
  StartFor(static_cast<std::uint32_t>(body.size()));
  int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  Request(fd);
  SendText(fd, kSuccess);
  SendText(fd, body.substr(0, 10000));
  ::close(fd);
  ASSERT_TRUE(Ended());
  EXPECT_EQ(worker.ErrorText(), text::kDisconnected);
  EXPECT_EQ(ReadFile(dir.File("out.bin")), body.substr(0, 10000));
}

struct Answer {
  const char* response;  // nullptr: close without a byte
  const char* error;
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
  StartFor(100);
  int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  Request(fd);
  SendText(fd, kSuccess + "partial");  // then nothing: the worker blocks in receive
  ASSERT_TRUE(
      notify->PumpUntil([&] { return std::filesystem::exists(dir.File("out.bin")); }, 10000));
  EXPECT_FALSE(worker.WaitFinished(0));
  worker.Abort();
  ASSERT_TRUE(Ended());
  ::close(fd);
  EXPECT_EQ(worker.ErrorText(), text::kDisconnected);
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
