#pragma once
// A thread object in the manner the transfer lists expect of one: created first and
// started later, waited for with a time limit, and either deleted by its owner once it
// has ended or told to delete itself when it ends.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace vostrelle {

// Stands in for a thread handle in posted messages: unique for the run, never 0.
using WorkerId = std::uintptr_t;

class TransferThread {
 public:
  TransferThread();
  TransferThread(const TransferThread&) = delete;
  TransferThread& operator=(const TransferThread&) = delete;
  // Joins the thread; only delete a started thread once it has ended (WaitFinished).
  virtual ~TransferThread();

  WorkerId Id() const { return id_; }
  // What makes the thread. A replacement that throws std::system_error stands for a
  // system out of threads.
  using Spawner = std::function<std::thread(void (*)(TransferThread*), TransferThread*)>;

  // False when the system gives no thread (std::system_error); the object then stays
  // unstarted and may simply be deleted. spawner: std::thread when empty.
  bool Start(const Spawner& spawner = {});
  bool Started() const { return thread_.joinable() || detached_; }
  // True when the thread has ended (or never started) within timeoutMs.
  bool WaitFinished(int timeoutMs);
  // The owner lets go: the object deletes itself when its thread ends, at once if it
  // already has. The caller must not touch it afterwards.
  void SetAutoDelete();

  // Objects alive right now; lets tests see that a self-deleting thread went away.
  static int LiveCount();

 protected:
  virtual void Run() = 0;

 private:
  static void Main(TransferThread* self);

  const WorkerId id_;
  std::thread thread_;
  bool detached_ = false;
  std::mutex finishMutex_;
  std::condition_variable finishCv_;
  bool finished_ = false;
  bool autoDelete_ = false;
};

}  // namespace vostrelle
