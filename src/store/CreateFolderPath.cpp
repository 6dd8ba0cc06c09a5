#include "CreateFolderPath.h"

#include "platform/Cp932.h"
#include "platform/FileSystem.h"

namespace vostrelle {

bool CreateFolderPath(const std::string& given) {
  if (given.empty()) return false;
  // A closing backslash is a separator here as in JoinPath, not part of the name.
  std::string path = given;
  if (EndsWithSingleByte(path, '\\')) path.back() = '/';
  if (IsDirectory(path)) return true;
  // The parent: everything before the last separator. The file-system root has no
  // separator before it, so a folder directly below it takes "/" as its parent.
  const std::size_t slash = path.rfind('/');
  const std::string parent = slash == std::string::npos ? std::string()
                             : slash == 0               ? std::string(1, '/')
                                                        : path.substr(0, slash);
  if (!CreateFolderPath(parent)) return false;
  return MakeDirectory(path);
}

}  // namespace vostrelle
