#include "CSendFileWorker.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "CFileTransException.h"
#include "HeaderStreamReader.h"
#include "TransferFile.h"
#include "TransferTexts.h"

namespace vostrelle {

namespace text = transfer_text;

CSendFileWorker::CSendFileWorker(std::shared_ptr<NotifyTarget> notify, int acceptedSocket,
                                 int stallTimeoutMs)
    : accepted_(acceptedSocket), stallTimeoutMs_(stallTimeoutMs) {
  notify_ = std::move(notify);
}

CSendFileWorker::~CSendFileWorker() {
  if (accepted_ >= 0) ::close(accepted_);
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
    if (fd >= 0) ::close(fd);
    return false;
  }
  socket_ = fd;
  // The body goes out in 4096-byte blocks. Where a block is several segments (1448
  // bytes on an Ethernet link), each block ends in a short one, and holding that back
  // until the earlier ones are acknowledged slows the stream to a fraction of the
  // link. Where a block fits in a segment (loopback), holding back lets blocks merge.
  int segment = 0;
  socklen_t segmentLength = sizeof segment;
  if (::getsockopt(fd, IPPROTO_TCP, TCP_MAXSEG, &segment, &segmentLength) == 0 && segment > 0 &&
      static_cast<std::size_t>(segment) < kTransferBlock) {
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  }
  if (stallTimeoutMs_ > 0) {
    // A send that makes no progress for this long fails (EAGAIN).
    const timeval limit{stallTimeoutMs_ / 1000, (stallTimeoutMs_ % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  }
  return true;
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

void CSendFileWorker::Exchange() {
  if (!TakeOver()) throw CFileTransException(text::kAcceptFailed);

  sockaddr_in peer{};
  socklen_t peerLength = sizeof peer;
  if (::getpeername(socket_, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0) {
    std::lock_guard<std::mutex> lock(lock_);
    peer_ = peer.sin_addr.s_addr;
  }

  // One byte per receive: nothing after the request is taken off the connection.
  HeaderStreamReader reader;
  FieldMap request;
  for (bool complete = false; !complete;) {
    char byte;
    const long n = ReceiveSome(socket_, &byte, 1);
    if (n < 0) throw CFileTransException(text::kHeaderReceiveError);
    if (n == 0) throw CFileTransException(text::kIncompleteHeader);
    std::size_t consumed;
    if (reader.Read(request, &byte, 1, consumed, complete) != HeaderStreamReader::kOk)
      throw CFileTransException(text::kBadPacket);
  }
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
  TransferItem item;
  {
    std::lock_guard<std::mutex> lock(lock_);
    item = *item_;
  }

  FieldMap response;
  response["Command"] = "SendFile";
  TransferFile file;
  const char* failure = nullptr;
  if (!file.OpenForReading(item.LocalPath))
    failure = text::kCannotOpenFile;
  else if (file.Size() != static_cast<std::int64_t>(item.Size))
    failure = text::kSizeChanged;
  std::string block;
  if (failure) {
    response["Response"] = "Failure";
    response["Cause"] = text::kSenderInternalError;
    HeaderBlock::Build(response, block);
    SendAll(socket_, block.data(), block.size());
    throw CFileTransException(failure);
  }
  response["Response"] = "Success";
  HeaderBlock::Build(response, block);
  SendAll(socket_, block.data(), block.size());

  // Read in large pieces (one system call instead of sixteen), sent block by block.
  std::vector<char> chunk(kFileChunk);
  bool sendFailed = false;
  for (;;) {
    const long n = file.Read(chunk.data(), chunk.size());
    if (n == 0) break;
    // A read error cuts the body short; the receiver then sees the connection close.
    if (n < 0) {
      sendFailed = true;
      break;
    }
    for (std::size_t at = 0; at < static_cast<std::size_t>(n) && !sendFailed;
         at += kTransferBlock) {
      const std::size_t length = std::min(kTransferBlock, static_cast<std::size_t>(n) - at);
      if (!SendAll(socket_, chunk.data() + at, length)) {
        sendFailed = true;
        break;
      }
      AddBytes(static_cast<std::uint32_t>(length));
      PostProgress(kSendProgress);
    }
    if (sendFailed) break;
  }
  file.Close();
  if (sendFailed) throw CFileTransException(text::kSendError);
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
  Close();
  PostNotify(kSendEnded);
}

}  // namespace vostrelle
