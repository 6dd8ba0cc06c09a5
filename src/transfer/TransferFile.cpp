#include "TransferFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <mutex>
#include <set>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"

namespace vostrelle {

namespace {

// Targets this process is receiving into. A target that does not exist yet has no file
// to lock, and two receives of one name must not both take it.
std::mutex claimsLock;
std::set<std::string>& Claims() {
  static std::set<std::string> claims;
  return claims;
}

constexpr int kMostPartNames = 100;

}  // namespace

bool TransferFile::Open(const std::string& path, int flags) {
  Close();
  fd_ = OpenExclusive(path, flags);
  return fd_ >= 0;
}

bool TransferFile::OpenForReading(const std::string& path) {
  if (!Open(path, O_RDONLY)) return false;
  struct stat st;
  // Only regular files have a size worth announcing; a folder opens but cannot be read.
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    Close();
    return false;
  }
  return true;
}

bool TransferFile::CreateForReceiving(const std::string& path, const std::string& native) {
  Close();
  if (native.empty()) return false;
  const std::size_t slash = native.rfind('/');
  const std::string folderPrefix = slash == std::string::npos ? "" : native.substr(0, slash + 1);
  const std::string name = native.substr(folderPrefix.size());
  // The name as given: '/' is never part of a double-byte character, so no conversion
  // back from the native form is needed.
  const std::string cpName = path.substr(path.rfind('/') + 1);
  if (name.empty() || cpName.empty()) return false;
  if (!ClaimTarget(native, folderPrefix, name)) return false;
  if (CreatePart(folderPrefix, name, cpName)) return true;
  ReleaseTarget();
  return false;
}

bool TransferFile::ClaimTarget(const std::string& native, const std::string& folderPrefix,
                               const std::string& name) {
  struct stat st;
  if (::stat(folderPrefix.empty() ? "." : folderPrefix.c_str(), &st) != 0) return false;
  // By the folder's identity: two spellings of one folder are one target.
  std::string claim = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + "/" + name;
  {
    std::lock_guard<std::mutex> lock(claimsLock);
    if (!Claims().insert(claim).second) return false;
  }
  claim_ = std::move(claim);
  target_ = native;

  if (::stat(native.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      ReleaseTarget();
      return false;
    }
    // A file being sent right now is not replaced under its sender.
    const int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      ReleaseTarget();
      return false;
    }
    targetLock_ = fd;
  } else if (errno != ENOENT) {
    ReleaseTarget();
    return false;
  }
  return true;
}

bool TransferFile::CreatePart(const std::string& folderPrefix, const std::string& name,
                              const std::string& cpName) {
  // A file already there under a part name (an earlier failed receive, or the user's
  // own) is never touched: the next free number is taken instead.
  for (int n = 1; n <= kMostPartNames; ++n) {
    const std::string suffix =
        (n == 1 ? std::string() : "." + std::to_string(n)) + std::string(kPartSuffix);
    std::string stem = cpName;
    std::string nativeStem = name;
    // A name at the system's limit loses whole characters at its end to make room.
    for (std::size_t most = cpName.size(); nativeStem.size() + suffix.size() > NAME_MAX;) {
      if (most == 0) break;
      stem = std::string(TruncateCp932(cpName, --most));
      if (!ToNativePath(stem, nativeStem)) nativeStem = name;
    }
    if (nativeStem.empty() || nativeStem.size() + suffix.size() > NAME_MAX) break;
    const std::string part = folderPrefix + nativeStem + suffix;
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      break;
    }
    ::flock(fd, LOCK_EX | LOCK_NB);  // a new file: nobody else holds it
    fd_ = fd;
    part_ = part;
    partName_ = stem + suffix;
    written_ = 0;
    return true;
  }
  return false;
}

bool TransferFile::Commit() {
  if (part_.empty()) return false;
  // A close that reports an error may have lost written bytes.
  const bool closed = fd_ < 0 || ::close(fd_) == 0;
  fd_ = -1;
  if (!closed || ::rename(part_.c_str(), target_.c_str()) != 0) return false;
  part_.clear();
  partName_.clear();
  ReleaseTarget();
  return true;
}

std::string TransferFile::Abandon() {
  std::string kept;
  if (!part_.empty()) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (written_ == 0)
      ::unlink(part_.c_str());
    else
      kept = partName_;
    part_.clear();
    partName_.clear();
  }
  ReleaseTarget();
  return kept;
}

void TransferFile::ReleaseTarget() {
  if (targetLock_ >= 0) ::close(targetLock_);
  targetLock_ = -1;
  if (!claim_.empty()) {
    std::lock_guard<std::mutex> lock(claimsLock);
    Claims().erase(claim_);
  }
  claim_.clear();
  target_.clear();
}

std::int64_t TransferFile::Size() const {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

long TransferFile::Read(char* buffer, std::size_t length) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, length);
    if (n >= 0 || errno != EINTR) return static_cast<long>(n);
  }
}

bool TransferFile::WriteAll(const char* data, std::size_t length) {
  return WriteFully(data, length, [this](const char* piece, std::size_t size) {
    const ssize_t n = ::write(fd_, piece, size);
    if (n > 0) written_ += static_cast<std::uint64_t>(n);
    return n;
  });
}

bool TransferFile::SpliceIn(int pipeFd, std::size_t length) {
  while (length > 0) {
    const ssize_t n = ::splice(pipeFd, nullptr, fd_, nullptr, length, SPLICE_F_MOVE);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    length -= static_cast<std::size_t>(n);
    written_ += static_cast<std::uint64_t>(n);
  }
  return true;
}

void TransferFile::Close() {
  if (!part_.empty()) {
    Abandon();
    return;
  }
  if (fd_ >= 0) ::close(fd_);  // also releases the lock
  fd_ = -1;
  ReleaseTarget();
}

}  // namespace vostrelle
