// Both lists on one user-interface thread (the test's), their workers on loopback.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include "TransferTestSupport.h"
#include "net/HeaderBlock.h"
#include "transfer/CSendFileWorker.h"
#include "transfer/ReceiveFileList.h"
#include "transfer/SendFileList.h"
#include "transfer/TransferTexts.h"

using namespace vostrelle;
using namespace vostrelle::test;
namespace text = vostrelle::transfer_text;

namespace {

class TransferListTest : public TransferListsTest {
 protected:
  int stallTimeoutMs = CSendFileWorker::kStallTimeoutMs;

  void SetUp() override {
    SendFileList::Config config;
    config.StallTimeoutMs = stallTimeoutMs;
    MakeLists(config);
  }

  std::string Source(const std::string& name, const std::string& bytes) {
    WriteFile(sourceDir.File(name), bytes);
    return sourceDir.File(name);
  }

  // Chooses the file for the receiver, sends it and hands the offer over as the
  // receiver's room would; returns the receiver's entry index.
  int Offer(const std::string& path, LoopbackRoom* room = nullptr, int member = -1) {
    room = room ? room : &senderRoom;
    sendList->OnSendFileRequest(room->session.get(), member >= 0 ? member : toReceiver, path);
    const int index = sendList->Count() - 1;
    EXPECT_TRUE(sendList->Start(index));
    const TransferItem& item = sendList->Item(index);
    receiveList->OnFileOffered(receiverRoom.session.get(), toSender, item.ID, item.FileName,
                               item.Size, static_cast<std::uint32_t>(item.Port));
    return receiveList->Count() - 1;
  }

  // A receiver with a small window asks for entry index; its answer header goes to
  // answer (empty when none came). -1 when it could not connect.
  int Request(int index, std::string& answer, const std::string& room = "room") {
    return Request(*sendList, port, *sendNotify, index, answer, room);
  }
  // The same of another send list, whose messages go to notify.
  int Request(SendFileList& list, std::uint16_t listPort, QueueNotifyTarget& notify, int index,
              std::string& answer, const std::string& room = "room") {
    const int fd = RawConnect(listPort, 4096);
    if (fd < 0) return -1;
    SendText(fd, "VSTP/1.0\r\nCommand: ReceiveFile\r\nID: " + list.Item(index).ID +
                     "\r\nRoom: " + room + "\r\n\r\n");
    PumpUntil({&notify, receiveNotify.get()}, [&] {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 0) > 0) answer = ReadHeader(fd);
      return !answer.empty();
    });
    return fd;
  }
  bool Settled() {
    return Pump([&] { return sendList->WorkerCount() == 0 && receiveList->WorkerCount() == 0; });
  }
};

}  // namespace

TEST_F(TransferListTest, FileArrivesWholeAndBothRowsSayDone) {
  const std::string body = Pattern(300000);
  const int r = Offer(Source("data.bin", body));
  EXPECT_EQ(sendDialog->Status(0), text::kAwaitingResponse);
  EXPECT_EQ(receiveDialog->Status(r), text::kAwaitingResponse);
  ASSERT_TRUE(receiveList->Start(r, targetDir.Path()));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(receiveList->Item(r).State, TransferState::Done);
  EXPECT_EQ(sendList->Item(0).State, TransferState::Done);
  EXPECT_EQ(sendList->Item(0).BytesDone, body.size());
  EXPECT_EQ(receiveDialog->Status(r), text::kDone);
  EXPECT_EQ(sendDialog->rows[0].Image, 2);
  EXPECT_EQ(ReadFile(targetDir.File("data.bin")), body);
}

// Handled at once, a message per 4096-byte block would keep this thread busy for the
// whole transfer; the rows still end on the final count.
TEST_F(TransferListTest, ProgressIsPacedAndEndsOnTheFinalCount) {
  const std::string body = Pattern(48 * 1024 * 1024 + 5);
  const int r = Offer(Source("big.bin", body));
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_TRUE(receiveList->Start(r, targetDir.Path()));
  const auto deadline = t0 + std::chrono::seconds(30);
  while ((sendList->WorkerCount() || receiveList->WorkerCount()) &&
         std::chrono::steady_clock::now() < deadline) {
    sendNotify->Drain();
    receiveNotify->Drain();
  }
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
          .count();
  ASSERT_EQ(receiveList->Item(r).State, TransferState::Done);
  for (FakeDialog* dialog : {sendDialog, receiveDialog}) {
    EXPECT_EQ(dialog->rows.at(0).Progress, "100%");
    EXPECT_LE(dialog->progressUpdates, ms / CFileThread::kProgressIntervalMs + 3) << ms << " ms";
    EXPECT_GE(dialog->progressUpdates, 1);
  }
  EXPECT_TRUE(ReadFile(targetDir.File("big.bin")) == body);
}

TEST_F(TransferListTest, ChangedSizeShowsCauseToReceiverAndReasonToSender) {
  const std::string path = Source("grow.txt", "short");
  const int r = Offer(path);
  WriteFile(path, "much longer now");
  ASSERT_TRUE(receiveList->Start(r, targetDir.Path()));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(receiveDialog->Status(r), text::kSenderInternalError);
  EXPECT_EQ(sendDialog->Status(0), text::kSizeChanged);
  EXPECT_EQ(sendList->Item(0).State, TransferState::Failed);
}

TEST_F(TransferListTest, CancelledEntryIsRefusedSilently) {
  const int r = Offer(Source("a.txt", "abc"));
  EXPECT_EQ(sendList->Cancel(0), 1);
  EXPECT_EQ(sendDialog->Status(0), text::kCancelled);
  ASSERT_TRUE(receiveList->Start(r, targetDir.Path()));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(receiveDialog->Status(r), text::kConnectionRefused);
  // The turned-away worker still names the entry, which shows why.
  EXPECT_EQ(sendDialog->Status(0), text::kInterrupted);
  EXPECT_EQ(sendList->Item(0).State, TransferState::Failed);
}

TEST_F(TransferListTest, ResentAfterFailureReachesTheSameEntry) {
  const int r = Offer(Source("a.txt", "abc"));
  sendList->Cancel(0);
  ASSERT_TRUE(receiveList->Start(r, targetDir.Path()));
  ASSERT_TRUE(Settled());
  ASSERT_EQ(receiveList->Item(r).State, TransferState::Failed);
  // Starting again from Failed offers the same ID; the receiver's entry waits again.
  ASSERT_TRUE(sendList->Start(0));
  const TransferItem& item = sendList->Item(0);
  receiveList->OnFileOffered(receiverRoom.session.get(), toSender, item.ID, item.FileName,
                             item.Size, static_cast<std::uint32_t>(item.Port));
  ASSERT_EQ(receiveList->Count(), 1);
  ASSERT_TRUE(receiveList->Start(r, targetDir.Path()));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(receiveList->Item(r).State, TransferState::Done);
  EXPECT_EQ(ReadFile(targetDir.File("a.txt")), "abc");
}

TEST_F(TransferListTest, OverlappingSendsOfOneFile) {
  // A second room holds the same peer, so one file goes out under two entries.
  LoopbackRoom otherRoom{"other"};
  otherRoom.session->Attach(sendList.get());
  const int peer = otherRoom.AddPeer("bob");
  const std::string path = Source("big.bin", "");
  ::truncate(path.c_str(), 16 << 20);
  sendList->OnSendFileRequest(senderRoom.session.get(), toReceiver, path);
  sendList->OnSendFileRequest(otherRoom.session.get(), peer, path);
  ASSERT_TRUE(sendList->Start(0));
  ASSERT_TRUE(sendList->Start(1));

  // The first receiver takes the header and then stops reading: its worker holds the file.
  const int first = RawConnect(port, 4096);
  ASSERT_GE(first, 0);
  SendText(first, "VSTP/1.0\r\nCommand: ReceiveFile\r\nID: " + sendList->Item(0).ID +
                      "\r\nRoom: room\r\n\r\n");
  ASSERT_TRUE(Pump([&] { return sendList->Item(0).State == TransferState::Transferring; }));

  std::string answer;
  const int second = Request(1, answer, "other");
  ASSERT_GE(second, 0);
  EXPECT_NE(answer.find("Response: Failure\r\nCause: " + std::string(text::kSenderInternalError)),
            std::string::npos);
  ASSERT_TRUE(Pump([&] { return sendList->Item(1).State == TransferState::Failed; }));
  EXPECT_EQ(sendDialog->Status(1), text::kCannotOpenFile);

  ::close(first);
  ::close(second);
  ASSERT_TRUE(Settled());
  EXPECT_EQ(sendDialog->Status(0), text::kSendError);
}

TEST_F(TransferListTest, CancelAbortsABlockedReceiveAtOnce) {
  const int baseline = TransferThread::LiveCount();
  RawListener silent;  // accepts and never answers
  receiveList->OnFileOffered(receiverRoom.session.get(), toSender, "00000001", "x.bin", 10,
                             silent.port);
  ASSERT_TRUE(receiveList->Start(0, targetDir.Path()));
  const int fd = silent.Accept();
  ASSERT_GE(fd, 0);
  EXPECT_EQ(receiveList->Cancel(0), 1);
  EXPECT_EQ(receiveList->WorkerCount(), 0u);
  // The worker has no time limit of its own and the peer keeps the connection: only
  // the abort can have ended it.
  EXPECT_TRUE(PumpUntil({}, [&] { return TransferThread::LiveCount() == baseline; }));
  EXPECT_EQ(receiveDialog->Status(0), text::kCancelled);
  // Messages the reaped worker posted find no worker and change nothing.
  receiveNotify->Drain();
  EXPECT_EQ(receiveDialog->Status(0), text::kCancelled);
  ::close(fd);
}

TEST_F(TransferListTest, NamesThatWouldLeaveTheFolderAreNotReceived) {
  const char* names[] = {"", ".", "..", "../evil", "a/b", "a\\b", "\\", "\x81"};
  for (const char* name : names)
    receiveList->OnFileOffered(receiverRoom.session.get(), toSender, std::string("id") + name, name,
                               1, port);
  receiveList->OnFileOffered(receiverRoom.session.get(), toSender, "long", std::string(256, 'n'), 1,
                             port);
  receiveList->StartAll(targetDir.Path());
  for (int i = 0; i < receiveList->Count(); ++i) {
    EXPECT_EQ(receiveDialog->Status(i), text::kReceiveFailed) << i;
    EXPECT_EQ(receiveList->Item(i).State, TransferState::Waiting) << i;
  }
  EXPECT_EQ(receiveList->WorkerCount(), 0u);
  EXPECT_TRUE(std::filesystem::is_empty(targetDir.Path()));
}

TEST(ReceivedName, TrailByteBackslashBelongsToItsCharacter) {
  EXPECT_TRUE(IsSafeReceivedName("\x83\x5C\x83\x74\x83\x67.txt"));  // ソフト.txt
  EXPECT_TRUE(IsSafeReceivedName("..txt"));
  EXPECT_TRUE(IsSafeReceivedName(std::string(255, 'n')));
  EXPECT_FALSE(IsSafeReceivedName("\x83\x5C\\x"));
  // 86 kana are 258 bytes on disk: longer than a name may be.
  std::string kana;
  for (int i = 0; i < 86; ++i) kana += "\x83\x41";
  EXPECT_FALSE(IsSafeReceivedName(kana));
}

TEST_F(TransferListTest, NameWithBackslashTrailByteIsReceived) {
  // ソ.txt: CP932 inside the program, UTF-8 on disk at both ends.
  WriteFile(sourceDir.File("\xE3\x82\xBD.txt"), "so");
  const int r = Offer(sourceDir.Path() + "/\x83\x5C.txt");
  ASSERT_EQ(receiveList->Item(r).FileName, "\x83\x5C.txt");
  ASSERT_TRUE(receiveList->Start(r, targetDir.Path()));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(receiveList->Item(r).State, TransferState::Done);
  EXPECT_EQ(ReadFile(targetDir.File("\xE3\x82\xBD.txt")), "so");
}

TEST_F(TransferListTest, OverwriteDeclinedMarksOnlyThoseRows) {
  WriteFile(targetDir.File("a.txt"), "keep");
  receiveList->OnFileOffered(receiverRoom.session.get(), toSender, "1", "a.txt", 1, port);
  receiveList->OnFileOffered(receiverRoom.session.get(), toSender, "2", "b.txt", 1, port);
  receiveDialog->answers = {MsgAnswer::No};
  receiveList->StartAll(targetDir.Path());
  // The question names its file on a line of its own.
  EXPECT_EQ(receiveDialog->asked,
            std::vector<std::string>{std::string("a.txt\n") + text::kAskOverwrite});
  EXPECT_EQ(receiveDialog->Status(0), text::kReceiveFailed);
  EXPECT_EQ(receiveList->Item(1).State, TransferState::Transferring);
  ASSERT_TRUE(Settled());
  EXPECT_EQ(ReadFile(targetDir.File("a.txt")), "keep");
}

TEST_F(TransferListTest, RepeatedOffersAndDistinctMembers) {
  const int second = receiverRoom.AddPeer("carol", inet_addr("127.0.0.2"));
  auto offer = [&](int member, const std::string& id) {
    receiveList->OnFileOffered(receiverRoom.session.get(), member, id, "f", 1, port);
  };
  offer(toSender, "1");
  offer(toSender, "1");  // waiting: ignored
  offer(second, "1");    // another member: its own entry
  offer(99, "1");        // no such member
  ASSERT_EQ(receiveList->Count(), 2);
  receiveList->Cancel(0);
  offer(toSender, "1");  // failed: waits again
  EXPECT_EQ(receiveList->Item(0).State, TransferState::Waiting);
  EXPECT_EQ(receiveDialog->Status(0), text::kAwaitingResponse);
}

TEST_F(TransferListTest, IdsCountUpAndDuplicateRequestsMakeEntries) {
  const std::string path = Source("a.txt", "abc");
  sendList->OnSendFileRequest(senderRoom.session.get(), toReceiver, path);
  sendList->OnSendFileRequest(senderRoom.session.get(), toReceiver, path);
  sendList->OnSendFileRequest(senderRoom.session.get(), toReceiver, sourceDir.File("missing"));
  sendList->OnSendFileRequest(senderRoom.session.get(), 42, path);
  ASSERT_EQ(sendList->Count(), 2);
  const std::string a = sendList->Item(0).ID, b = sendList->Item(1).ID;
  ASSERT_EQ(a.size(), 8u);
  EXPECT_EQ(a.substr(0, 4), b.substr(0, 4));
  EXPECT_EQ(std::stoul(b, nullptr, 16), std::stoul(a, nullptr, 16) + 1);
  EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_EQ(sendDialog->Status(0), text::kSendWaiting);
  EXPECT_EQ(sendList->Item(0).FileName, "a.txt");
  EXPECT_LT(RawConnect(port), 0);  // nothing listens before the first send
}

TEST_F(TransferListTest, FourGigabyteFileIsRefusedWhenChosen) {
  const std::string path = Source("huge.bin", "");
  ASSERT_EQ(::truncate(path.c_str(), 0x100000000LL), 0);
  sendList->OnSendFileRequest(senderRoom.session.get(), toReceiver, path);
  EXPECT_EQ(sendList->Count(), 0);
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_NE(ui.shown[0].find(text::kTooLargeToSend), std::string::npos);
}

TEST_F(TransferListTest, StartAllMarksRowsWhoseMemberLeft) {
  const std::string path = Source("a.txt", "abc");
  const int carol = senderRoom.AddPeer("carol", inet_addr("127.0.0.3"));
  sendList->OnSendFileRequest(senderRoom.session.get(), toReceiver, path);
  sendList->OnSendFileRequest(senderRoom.session.get(), carol, path);
  ASSERT_TRUE(sendList->Start(0));
  senderRoom.session->RemoveMember(carol, kRemovalLeft);
  EXPECT_EQ(sendDialog->Status(1), text::kLeft);
  sendList->StartAll();
  EXPECT_EQ(sendList->Item(0).State, TransferState::AwaitingResponse);  // untouched
  EXPECT_EQ(sendDialog->Status(0), text::kAwaitingResponse);
  EXPECT_EQ(sendDialog->Status(1), text::kSendFailed);
  EXPECT_EQ(sendList->Item(1).State, TransferState::Failed);
}

TEST_F(TransferListTest, MemberRemovalAndLeavingCancelOnlyTheirEntries) {
  LoopbackRoom otherRoom{"other"};
  otherRoom.session->Attach(receiveList.get());
  const int there = otherRoom.AddPeer("alice");
  receiveList->OnFileOffered(receiverRoom.session.get(), toSender, "1", "a", 1, port);
  receiveList->OnFileOffered(otherRoom.session.get(), there, "1", "a", 1, port);
  receiverRoom.session->RemoveMember(toSender, kRemovalDropped);
  EXPECT_EQ(receiveDialog->Status(0), text::kLeft);
  EXPECT_EQ(receiveList->Item(1).State, TransferState::Waiting);

  // Leaving aborts a running transfer of that room.
  RawListener silent;
  receiveList->OnFileOffered(otherRoom.session.get(), there, "2", "b", 5, silent.port);
  ASSERT_TRUE(receiveList->Start(2, targetDir.Path()));
  const int fd = silent.Accept();
  receiveList->OnLeaving(otherRoom.session.get());
  EXPECT_EQ(receiveList->Item(1).State, TransferState::Failed);
  EXPECT_EQ(receiveDialog->Status(2), text::kLeft);
  EXPECT_EQ(receiveList->WorkerCount(), 0u);
  EXPECT_EQ(receiveList->Session(), nullptr);
  ::close(fd);
}

TEST_F(TransferListTest, CancelDoneChangesNothingAndCloseAsksFirst) {
  const int r = Offer(Source("a.txt", "abc"));
  ASSERT_TRUE(receiveList->Start(r, targetDir.Path()));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(receiveList->Cancel(r), 0);
  EXPECT_EQ(receiveDialog->Status(r), text::kDone);
  EXPECT_EQ(receiveList->Cancel(5), 0);

  // All done: the dialog closes without asking.
  bool closed = false;
  receiveDialog->destroyed = &closed;
  EXPECT_TRUE(receiveList->RequestClose());
  EXPECT_TRUE(closed);
  EXPECT_EQ(receiveList->Count(), 0);

  // Something waiting: asked, and Cancel keeps everything.
  sendList->OnSendFileRequest(senderRoom.session.get(), toReceiver, Source("b.txt", "b"));
  sendDialog->answers = {MsgAnswer::Cancel};
  EXPECT_FALSE(sendList->RequestClose());
  EXPECT_EQ(sendDialog->asked.back(), text::kAskStopAll);
  EXPECT_EQ(sendList->Count(), 2);
  EXPECT_TRUE(sendList->RequestClose());
  EXPECT_EQ(sendList->Count(), 0);
  EXPECT_EQ(sendList->CurrentDialog(), nullptr);
}

TEST_F(TransferListTest, WorkerAskingAfterTheListStoppedStillEnds) {
  const int baseline = TransferThread::LiveCount();
  sendList->OnSendFileRequest(senderRoom.session.get(), toReceiver, Source("a.txt", "abc"));
  ASSERT_TRUE(sendList->Start(0));
  const int fd = RawConnect(port);
  ASSERT_GE(fd, 0);
  // Accept the connection only; the worker's request for its entry is never answered.
  ASSERT_TRUE(PumpUntil({}, [&] { return sendNotify->Pending() > 0; }));
  sendNotify->Drain();
  ASSERT_EQ(sendList->WorkerCount(), 1u);
  SendText(fd, "VSTP/1.0\r\nCommand: ReceiveFile\r\nID: " + sendList->Item(0).ID +
                   "\r\nRoom: room\r\n\r\n");
  ASSERT_TRUE(PumpUntil({}, [&] { return sendNotify->Pending() > 0; }));  // its request
  senderRoom.session.reset();
  sendList.reset();  // stops all without delivering the request
  ASSERT_TRUE(PumpUntil({}, [&] { return TransferThread::LiveCount() <= baseline; }));
  char c;
  EXPECT_EQ(::recv(fd, &c, 1, 0), 0);  // closed without an answer
  ::close(fd);
}

// The receiver gives up while the sender's window is full: the sender must learn of
// it, not wait on a window that never opens again.
TEST_F(TransferListTest, ReceiverCancellingMidwayFailsTheSender) {
  const std::string path = Source("big.bin", "");
  ASSERT_EQ(::truncate(path.c_str(), 64 << 20), 0);
  for (int round = 0; round < 5; ++round) {
    const int r = Offer(path);
    ASSERT_TRUE(receiveList->Start(r, targetDir.Path()));
    ASSERT_TRUE(Pump([&] { return receiveList->Item(r).BytesDone > 0; }));
    EXPECT_EQ(receiveList->Cancel(r), 1);
    EXPECT_EQ(receiveDialog->Status(r).rfind(text::kCancelled, 0), 0u);  // then where the part is
    const int s = sendList->Count() - 1;
    ASSERT_TRUE(Pump([&] { return sendList->WorkerCount() == 0; }, 5000))
        << "round " << round << ": the sender still shows " << sendDialog->Status(s);
    EXPECT_EQ(sendList->Item(s).State, TransferState::Failed);
    EXPECT_EQ(sendDialog->Status(s), text::kSendError);
    ASSERT_EQ(receiveList->WorkerCount(), 0u);
  }
}

namespace {
// This process's end of the loopback connection whose other end is fd; -1 if none.
int OtherEnd(int fd) {
  sockaddr_in self{}, peer{};
  socklen_t length = sizeof self;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&self), &length) != 0) return -1;
  length = sizeof peer;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) return -1;
  int found = -1;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    const int other = std::atoi(entry.path().filename().c_str());
    sockaddr_in local{}, remote{};
    socklen_t n = sizeof local, m = sizeof remote;
    if (other != fd && ::getsockname(other, reinterpret_cast<sockaddr*>(&local), &n) == 0 &&
        ::getpeername(other, reinterpret_cast<sockaddr*>(&remote), &m) == 0 &&
        local.sin_family == AF_INET && local.sin_port == peer.sin_port &&
        remote.sin_port == self.sin_port && remote.sin_addr.s_addr == self.sin_addr.s_addr)
      found = other;
  }
  return found;
}
}  // namespace

// A receiver that pauses while its sender waits is waited for; one that stops for good
// fails its sender. The pause is timed by the stall limit itself: it lasts until a
// second sender, with a short limit, has failed on a receiver that never reads, so it
// is longer than that limit. The first sender has the real limit (a minute): no delay
// in running the test can make its pause a stall.
TEST_F(TransferListTest, PauseIsWaitedOutButAReaderThatStopsFailsItsSender) {
  const std::size_t size = 16 << 20;  // far more than the socket buffers hold
  const std::string path = Source("big.bin", "");
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(size)), 0);
  sendList->OnSendFileRequest(senderRoom.session.get(), toReceiver, path);
  ASSERT_TRUE(sendList->Start(0));
  std::string answer;
  const int pausing = Request(0, answer);
  ASSERT_GE(pausing, 0);
  ASSERT_NE(answer.find("Response: Success"), std::string::npos);
  const int sending = OtherEnd(pausing);
  ASSERT_GE(sending, 0);
  ASSERT_TRUE(Pump([&] {  // the sender now has to wait
    pollfd p{sending, POLLOUT, 0};
    return ::poll(&p, 1, 0) == 0;
  }));

  auto shortNotify = std::make_shared<QueueNotifyTarget>();
  SendFileList::Config config;
  config.Port = FreeTcpPort();
  config.ListenAddress = kLoopback;
  config.StallTimeoutMs = 200;
  SendFileList shortList(shortNotify, &ui, config);
  FakeDialog* shortDialog = nullptr;
  shortList.SetDialogFactory([&](FileTransferList&) {
    auto dialog = std::make_unique<FakeDialog>();
    shortDialog = dialog.get();
    return dialog;
  });
  // Another file: the one being sent is not shared.
  const std::string other = Source("other.bin", "");
  ASSERT_EQ(::truncate(other.c_str(), static_cast<off_t>(size)), 0);
  shortList.OnSendFileRequest(senderRoom.session.get(), toReceiver, other);
  ASSERT_TRUE(shortList.Start(0));
  answer.clear();
  const int stopped = Request(shortList, config.Port, *shortNotify, 0, answer);
  ASSERT_GE(stopped, 0);
  ASSERT_NE(answer.find("Response: Success"), std::string::npos);
  ASSERT_TRUE(PumpUntil({shortNotify.get(), sendNotify.get()},
                        [&] { return shortList.WorkerCount() == 0; }));
  EXPECT_EQ(shortList.Item(0).State, TransferState::Failed);
  EXPECT_EQ(shortDialog->Status(0), text::kSendError);
  ::close(stopped);

  std::vector<char> buffer(1 << 16);
  std::size_t got = 0;
  for (long n; got < size && (n = ::recv(pausing, buffer.data(), buffer.size(), 0)) > 0;)
    got += static_cast<std::size_t>(n);
  EXPECT_EQ(got, size);
  ASSERT_TRUE(Settled());
  EXPECT_EQ(sendList->Item(0).State, TransferState::Done);
  ::close(pausing);
}

// The file grows after its size was checked: exactly the announced bytes go out, the
// connection closes, and the row ends at 100% and "完了".
TEST_F(TransferListTest, GrownFileSendsExactlyTheAnnouncedSize) {
  const std::size_t size = 16 << 20;  // far more than the socket buffers hold
  const std::string path = Source("grow.bin", "");
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(size)), 0);
  sendList->OnSendFileRequest(senderRoom.session.get(), toReceiver, path);
  ASSERT_TRUE(sendList->Start(0));
  std::string answer;
  const int fd = Request(0, answer);
  ASSERT_GE(fd, 0);
  ASSERT_NE(answer.find("Response: Success"), std::string::npos);
  std::ofstream(path, std::ios::binary | std::ios::app) << std::string(100000, 'x');
  std::vector<char> buffer(1 << 16);
  std::size_t got = 0;
  for (long n; (n = ::recv(fd, buffer.data(), buffer.size(), 0)) > 0;)
    got += static_cast<std::size_t>(n);
  EXPECT_EQ(got, size);
  ::close(fd);
  ASSERT_TRUE(Settled());
  EXPECT_EQ(sendList->Item(0).State, TransferState::Done);
  EXPECT_EQ(sendList->Item(0).BytesDone, size);
  EXPECT_EQ(sendDialog->Status(0), text::kDone);
  EXPECT_EQ(sendDialog->rows[0].Progress, "100%");
}

TEST_F(TransferListTest, EmptyFileIsDoneAndWholeOnBothSides) {
  const int r = Offer(Source("empty.txt", ""));
  ASSERT_TRUE(receiveList->Start(r, targetDir.Path()));
  ASSERT_TRUE(Settled());
  for (FakeDialog* dialog : {sendDialog, receiveDialog}) {
    EXPECT_EQ(dialog->Status(0), text::kDone);
    EXPECT_EQ(dialog->rows[0].Progress, "100%");
  }
  EXPECT_TRUE(std::filesystem::exists(targetDir.File("empty.txt")));
  EXPECT_EQ(std::filesystem::file_size(targetDir.File("empty.txt")), 0u);
}

// A sender that sends more than it announced: the receiver takes its bytes and is done.
TEST_F(TransferListTest, SenderSendingMoreIsNoErrorForTheReceiver) {
  RawListener sender;
  const std::string body = Pattern(10000);
  receiveList->OnFileOffered(receiverRoom.session.get(), toSender, "00000001", "more.bin",
                             static_cast<std::uint32_t>(body.size()), sender.port);
  ASSERT_TRUE(receiveList->Start(0, targetDir.Path()));
  const int fd = sender.Accept();
  ASSERT_GE(fd, 0);
  ASSERT_FALSE(ReadHeader(fd).empty());
  SendText(fd, "VSTP/1.0\r\nCommand: SendFile\r\nResponse: Success\r\n\r\n" + body +
                   std::string(50000, 'z'));
  ASSERT_TRUE(Settled());
  ::close(fd);
  EXPECT_EQ(receiveDialog->Status(0), text::kDone);
  EXPECT_EQ(receiveDialog->rows[0].Progress, "100%");
  EXPECT_EQ(ReadFile(targetDir.File("more.bin")), body);
}

TEST_F(TransferListTest, NoThreadFailsTheStartAndTheProgramGoesOn) {
  const int r = Offer(Source("a.txt", "abc"));  // the listener runs
  {
    outOfThreads = true;
    receiveList->StartRows({r}, targetDir.Path());
    EXPECT_EQ(receiveDialog->Status(r), text::kReceiveFailed);
    EXPECT_EQ(receiveList->Item(r).State, TransferState::Waiting);
    EXPECT_EQ(receiveList->WorkerCount(), 0u);

    // An accepted connection without a worker is closed at once.
    const int fd = RawConnect(port);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(PumpUntil({}, [&] { return sendNotify->Pending() > 0; }));
    sendNotify->Drain();
    char c;
    EXPECT_LE(::recv(fd, &c, 1, 0), 0);
    ::close(fd);
    EXPECT_EQ(sendList->WorkerCount(), 0u);
    EXPECT_EQ(gate->Waiting(), 0);

    // A first send that cannot make its listener says so in its row.
    const std::uint16_t otherPort = FreeTcpPort();
    SendFileList::Config otherConfig{otherPort, kLoopback};
    otherConfig.Spawner = ThreadMaker();
    SendFileList other(std::make_shared<QueueNotifyTarget>(), &ui, otherConfig);
    other.OnSendFileRequest(senderRoom.session.get(), toReceiver, Source("b.txt", "b"));
    EXPECT_FALSE(other.Start(0));
    EXPECT_LT(RawConnect(otherPort), 0);  // its listening socket went with it
  }
  outOfThreads = false;
  // Threads are back: the same entry goes through.
  ASSERT_TRUE(receiveList->Start(r, targetDir.Path()));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(receiveDialog->Status(r), text::kDone);
}

TEST_F(TransferListTest, QueuedConnectionsAreClosedWithTheList) {
  sendList->OnSendFileRequest(senderRoom.session.get(), toReceiver, Source("a.txt", "abc"));
  ASSERT_TRUE(sendList->Start(0));
  std::vector<int> peers;
  for (int i = 0; i < 3; ++i) peers.push_back(RawConnect(port));
  ASSERT_TRUE(PumpUntil({}, [&] { return sendNotify->Pending() == 3; }));
  senderRoom.session.reset();
  sendList.reset();  // as on "再接続" or exit: the accepts are never handled
  for (int fd : peers) {
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    char c;
    EXPECT_LE(::recv(fd, &c, 1, 0), 0);
    ::close(fd);
  }
}

// Offers reach the receive list either through calls or as datagrams on a loopback chat
// socket, through a joined room session's receive path, from forged 127.0.x.y sources.
class OfferBoundsTest : public TransferListTest,
                        public ChatReceiver,
                        public ::testing::WithParamInterface<bool> {
 protected:
  PollLoop loop;
  ChatSocket chat{this, FreeUdpPort()};
  std::unique_ptr<RoomSession> room;

  void SetUp() override {
    TransferListTest::SetUp();
    ASSERT_TRUE(chat.Create(&loop, kLoopback));
    ConnectSetting setting{"127.0.0.1", "255.0.0.0", "me", "", "room", false, ""};
    room = std::make_unique<RoomSession>(setting, &chat, nullptr);
    room->SetLocalAddress(kLoopback);  // its own join datagram comes back and is dropped
    room->Attach(receiveList.get());
    ASSERT_TRUE(room->Join());
    loop.RunUntilQuiet(20);
  }
  void TearDown() override {
    room.reset();
    TransferListTest::TearDown();
  }
  void Receive(const FieldMap& fields, Ipv4 sender) override {
    if (room) room->Receive(fields, sender);
  }

  static Ipv4 Address(int n) {
    return inet_addr(
        ("127.0." + std::to_string(n / 250 + 1) + "." + std::to_string(n % 250 + 1)).c_str());
  }
  void Packet(Ipv4 from, FieldMap fields) {
    fields["Room"] = "room";
    fields["Name"] = "m";
    if (!GetParam()) {
      const int member = room->FindMember(from);
      if (fields["Command"] == "Join") room->AddMember("m", from);
      if (fields["Command"] == "Part" && member >= 0) room->RemoveMember(member, 0);
      if (fields["Command"] == "File" && member >= 0)
        receiveList->OnFileOffered(room.get(), member, fields["ID"], fields["FileName"],
                                   static_cast<std::uint32_t>(std::stoul(fields["FileSize"])),
                                   port);
      return;
    }
    std::string datagram;
    ASSERT_TRUE(HeaderBlock::Build(fields, datagram));
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = from;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
    at.sin_addr.s_addr = kLoopback;
    at.sin_port = htons(chat.Port());
    ASSERT_EQ(::sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&at),
                       sizeof at),
              static_cast<long>(datagram.size()));
    ::close(fd);
    ASSERT_EQ(loop.RunOnce(5000), 1);
  }
  void Join(Ipv4 from) { Packet(from, {{"Command", "Join"}}); }
  void Part(Ipv4 from) { Packet(from, {{"Command", "Part"}}); }
  void Offer(Ipv4 from, const std::string& id, const std::string& name = "f") {
    Packet(from, {{"Command", "File"},
                  {"ID", id},
                  {"FileName", name},
                  {"FileSize", "1"},
                  {"Port", std::to_string(port)}});
  }
  int Waiting(Ipv4 from) const {
    int n = 0;
    for (int i = 0; i < receiveList->Count(); ++i)
      n += receiveList->Item(i).MemberAddress == from &&
           receiveList->Item(i).State == TransferState::Waiting;
    return n;
  }
  int Row(Ipv4 from, const std::string& id) const {
    return receiveList->FindEntry(from, id, "room");
  }
};

INSTANTIATE_TEST_SUITE_P(CallsAndDatagrams, OfferBoundsTest, ::testing::Bool());

TEST_P(OfferBoundsTest, OffersDuringTheOverwriteQuestionNeverDropTheEntryBeingStarted) {
  const Ipv4 peer = Address(1);
  Join(peer);
  WriteFile(targetDir.File("a.txt"), "old");
  Offer(peer, "a", "a.txt");
  Offer(peer, "b", "b.txt");
  Offer(peer, "c", "c.txt");
  // An ordinary multi-file send arrives while the user reads the question.
  receiveDialog->duringQuestion = [&] {
    for (int n = 0; n < ReceiveFileList::kMaxWaitingPerMember; ++n)
      Offer(peer, "late" + std::to_string(n));
  };
  receiveList->StartAll(targetDir.Path());
  const int a = Row(peer, "a");
  ASSERT_GE(a, 0);
  EXPECT_EQ(receiveList->Item(a).State, TransferState::Transferring);
  EXPECT_EQ(receiveList->Item(a).LocalPath, targetDir.File("a.txt"));
  // b and c gave way; what came during the question was not started, nor marked.
  EXPECT_LT(Row(peer, "b"), 0);
  EXPECT_LT(Row(peer, "c"), 0);
  for (int i = 0; i < receiveList->Count(); ++i) {
    if (i == a) continue;
    EXPECT_EQ(receiveList->Item(i).State, TransferState::Waiting) << i;
    EXPECT_EQ(receiveDialog->Status(i), text::kAwaitingResponse) << i;
  }
  // The entry being started counted against the bound while the question was open.
  EXPECT_EQ(Waiting(peer), ReceiveFileList::kMaxWaitingPerMember - 1);
  EXPECT_EQ(receiveDialog->rows.size(), static_cast<std::size_t>(receiveList->Count()));

  // "受信" of several rows: the second row's entry leaves during the first row's question.
  WriteFile(targetDir.File("x.txt"), "old");
  const Ipv4 other = Address(2);
  Join(other);
  Offer(other, "x", "x.txt");
  Offer(other, "y", "y.txt");
  Offer(other, "z", "z.txt");
  receiveDialog->duringQuestion = [&] {
    receiveList->Remove(Row(other, "y"));
    Offer(other, "w", "w.txt");
  };
  receiveList->StartRows({Row(other, "x"), Row(other, "y"), Row(other, "z")}, targetDir.Path());
  EXPECT_EQ(receiveList->Item(Row(other, "x")).State, TransferState::Transferring);
  EXPECT_EQ(receiveList->Item(Row(other, "z")).State, TransferState::Transferring);
  EXPECT_EQ(receiveList->Item(Row(other, "w")).State, TransferState::Waiting);
  EXPECT_EQ(receiveDialog->Status(Row(other, "w")), text::kAwaitingResponse);
  ASSERT_TRUE(Settled());
}

TEST_P(OfferBoundsTest, TheWholeListIsBoundedWhateverTheRowsState) {
  // Join, a full bound of offers, part: the rows fail, and failed rows give way first.
  for (int loopNo = 0; loopNo < 20; ++loopNo) {
    const Ipv4 peer = Address(10 + loopNo);
    Join(peer);
    for (int n = 0; n < ReceiveFileList::kMaxWaitingPerMember; ++n) Offer(peer, std::to_string(n));
    Part(peer);
    ASSERT_LE(receiveList->Count(), ReceiveFileList::kMaxEntries);
  }
  EXPECT_EQ(receiveList->Count(), ReceiveFileList::kMaxEntries);
  EXPECT_LT(Row(Address(10), "0"), 0);   // the oldest went
  EXPECT_GE(Row(Address(29), "15"), 0);  // the newest stays
  EXPECT_EQ(receiveDialog->rows.size(), static_cast<std::size_t>(receiveList->Count()));

  // Re-offers of failed entries count against the member's bound.
  const Ipv4 peer = Address(2);
  Join(peer);
  for (int n = 0; n < 2 * ReceiveFileList::kMaxWaitingPerMember; ++n)
    Offer(peer, std::to_string(n));
  for (int i = 0; i < receiveList->Count(); ++i)
    if (receiveList->Item(i).MemberAddress == peer) receiveList->Cancel(i);
  for (int round = 0; round < 4; ++round)
    for (int n = 0; n < 2 * ReceiveFileList::kMaxWaitingPerMember; ++n)
      Offer(peer, std::to_string(n));
  EXPECT_EQ(Waiting(peer), ReceiveFileList::kMaxWaitingPerMember);
  EXPECT_LE(receiveList->Count(), ReceiveFileList::kMaxEntries);
}

TEST_P(OfferBoundsTest, AFullRoomKeepsItsMembersOffersAgainstNewcomers) {
  const Ipv4 genuine = Address(1);
  Join(genuine);
  Offer(genuine, "real", "report.xls");
  for (int n = 0; n < ReceiveFileList::kMaxWaitingPerMember - 1; ++n)
    Offer(genuine, std::to_string(n));
  // Many forged sources, one offer each, fill the room and go on.
  const int forged = ReceiveFileList::kMaxWaitingPerRoom - ReceiveFileList::kMaxWaitingPerMember;
  for (int n = 2; n < 2 + forged + 8; ++n) {
    Join(Address(n));
    Offer(Address(n), "x");
  }
  EXPECT_EQ(receiveList->Count(), ReceiveFileList::kMaxWaitingPerRoom);
  EXPECT_EQ(Row(genuine, "real"), 0);
  EXPECT_GE(Row(Address(1 + forged), "x"), 0);
  EXPECT_LT(Row(Address(2 + forged), "x"), 0);  // not listed
  // A member over its own bound gives way with its own oldest, in a full room too.
  Offer(genuine, "more");
  EXPECT_LT(Row(genuine, "real"), 0);
  EXPECT_GE(Row(genuine, "more"), 0);
  EXPECT_EQ(Waiting(genuine), ReceiveFileList::kMaxWaitingPerMember);
  EXPECT_GE(Row(Address(2), "x"), 0);
  EXPECT_EQ(receiveList->Count(), ReceiveFileList::kMaxWaitingPerRoom);
}

TEST_F(TransferListTest, DoneAndRunningRowsAreNotStartedAgain) {
  const int done = Offer(Source("a.txt", "aaa"));
  receiveList->StartRows({done}, targetDir.Path());
  ASSERT_TRUE(Pump([&] { return receiveList->Item(done).State == TransferState::Done; }));
  RawListener silent;  // takes the connection and never answers: the row stays running
  receiveList->OnFileOffered(receiverRoom.session.get(), toSender, "run", "run.bin", 10,
                             silent.port);
  const int running = receiveList->Count() - 1;
  receiveList->StartRows({running}, targetDir.Path());
  ASSERT_EQ(receiveList->Item(running).State, TransferState::Transferring);
  receiveList->StartRows({done, running}, targetDir.Path());
  receiveList->StartAll(targetDir.Path());
  EXPECT_EQ(receiveDialog->Status(done), text::kDone);
  EXPECT_EQ(receiveDialog->rows[static_cast<std::size_t>(done)].Image, 2);
  EXPECT_EQ(receiveDialog->Status(running), text::kReceiving);
  EXPECT_TRUE(receiveDialog->asked.empty());
  receiveList->Cancel(running);
  ASSERT_TRUE(Settled());
}

TEST(TransferSizes, ReadableWithTheExactCountBeside) {
  EXPECT_EQ(FileTransferList::ReadableSize(0), "0 B");
  EXPECT_EQ(FileTransferList::ReadableSize(1023), "1023 B");
  EXPECT_EQ(FileTransferList::ReadableSize(1024), "1.0 KB");
  EXPECT_EQ(FileTransferList::ReadableSize(30000000), "28.6 MB");
  EXPECT_EQ(FileTransferList::ReadableSize(1048575), "1.0 MB");  // never "1024.0 KB"
  EXPECT_EQ(FileTransferList::ReadableSize(0xFFFFFFFFu), "4.0 GB");
  EXPECT_EQ(FileTransferList::ExactSize(30000000), std::string("30,000,000 ") + text::kBytes);
  EXPECT_EQ(FileTransferList::ExactSize(999), std::string("999 ") + text::kBytes);
}
