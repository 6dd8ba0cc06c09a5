#pragma once
// The file a worker sends or receives, held without sharing while it is open: an
// advisory exclusive lock, so a second transfer of the same file is turned away.
//
// A file being received is written under a name of its own next to its target and
// takes the target's name only once every byte has arrived, so a receive that fails
// half-way never leaves a file the user had in its place damaged or gone.

#include <cstdint>
#include <string>

namespace vostrelle {

class TransferFile {
 public:
  // Ends the name of a file whose receive has not finished.
  static constexpr char kPartSuffix[] = ".part";

  TransferFile() = default;
  TransferFile(const TransferFile&) = delete;
  TransferFile& operator=(const TransferFile&) = delete;
  ~TransferFile() { Close(); }

  // path is CP932. Opens an existing regular file.
  bool OpenForReading(const std::string& path);
  // Starts a receive into path (CP932; native is the same as the system spells it):
  // creates a new part file beside it, named after it with kPartSuffix (a free number
  // before the suffix when that name is taken), and leaves path as it is. Fails when
  // path is something other than a regular file, or is being sent or received by
  // another transfer.
  bool CreateForReceiving(const std::string& path, const std::string& native);
  // Every byte has arrived: the part file takes the target's name, replacing what was
  // there. False when that failed; the part file then stays, as with Abandon.
  bool Commit();
  // The receive failed: what arrived stays in the part file, whose name (CP932, without
  // the folder) is given back. A part file that holds nothing is removed: "" then.
  std::string Abandon();

  // -1 when the size cannot be read.
  std::int64_t Size() const;
  // Bytes read, 0 at the end, -1 on an error.
  long Read(char* buffer, std::size_t length);
  bool WriteAll(const char* data, std::size_t length);
  // Moves exactly length bytes from the pipe pipeFd into the file. False on an error,
  // errno telling which (EINVAL: this file takes no spliced writes; nothing was moved).
  bool SpliceIn(int pipeFd, std::size_t length);
  // Receiving: the same as Abandon.
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }

 private:
  bool Open(const std::string& path, int flags);
  // Receiving: claims the target (native) in the folder folderPrefix (native, ending in
  // '/' or empty) against other transfers; false when it is taken or no regular file.
  bool ClaimTarget(const std::string& native, const std::string& folderPrefix,
                   const std::string& name);
  // Receiving: creates the first free part file for name (native; cpName in CP932).
  bool CreatePart(const std::string& folderPrefix, const std::string& name,
                  const std::string& cpName);
  // Releases the target's lock and its claim.
  void ReleaseTarget();

  int fd_ = -1;
  // Receiving only.
  int targetLock_ = -1;        // the existing target, locked against other transfers
  std::string claim_;          // the target as this process knows it is in use
  std::string target_;         // native
  std::string part_;           // native
  std::string partName_;       // CP932, without the folder
  std::uint64_t written_ = 0;  // bytes in the part file
};

}  // namespace vostrelle
