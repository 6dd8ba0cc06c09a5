#include "CFileThread.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileSystem.h"

namespace vostrelle {

CFileThread::~CFileThread() {
  // A worker that never ran (or was never given its socket) may still hold one.
  std::lock_guard<std::mutex> lock(lock_);
  if (!closed_ && socket_ >= 0) ::close(socket_);
}

void CFileThread::Abort() {
  std::lock_guard<std::mutex> lock(lock_);
  if (closed_) return;
  aborted_ = true;
  if (socket_ >= 0) ::shutdown(socket_, SHUT_RDWR);
  OnAbortLocked();
}

void CFileThread::Assign(std::shared_ptr<NotifyTarget> notify, const TransferItem& item) {
  std::lock_guard<std::mutex> lock(lock_);
  notify_ = std::move(notify);
  if (!item_) item_ = std::make_unique<TransferItem>(item);
}

bool CFileThread::IsClosed() const {
  std::lock_guard<std::mutex> lock(lock_);
  return closed_;
}

void CFileThread::PostNotify(unsigned message) {
  std::shared_ptr<NotifyTarget> notify;
  {
    std::lock_guard<std::mutex> lock(lock_);
    notify = notify_;
  }
  if (notify) notify->Post(message, Id());
}

void CFileThread::PostProgress(unsigned message) {
  const auto now = std::chrono::steady_clock::now();
  if (now - lastProgress_ < std::chrono::milliseconds(kProgressIntervalMs)) return;
  if (progressPending_.exchange(true)) return;
  lastProgress_ = now;
  postedBytes_ = BytesDone();
  anyPosted_ = true;
  PostNotify(message);
}

void CFileThread::FlushProgress(unsigned message) {
  if (anyPosted_ && BytesDone() == postedBytes_) return;
  // One still waiting is handled later and reads the counter, which is final by now.
  if (progressPending_.exchange(true)) return;
  postedBytes_ = BytesDone();
  anyPosted_ = true;
  PostNotify(message);
}

void CFileThread::Close(bool reset) {
  std::lock_guard<std::mutex> lock(lock_);
  if (closed_) return;
  if (socket_ >= 0) {
    if (reset) {
      const linger abortive{1, 0};
      ::setsockopt(socket_, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    }
    ::close(socket_);
  }
  closed_ = true;
  OnCloseLocked();
}

bool SendAll(int fd, const char* data, std::size_t length) {
  return WriteFully(data, length, [fd](const char* piece, std::size_t size) {
    return ::send(fd, piece, size, MSG_NOSIGNAL);
  });
}

long ReceiveSome(int fd, char* buffer, std::size_t length) {
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, length, 0);
    if (n >= 0 || errno != EINTR) return static_cast<long>(n);
  }
}

}  // namespace vostrelle
