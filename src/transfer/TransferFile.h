#pragma once
// The file a worker sends or receives, held without sharing while it is open: an
// advisory exclusive lock, so a second transfer of the same file is turned away.

#include <cstdint>
#include <string>

namespace vostrelle {

class TransferFile {
 public:
  TransferFile() = default;
  TransferFile(const TransferFile&) = delete;
  TransferFile& operator=(const TransferFile&) = delete;
  ~TransferFile() { Close(); }

  // path is CP932. Reading opens an existing file; writing creates or truncates one,
  // truncating only once the lock is held so a file in use is left intact.
  bool OpenForReading(const std::string& path);
  bool CreateForWriting(const std::string& path);
  // -1 when the size cannot be read.
  std::int64_t Size() const;
  // Bytes read, 0 at the end, -1 on an error.
  long Read(char* buffer, std::size_t length);
  bool WriteAll(const char* data, std::size_t length);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }

 private:
  bool Open(const std::string& path, int flags);
  int fd_ = -1;
};

}  // namespace vostrelle
