// Any bytes as the request a sending worker reads off its connection: the worker must
// end by itself, ask for an entry exactly when the bytes begin with a complete, valid
// request within the size limit, and answer only then. The first input byte says
// whether the list has an entry to give.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/NotifyTarget.h"
#include "transfer/CSendFileWorker.h"
#include "transfer/HeaderStreamReader.h"

using namespace vostrelle;

namespace {

// What the worker should make of the bytes: a request it asks an entry for, or not.
bool IsRequest(const char* data, std::size_t size) {
  HeaderStreamReader reader;
  FieldMap fields;
  std::size_t consumed = 0;
  bool complete = false;
  const std::size_t length = std::min(size, CSendFileWorker::kMaxRequestBytes);
  if (reader.Read(fields, data, length, consumed, complete) != HeaderStreamReader::kOk ||
      !complete)
    return false;
  const auto command = fields.find("Command");
  return command != fields.end() && command->second == "ReceiveFile" && fields.count("ID") &&
         fields.count("Room");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 60000) return 0;  // within one socket buffer
  const bool giveEntry = data[0] & 1;
  const char* request = reinterpret_cast<const char*>(data + 1);
  const std::size_t length = size - 1;

  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return 0;
  if (length > 0 && ::send(pair[0], request, length, MSG_NOSIGNAL) != static_cast<long>(length))
    std::abort();
  ::shutdown(pair[0], SHUT_WR);  // then the connection ends: nothing waits on a timer

  auto notify = std::make_shared<QueueNotifyTarget>();
  CSendFileWorker worker(notify, pair[1], CSendFileWorker::Limits{1000, 1000}, nullptr);
  bool asked = false, ended = false;
  notify->SetHandler([&](unsigned message, std::uintptr_t) {
    if (message == kSendNeedEntry) {
      asked = true;
      if (giveEntry) {
        TransferItem item;
        item.LocalPath = "/nonexistent/vostrelle-fuzz";  // answered "Failure"
        worker.GiveItem(item);
      }
      worker.Signal();
    }
    if (message == kSendEnded) ended = true;
    return true;
  });
  if (!worker.Start()) std::abort();
  if (!notify->PumpUntil([&] { return ended; }, 20000)) std::abort();
  if (!worker.WaitFinished(20000)) std::abort();

  if (asked != IsRequest(request, length)) std::abort();
  char answer[256];
  const long got = ::recv(pair[0], answer, sizeof answer, MSG_DONTWAIT);
  // An answer only to a request that named an entry the list gave.
  if ((got > 0) != (asked && giveEntry)) std::abort();
  ::close(pair[0]);
  return 0;
}
