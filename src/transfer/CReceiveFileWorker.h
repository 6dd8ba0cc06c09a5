#pragma once
// The connecting side of one transfer: connects to the sender, sends the request,
// reads the answer and writes the body to the entry's local path.

#include "CFileThread.h"

namespace vostrelle {

class CReceiveFileWorker : public CFileThread {
 public:
  // Beyond this many bytes without its end a response is not one.
  static constexpr std::size_t kMaxResponseBytes = 65536;

  CReceiveFileWorker() = default;
  // From the item copy given with Assign.
  Identity GetIdentity() const override;

 protected:
  void Run() override;

 private:
  bool Open();
  void Exchange();
};

}  // namespace vostrelle
