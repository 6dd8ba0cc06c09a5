#pragma once
// The base of the two transfer workers: one TCP exchange on a thread of its own. The
// user-interface thread may abort it at any time; the worker's lock makes sure that an
// abort and the worker's own close never both act on the socket.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "TransferItem.h"
#include "TransferThread.h"
#include "platform/Ipv4.h"
#include "platform/NotifyTarget.h"

namespace vostrelle {

// Block size of the body on both sides: the sender sends it in blocks of this size,
// the receiver takes it off the connection in blocks of at most this size.
inline constexpr std::size_t kTransferBlock = 4096;
// How much of the file a worker reads or writes at once; a multiple of the block.
inline constexpr std::size_t kFileChunk = 16 * kTransferBlock;

// Messages to the send list. wParam is the worker id; for kSendAccepted the socket.
// The two lists' messages lie in blocks of their own, so a number seen in a trace or a
// debugger names one message only.
inline constexpr unsigned kSendMessages = kWmApp;
inline constexpr unsigned kSendAccepted = kSendMessages + 1;
inline constexpr unsigned kSendProgress = kSendMessages + 2;
inline constexpr unsigned kSendDone = kSendMessages + 3;
inline constexpr unsigned kSendFailed = kSendMessages + 4;
inline constexpr unsigned kSendNeedEntry = kSendMessages + 5;
inline constexpr unsigned kSendEnded = kSendMessages + 6;  // always the last one

// Messages to the receive list. wParam is the worker id.
inline constexpr unsigned kReceiveMessages = kWmApp + 0x10;
inline constexpr unsigned kReceiveDone = kReceiveMessages + 1;
inline constexpr unsigned kReceiveProgress = kReceiveMessages + 2;
inline constexpr unsigned kReceiveFailed = kReceiveMessages + 3;
inline constexpr unsigned kReceiveEnded = kReceiveMessages + 4;  // always the last one
static_assert(kSendEnded < kReceiveMessages, "the two blocks must not meet");

class CFileThread : public TransferThread {
 public:
  struct Identity {
    Ipv4 Address = 0;
    std::string ID;
    std::string Room;
  };

  ~CFileThread() override;

  // What the lists match the worker's entry by.
  virtual Identity GetIdentity() const = 0;
  // Wakes a blocked send or receive by shutting the connection down both ways; the
  // socket stays open until the worker closes it. Does nothing once closed. A receive
  // still returns what was queued before the shutdown, so a worker checks Aborted()
  // as well.
  virtual void Abort();
  bool Aborted() const { return aborted_.load(std::memory_order_relaxed); }
  // Stores the notify target and, when the worker has no copy yet, a copy of item.
  virtual void Assign(std::shared_ptr<NotifyTarget> notify, const TransferItem& item);

  // The worker's copy, or nullptr. Only the user-interface thread changes it.
  const TransferItem* Item() const { return item_.get(); }
  // The progress counter, written by the worker and read by the list at any time.
  std::uint32_t BytesDone() const { return bytesDone_.load(); }
  // Set before the failure message is posted.
  const std::string& ErrorText() const { return errorText_; }
  // Once the run has ended: what a row shows after any failure text of it, such as
  // where the part of a file that did arrive was kept. Usually empty.
  const std::string& FailureNote() const { return failureNote_; }
  // The shortest time between two progress messages.
  static constexpr int kProgressIntervalMs = 50;
  // The list has handled a progress message: the next block may post another.
  void ProgressHandled() { progressPending_.store(false); }
  bool IsClosed() const;

 protected:
  CFileThread() = default;

  void PostNotify(unsigned message);
  // Posts a progress message unless one is still waiting to be handled or the last was
  // posted less than kProgressIntervalMs ago; the handler reads the counter, so nothing
  // shown is lost. A message per block would keep the user-interface thread busy and
  // take a core from the transfer on a fast link.
  void PostProgress(unsigned message);
  // After the last block: makes sure a progress message will show the final count, so
  // a finished row never keeps an earlier percentage (an empty file shows 100%).
  void FlushProgress(unsigned message);
  void AddBytes(std::uint32_t count) { bytesDone_.fetch_add(count); }
  // reset: end the connection with a reset instead of the orderly close (see the
  // receiving worker).
  void Close(bool reset = false);
  // Called with the lock held, from Abort and Close.
  virtual void OnAbortLocked() {}
  virtual void OnCloseLocked() {}

  mutable std::mutex lock_;
  bool closed_ = false;
  std::atomic<bool> aborted_{false};  // written under the lock, read without it too
  int socket_ = -1;
  std::unique_ptr<TransferItem> item_;
  std::shared_ptr<NotifyTarget> notify_;
  std::string errorText_;
  std::string failureNote_;

 private:
  std::atomic<std::uint32_t> bytesDone_{0};
  std::atomic<bool> progressPending_{false};
  // Worker thread only.
  std::chrono::steady_clock::time_point lastProgress_{};
  std::uint32_t postedBytes_ = 0;
  bool anyPosted_ = false;
};

// Blocking socket helpers shared by the workers; both retry on EINTR.
bool SendAll(int fd, const char* data, std::size_t length);
long ReceiveSome(int fd, char* buffer, std::size_t length);

}  // namespace vostrelle
