#include "store/FolderSetting.h"

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "store/AppSettings.h"
#include "store/MyDocuments.h"

namespace vostrelle {
namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

}  // namespace

bool IsWindowsFolder(const std::string& path) {
  // "C:name" (relative to that drive's current folder) is a Windows path too.
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') return true;
  // "//x" is also an ordinary Linux path, but nobody picks one here; a settings file
  // that holds it came from Windows.
  return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
}

std::string ResolveFolder(const std::string& stored, const std::string& settingFolder,
                          const std::string& fallback) {
  if (IsWindowsFolder(stored)) return fallback;
  if (stored.empty() || stored[0] == '/') return stored;
  return JoinPath(settingFolder, stored);
}

std::string ReceiveFolderInUse(const std::string& stored, const std::string& settingFolder) {
  // The documents folder is only looked up when the stored folder is not usable.
  if (IsWindowsFolder(stored)) return GetMyDocumentsPath();
  return ResolveFolder(stored, settingFolder, {});
}

std::string LogFolderInUse(const std::string& stored, const std::string& settingFolder) {
  return ResolveFolder(stored, settingFolder, JoinPath(settingFolder, "log"));
}

std::string WindowsFolderNotice(const AppSettings& settings) {
  std::string notice;
  auto add = [&notice](const std::string& what, const std::string& stored,
                       const std::string& files, const std::string& used) {
    if (!notice.empty()) notice += "\r\n";
    notice += "※ "_sjis + what + "「"_sjis + stored + "」はWindowsのフォルダのため、"_sjis +
              files + "は「"_sjis + used + "」に保存します。"_sjis;
  };
  if (IsWindowsFolder(settings.ReceiveFolder))
    add("受信フォルダ"_sjis, settings.ReceiveFolder, "受信ファイル"_sjis,
        settings.ReceiveFolderInUse());
  if (IsWindowsFolder(settings.Log.SaveFolder))
    add("ログの保存先"_sjis, settings.Log.SaveFolder, "ログ"_sjis, settings.LogFolderInUse());
  return notice;
}

}  // namespace vostrelle
