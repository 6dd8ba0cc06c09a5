#include "store/CopySettingsFiles.h"

#include <filesystem>

#include "platform/FileSystem.h"

namespace vostrelle {

bool CopySettingsFiles(const std::string& fromFolder, const std::string& toFolder) {
  namespace fs = std::filesystem;
  for (const char* name : {"connects.xml", "options.xml"}) {
    std::string from, to;
    if (!ToNativePath(JoinPath(fromFolder, name), from) ||
        !ToNativePath(JoinPath(toFolder, name), to))
      return false;
    std::error_code ec;
    if (!fs::exists(from, ec)) continue;
    // The same file under two spellings needs no copy (and would be emptied by one).
    if (fs::exists(to, ec) && fs::equivalent(from, to, ec)) continue;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec) return false;
  }
  return true;
}

}  // namespace vostrelle
