#include "FileSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Cp932.h"

namespace vostrelle {

bool ToNativePath(std::string_view cp932, std::string& native) {
  return Cp932ToUtf8Exact(cp932, native);
}

bool FromNativePath(std::string_view native, std::string& cp932) {
  return Utf8ToCp932Exact(native, cp932);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  // A folder written the Windows way with a closing backslash still ends in a
  // separator; left in place it would be part of the name on this system and the file
  // would land beside the folder. A 0x5C trail byte ("ソ") is no separator.
  if (EndsWithSingleByte(out, '\\')) out.back() = '/';
  if (!out.empty() && out.back() != '/') out += '/';
  out += name;
  return out;
}

namespace {
bool Stat(std::string_view cp932, struct stat& st) {
  std::string native;
  return ToNativePath(cp932, native) && !native.empty() && ::stat(native.c_str(), &st) == 0;
}
}  // namespace

bool PathExists(std::string_view cp932) {
  struct stat st;
  return Stat(cp932, st);
}

bool IsDirectory(std::string_view cp932) {
  struct stat st;
  return Stat(cp932, st) && S_ISDIR(st.st_mode);
}

bool MakeDirectory(std::string_view cp932) {
  std::string native;
  return ToNativePath(cp932, native) && !native.empty() && ::mkdir(native.c_str(), 0777) == 0;
}

int OpenExclusive(std::string_view cp932, int flags) {
  std::string native;
  if (!ToNativePath(cp932, native) || native.empty()) return -1;
  const int fd = ::open(native.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace vostrelle
