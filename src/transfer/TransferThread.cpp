#include "TransferThread.h"

#include <atomic>
#include <chrono>
#include <system_error>

namespace vostrelle {

namespace {
std::atomic<WorkerId> nextId{1};
std::atomic<int> live{0};
}  // namespace

TransferThread::TransferThread() : id_(nextId.fetch_add(1)) {
  live.fetch_add(1);
}

TransferThread::~TransferThread() {
  if (thread_.joinable()) thread_.join();
  live.fetch_sub(1);
}

int TransferThread::LiveCount() {
  return live.load();
}

bool TransferThread::Start(const Spawner& spawner) {
  if (Started()) return true;
  try {
    if (spawner)
      thread_ = spawner(&TransferThread::Main, this);
    else
      thread_ = std::thread(&TransferThread::Main, this);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void TransferThread::Main(TransferThread* self) {
  self->Run();
  bool deleteSelf;
  {
    std::lock_guard<std::mutex> lock(self->finishMutex_);
    self->finished_ = true;
    deleteSelf = self->autoDelete_;
    self->finishCv_.notify_all();
  }
  if (deleteSelf) delete self;
}

bool TransferThread::WaitFinished(int timeoutMs) {
  if (!Started()) return true;
  std::unique_lock<std::mutex> lock(finishMutex_);
  return finishCv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [this] { return finished_; });
}

void TransferThread::SetAutoDelete() {
  {
    std::lock_guard<std::mutex> lock(finishMutex_);
    if (Started() && !finished_) {
      autoDelete_ = true;
      thread_.detach();
      detached_ = true;
      return;
    }
  }
  delete this;
}

}  // namespace vostrelle
