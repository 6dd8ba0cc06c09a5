#include "CReceiveFileWorker.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "CFileTransException.h"
#include "HeaderStreamReader.h"
#include "TransferFile.h"
#include "TransferTexts.h"

namespace vostrelle {

namespace text = transfer_text;

// Between the connection and the file: spliced through it, the body goes from one to
// the other without a copy into this process and out again, which on a fast link is
// most of what receiving costs besides the file's own write.
struct CReceiveFileWorker::SplicePipe {
  static constexpr int kWanted = 1 << 20;
  int out = -1;  // read end
  int in = -1;   // write end
  std::size_t capacity = 0;
  SplicePipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;
    out = ends[0];
    in = ends[1];
    ::fcntl(in, F_SETPIPE_SZ, kWanted);  // where the system allows it
    const int size = ::fcntl(in, F_GETPIPE_SZ);
    capacity = size > 0 ? static_cast<std::size_t>(size) : 0;
  }
  ~SplicePipe() {
    if (out >= 0) ::close(out);
    if (in >= 0) ::close(in);
  }
  bool Usable() const { return out >= 0 && capacity > 0; }
};

// The body is received in blocks but written in large pieces at offsets that are
// multiples of the piece size: the response header leaves every block off the page
// grid, and a small write per block costs the disk path more than the copy itself.
struct CReceiveFileWorker::Body {
  explicit Body(std::uint32_t total) : size(total), pending(kFileChunk) {}
  const std::uint32_t size;
  std::uint32_t received = 0;
  TransferFile file;
  std::vector<char> pending;
  std::size_t filled = 0;
};

namespace {

void CheckResponse(const FieldMap& response) {
  const auto command = response.find("Command");
  const auto answer = response.find("Response");
  if (command == response.end() || answer == response.end())
    throw CFileTransException(text::kIncompleteHeader);
  if (command->second != "SendFile") throw CFileTransException(text::kWrongCommand);
  if (answer->second != "Success") {
    const auto cause = response.find("Cause");
    if (answer->second == "Failure" && cause != response.end())
      throw CFileTransException(cause->second);
    throw CFileTransException(text::kSendRefused);
  }
}

}  // namespace

CFileThread::Identity CReceiveFileWorker::GetIdentity() const {
  std::lock_guard<std::mutex> lock(lock_);
  if (!item_) return {};
  return Identity{item_->MemberAddress, item_->ID, item_->Room};
}

bool CReceiveFileWorker::Open() {
  std::lock_guard<std::mutex> lock(lock_);
  if (closed_ || aborted_) return false;
  socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  return socket_ >= 0;
}

void CReceiveFileWorker::Connect(const TransferItem& item) {
  if (!Open()) throw CFileTransException(text::kSocketCreateFailed);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(item.Port));
  to.sin_addr.s_addr = item.MemberAddress;
  if (::connect(socket_, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0)
    throw CFileTransException(text::kConnectFailed);
}

void CReceiveFileWorker::SendRequest(const TransferItem& item) {
  FieldMap request;
  request["Command"] = "ReceiveFile";
  request["ID"] = item.ID;
  request["Room"] = item.Room;
  std::string block;
  HeaderBlock::Build(request, block);
  SendAll(socket_, block.data(), block.size());
}

std::string_view CReceiveFileWorker::ReadResponse(char* buffer, std::size_t size) {
  // The response is read in whole chunks; what follows its empty line is body.
  HeaderStreamReader reader;
  FieldMap response;
  long got = 0;
  std::size_t consumed = 0;
  bool anyByte = false;
  std::size_t headerBytes = 0;
  for (bool complete = false; !complete;) {
    // A response is a few lines; a sender that never ends its header must not make the
    // reader hold everything it sends.
    if (headerBytes > kMaxResponseBytes) throw CFileTransException(text::kIncompleteHeader);
    got = ReceiveSome(socket_, buffer, size);
    if (got < 0) throw CFileTransException(text::kHeaderReceiveError);
    if (got == 0)
      throw CFileTransException(anyByte ? text::kIncompleteHeader : text::kConnectionRefused);
    anyByte = true;
    headerBytes += static_cast<std::size_t>(got);
    if (reader.Read(response, buffer, static_cast<std::size_t>(got), consumed, complete) !=
        HeaderStreamReader::kOk)
      throw CFileTransException(text::kIncompleteHeader);
  }
  CheckResponse(response);
  return {buffer + consumed, static_cast<std::size_t>(got) - consumed};
}

// A disk that refuses the bytes must not end in a file reported complete.
void CReceiveFileWorker::Flush(Body& body) {
  if (body.filled == 0) return;
  if (!body.file.WriteAll(body.pending.data(), body.filled))
    throw CFileTransException(text::kTransferError);
  AddBytes(static_cast<std::uint32_t>(body.filled));
  body.filled = 0;
  PostProgress(kReceiveProgress);
}

bool CReceiveFileWorker::SpliceSome(Body& body, SplicePipe& pipe) {
  // Never more than the body: what follows it stays on the connection.
  const std::size_t want = std::min<std::size_t>(body.size - body.received, pipe.capacity);
  const long n = ::splice(socket_, nullptr, pipe.in, nullptr, want, SPLICE_F_MOVE);
  if (n < 0 && errno == EINTR) return true;
  if (n < 0 && errno == EINVAL) return false;  // a connection that cannot be spliced
  if (n < 0) throw CFileTransException(text::kTransferError);
  if (n == 0) throw CFileTransException(text::kDisconnected);
  body.received += static_cast<std::uint32_t>(n);
  if (body.file.SpliceIn(pipe.out, static_cast<std::size_t>(n))) {
    AddBytes(static_cast<std::uint32_t>(n));
    PostProgress(kReceiveProgress);
    return true;
  }
  if (errno != EINVAL) throw CFileTransException(text::kTransferError);
  // A file system that takes no spliced writes: these bytes, and all after them, go
  // the ordinary way.
  DrainPipe(body, pipe.out, static_cast<std::size_t>(n));
  return false;
}

void CReceiveFileWorker::DrainPipe(Body& body, int pipeOut, std::size_t length) {
  for (std::size_t left = length; left > 0;) {
    if (body.filled == body.pending.size()) Flush(body);
    long got;
    do {
      got = ::read(pipeOut, body.pending.data() + body.filled,
                   std::min(left, body.pending.size() - body.filled));
    } while (got < 0 && errno == EINTR);
    if (got <= 0) throw CFileTransException(text::kTransferError);
    body.filled += static_cast<std::size_t>(got);
    left -= static_cast<std::size_t>(got);
  }
}

void CReceiveFileWorker::ReceivePiece(Body& body) {
  if (body.filled == body.pending.size()) Flush(body);
  // As much as the piece has room for: the sender hands the kernel large pieces, and a
  // receive per 4096 bytes would cost more than the copy itself.
  const std::size_t want =
      std::min<std::size_t>(body.size - body.received, body.pending.size() - body.filled);
  const long n = ReceiveSome(socket_, body.pending.data() + body.filled, want);
  if (n < 0) throw CFileTransException(text::kTransferError);
  if (n == 0) throw CFileTransException(text::kDisconnected);
  body.filled += static_cast<std::size_t>(n);
  body.received += static_cast<std::uint32_t>(n);
}

void CReceiveFileWorker::ReceiveBody(Body& body) {
  SplicePipe pipe;
  bool splicing = pipe.Usable();
  if (splicing) Flush(body);  // the first bytes go before the spliced ones
  while (body.received < body.size) {
    // What was queued before an abort would still be handed out, block by block.
    if (Aborted()) throw CFileTransException(text::kDisconnected);
    if (splicing)
      splicing = SpliceSome(body, pipe);
    else
      ReceivePiece(body);
  }
  Flush(body);
}

void CReceiveFileWorker::KeepPart(Body& body) {
  // What did arrive stays in the part file, and the row tells where.
  try {
    Flush(body);
  } catch (const CFileTransException&) {
  }
  const std::string kept = body.file.Abandon();
  if (!kept.empty()) failureNote_ = text::kKeptPartBefore + kept + text::kKeptPartAfter;
}

void CReceiveFileWorker::Exchange() {
  TransferItem item;
  {
    std::lock_guard<std::mutex> lock(lock_);
    if (item_) item = *item_;
  }
  Connect(item);
  SendRequest(item);
  char buffer[kTransferBlock];
  const std::string_view first = ReadResponse(buffer, sizeof buffer);

  if (item.LocalPath.empty()) throw CFileTransException(text::kPathUnknown);
  // The target itself stays as it is until the last byte is in.
  Body body(item.Size);
  if (!body.file.CreateForReceiving(item.LocalPath, item.NativePath))
    throw CFileTransException(text::kCannotOpenFile);
  const std::size_t start = std::min<std::size_t>(first.size(), item.Size);
  std::copy_n(first.data(), start, body.pending.data());
  body.filled = start;
  body.received = static_cast<std::uint32_t>(start);
  try {
    ReceiveBody(body);
    if (!body.file.Commit()) throw CFileTransException(text::kTransferError);
  } catch (const CFileTransException&) {
    KeepPart(body);
    throw;
  }
  FlushProgress(kReceiveProgress);
  PostNotify(kReceiveDone);
}

void CReceiveFileWorker::Run() {
  bool failed = false;
  try {
    Exchange();
  } catch (const CFileTransException& e) {
    errorText_ = e.Message() + failureNote_;
    failed = true;
    PostNotify(kReceiveFailed);
  }
  // A receiver that gives up must make the sender's send fail. An orderly close does
  // not: once the receiving side has shut down it never opens its window again, so a
  // sender whose window was full waits on it with nothing to tell it the reader left.
  Close(failed);
  PostNotify(kReceiveEnded);
}

}  // namespace vostrelle
