#include "TransferFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileSystem.h"

namespace vostrelle {

bool TransferFile::Open(const std::string& path, int flags) {
  Close();
  std::string native;
  if (!ToNativePath(path, native) || native.empty()) return false;
  const int fd = ::open(native.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
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

bool TransferFile::CreateForWriting(const std::string& path) {
  if (!Open(path, O_WRONLY | O_CREAT)) return false;
  // Only a file that holds something is truncated. Truncating a new, empty one would
  // still mark it as replaced on some file systems (ext4), which then write the whole
  // file out when it is closed, keeping the worker waiting on the disk.
  struct stat st;
  if (::fstat(fd_, &st) != 0 || (st.st_size > 0 && ::ftruncate(fd_, 0) != 0)) {
    Close();
    return false;
  }
  return true;
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
  while (length > 0) {
    const ssize_t n = ::write(fd_, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

void TransferFile::Close() {
  if (fd_ >= 0) ::close(fd_);  // also releases the lock
  fd_ = -1;
}

}  // namespace vostrelle
