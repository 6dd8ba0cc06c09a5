#pragma once
// The connecting side of one transfer: connects to the sender, sends the request,
// reads the answer and writes the body to the entry's local path.

#include <string_view>

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
  struct Body;
  struct SplicePipe;

  bool Open();
  void Connect(const TransferItem& item);
  void SendRequest(const TransferItem& item);
  // Reads the sender's answer into buffer and gives back the body bytes that came
  // with it; throws unless the answer is a success.
  std::string_view ReadResponse(char* buffer, std::size_t size);
  void ReceiveBody(Body& body);
  // One splice from the connection into the file; false once splicing cannot go on
  // and the rest must go the ordinary way.
  bool SpliceSome(Body& body, SplicePipe& pipe);
  // The bytes of a spliced piece the file took no spliced write for, out of the pipe.
  void DrainPipe(Body& body, int pipeOut, std::size_t length);
  void ReceivePiece(Body& body);
  void Flush(Body& body);
  // After a failure: keeps what arrived and notes where.
  void KeepPart(Body& body);
  void Exchange();
};

}  // namespace vostrelle
