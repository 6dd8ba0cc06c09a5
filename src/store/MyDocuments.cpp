#include "store/MyDocuments.h"

#include <cstdlib>
#include <fstream>

#include "platform/FileSystem.h"

namespace vostrelle {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The value of XDG_DOCUMENTS_DIR: "$HOME/..." or an absolute path, in double quotes.
std::string ReadUserDirs(const std::string& file, const std::string& home) {
  std::ifstream in(file);
  std::string line;
  const std::string key = "XDG_DOCUMENTS_DIR=";
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.compare(0, 5, "$HOME") == 0) {
      if (home.empty()) return {};
      value = home + value.substr(5);
    } else if (value.empty() || value.front() != '/') {
      return {};
    }
    while (value.size() > 1 && value.back() == '/') value.pop_back();
    return value;
  }
  return {};
}

}  // namespace

std::string GetMyDocumentsPath() {
  const std::string home = Env("HOME");
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty() && !home.empty()) config = home + "/.config";
  std::string native;
  if (!config.empty()) native = ReadUserDirs(config + "/user-dirs.dirs", home);
  if (native.empty()) native = home;
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  std::string cp932;
  if (native.empty() || !FromNativePath(native, cp932)) return {};
  return cp932;
}

}  // namespace vostrelle
