#pragma once
// The file-system edge: paths are CP932 texts inside the program and UTF-8 file names
// on disk. A path with no counterpart on the other side is an error, never a silently
// mangled name.

#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>

namespace vostrelle {

// CP932 path -> native (UTF-8) path. False when a byte sequence has no UTF-8 form.
bool ToNativePath(std::string_view cp932, std::string& native);
// Native path -> CP932 path. False when a character has no CP932 form.
bool FromNativePath(std::string_view native, std::string& cp932);

// Joins like _makepath on this system: a '/' between the parts unless the first is
// empty or already ends in '/'; a closing single-byte '\' is that separator.
std::string JoinPath(std::string_view folder, std::string_view name);

// Queries on CP932 paths; false also when the path cannot be converted.
bool PathExists(std::string_view cp932);
bool IsDirectory(std::string_view cp932);
// One level, like CreateDirectoryA: false when it exists or cannot be made.
bool MakeDirectory(std::string_view cp932);

// Opens the CP932 path with flags (O_CLOEXEC added, mode 0666 on creation) and takes
// an advisory exclusive lock without waiting: a second writer in this or another
// process is turned away. The descriptor, or -1 when the open or the lock failed.
int OpenExclusive(std::string_view cp932, int flags);

// Hands data to write(const char*, std::size_t) -> ssize_t until all of it is taken,
// again after an interruption. False on an error, errno telling which.
template <typename Write>
bool WriteFully(const char* data, std::size_t length, Write&& write) {
  while (length > 0) {
    const ssize_t n = write(data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace vostrelle
