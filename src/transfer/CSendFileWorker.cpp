#include "CSendFileWorker.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

#include "CFileTransException.h"
#include "HeaderStreamReader.h"
#include "TransferFile.h"
#include "TransferTexts.h"

namespace vostrelle {

namespace text = transfer_text;

CSendFileWorker::CSendFileWorker(std::shared_ptr<NotifyTarget> notify, int acceptedSocket,
                                 Limits limits, std::shared_ptr<RequestGate> gate)
    : accepted_(acceptedSocket), limits_(limits), gate_(std::move(gate)), slot_(acceptedSocket) {
  notify_ = std::move(notify);
}

CSendFileWorker::~CSendFileWorker() {
  ReleaseSlot();
  if (accepted_ >= 0) ::close(accepted_);
}

void CSendFileWorker::ReleaseSlot() {
  if (gate_ && slot_ >= 0) gate_->Release(slot_);
  slot_ = -1;
}

CFileThread::Identity CSendFileWorker::GetIdentity() const {
  std::lock_guard<std::mutex> lock(lock_);
  return Identity{peer_, requestId_, requestRoom_};
}

void CSendFileWorker::GiveItem(const TransferItem& item) {
  std::lock_guard<std::mutex> lock(lock_);
  item_ = std::make_unique<TransferItem>(item);
}

void CSendFileWorker::Signal() {
  std::lock_guard<std::mutex> lock(lock_);
  signalled_ = true;
  event_.notify_all();
}

void CSendFileWorker::OnAbortLocked() {
  signalled_ = true;
  event_.notify_all();
}

void CSendFileWorker::OnCloseLocked() {
  signalled_ = true;
  event_.notify_all();
}

bool CSendFileWorker::TakeOver() {
  std::lock_guard<std::mutex> lock(lock_);
  const int fd = accepted_;
  accepted_ = -1;
  // An abort that came before the worker ran must not leave it blocked on a
  // connection nobody will shut down again.
  if (closed_ || aborted_ || fd < 0) {
    ReleaseSlot();
    if (fd >= 0) ::close(fd);
    return false;
  }
  socket_ = fd;
  // The body goes out in large pieces; the last segment of a piece is not held back
  // waiting for the acknowledgement of the earlier ones.
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  if (limits_.StallTimeoutMs > 0) {
    // A send that makes no progress for this long fails (EAGAIN).
    const timeval limit{limits_.StallTimeoutMs / 1000, (limits_.StallTimeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  }
  return true;
}

void CSendFileWorker::ReadRequest(FieldMap& request) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(limits_.RequestTimeoutMs);
  HeaderStreamReader reader;
  char buffer[kMaxRequestBytes];
  std::size_t taken = 0;
  for (bool complete = false; !complete;) {
    // What a shut-down connection still holds would keep the loop going.
    if (Aborted()) throw CFileTransException(text::kIncompleteHeader);
    int waitMs = -1;
    if (limits_.RequestTimeoutMs > 0) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) throw CFileTransException(text::kIncompleteHeader);
      waitMs = static_cast<int>(left);
    }
    pollfd ready{socket_, POLLIN, 0};
    const int polled = ::poll(&ready, 1, waitMs);
    if (polled < 0) {
      if (errno == EINTR) continue;
      throw CFileTransException(text::kHeaderReceiveError);
    }
    if (polled == 0) continue;  // the deadline check above ends it
    // Look first, then take exactly the bytes that belong to the request: nothing after
    // it is taken off the connection, and no more than the limit is ever held.
    long n;
    do {
      n = ::recv(socket_, buffer, kMaxRequestBytes - taken, MSG_PEEK);
    } while (n < 0 && errno == EINTR);
    if (n < 0) throw CFileTransException(text::kHeaderReceiveError);
    if (n == 0) throw CFileTransException(text::kIncompleteHeader);
    std::size_t consumed = 0;
    if (reader.Read(request, buffer, static_cast<std::size_t>(n), consumed, complete) !=
        HeaderStreamReader::kOk)
      throw CFileTransException(text::kBadPacket);
    for (std::size_t left = consumed; left > 0;) {
      const long got = ReceiveSome(socket_, buffer, left);
      if (got <= 0) throw CFileTransException(text::kHeaderReceiveError);
      left -= static_cast<std::size_t>(got);
    }
    taken += consumed;
    if (!complete && taken >= kMaxRequestBytes) throw CFileTransException(text::kBadPacket);
  }
}

bool CSendFileWorker::WaitForEntry() {
  std::unique_lock<std::mutex> lock(lock_);
  // Aborted counts as closed here: the abort's signal would otherwise be reset below
  // and nothing would ever end the wait.
  if (closed_ || aborted_) return false;
  signalled_ = false;
  if (notify_) notify_->Post(kSendNeedEntry, Id());
  event_.wait(lock, [this] { return signalled_ || aborted_ || closed_; });
  signalled_ = false;
  return item_ != nullptr && !aborted_;
}

void CSendFileWorker::SendBody(TransferFile& file, std::uint32_t size) {
  // Straight from the file to the connection in large pieces: the receiver sees the
  // same byte stream as from block-sized sends, at a fraction of the cost. Exactly the
  // announced size goes out, however the file has grown since it was checked.
  // sendfile has no MSG_NOSIGNAL: a receiver that has gone must give EPIPE here, not
  // end the program. The signal is blocked for this thread alone and any that was
  // raised is taken back before the thread ends.
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
  struct PipeDrain {
    sigset_t* set;
    ~PipeDrain() {
      const timespec now{0, 0};
      while (sigtimedwait(set, nullptr, &now) == SIGPIPE) {
      }
    }
  } drain{&pipe};
  std::uint32_t left = size;
  off_t offset = 0;
  bool copying = false;  // where the file system cannot hand its pages over
  std::vector<char> buffer;
  while (left > 0) {
    if (Aborted()) throw CFileTransException(text::kSendError);
    const std::size_t piece = std::min<std::size_t>(left, kSendPiece);
    long n;
    if (!copying) {
      n = ::sendfile(socket_, file.Fd(), &offset, piece);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EINVAL || errno == ENOSYS) && offset == 0) {
        copying = true;
        buffer.resize(kFileChunk);
        continue;
      }
      // A stall (EAGAIN after the send time limit), a receiver gone or a read error.
      if (n < 0) throw CFileTransException(text::kSendError);
    } else {
      n = ::pread(file.Fd(), buffer.data(), std::min(piece, buffer.size()), offset);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw CFileTransException(text::kSendError);
      if (n > 0 && !SendAll(socket_, buffer.data(), static_cast<std::size_t>(n)))
        throw CFileTransException(text::kSendError);
      offset += n;
    }
    // The file became shorter than announced: the receiver would wait for bytes that
    // never come, so this is no success.
    if (n == 0) throw CFileTransException(text::kSizeChanged);
    left -= static_cast<std::uint32_t>(n);
    AddBytes(static_cast<std::uint32_t>(n));
    PostProgress(kSendProgress);
  }
}

void CSendFileWorker::Exchange() {
  if (!TakeOver()) throw CFileTransException(text::kAcceptFailed);

  sockaddr_in peer{};
  socklen_t peerLength = sizeof peer;
  if (::getpeername(socket_, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0) {
    std::lock_guard<std::mutex> lock(lock_);
    peer_ = peer.sin_addr.s_addr;
  }

  FieldMap request;
  ReadRequest(request);
  const auto command = request.find("Command");
  if (command == request.end()) throw CFileTransException(text::kBadPacket);
  if (command->second != "ReceiveFile") throw CFileTransException(text::kUnknownPacket);
  const auto id = request.find("ID");
  const auto room = request.find("Room");
  if (id == request.end() || room == request.end()) throw CFileTransException(text::kBadPacket);
  {
    std::lock_guard<std::mutex> lock(lock_);
    requestId_ = id->second;
    requestRoom_ = room->second;
  }

  if (!WaitForEntry()) throw CFileTransException(text::kInterrupted);
  // Only now is this a receiver: a request that names no entry keeps its place to the
  // end, so requests sent quickly cannot make threads without bound.
  ReleaseSlot();
  TransferItem item;
  {
    std::lock_guard<std::mutex> lock(lock_);
    item = *item_;
  }

  FieldMap response;
  response["Command"] = "SendFile";
  TransferFile file;
  const std::string* failure = nullptr;
  if (!file.OpenForReading(item.LocalPath))
    failure = &text::kCannotOpenFile;
  else if (file.Size() != static_cast<std::int64_t>(item.Size))
    failure = &text::kSizeChanged;
  std::string block;
  if (failure) {
    response["Response"] = "Failure";
    response["Cause"] = text::kSenderInternalError;
    HeaderBlock::Build(response, block);
    SendAll(socket_, block.data(), block.size());
    throw CFileTransException(*failure);
  }
  response["Response"] = "Success";
  HeaderBlock::Build(response, block);
  SendAll(socket_, block.data(), block.size());

  SendBody(file, item.Size);
  file.Close();
  FlushProgress(kSendProgress);
  PostNotify(kSendDone);
}

void CSendFileWorker::Run() {
  try {
    Exchange();
  } catch (const CFileTransException& e) {
    errorText_ = e.Message();
    PostNotify(kSendFailed);
  }
  ReleaseSlot();
  Close();
  PostNotify(kSendEnded);
}

}  // namespace vostrelle
