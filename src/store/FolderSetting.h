#pragma once
// Folder settings as stored and as used. A settings folder copied from Windows holds
// drive-letter and network paths; those stay in the file untouched (the same file
// still works back on Windows) while this run uses the default folder instead.

#include <string>

namespace vostrelle {

// A drive path ("C:\...", "d:/...", "C:", "C:name") or a network path "\\server\share"
// ("//server/share").
bool IsWindowsFolder(const std::string& path);

// The folder a stored setting stands for here: a Windows folder gives fallback, a
// relative one is taken inside the settings folder (never the working directory), an
// absolute one and an empty one are used as they are.
std::string ResolveFolder(const std::string& stored, const std::string& settingFolder,
                          const std::string& fallback);

// The receive folder and the log folder a stored text stands for, with their defaults
// (the documents folder; "log" inside the settings folder).
std::string ReceiveFolderInUse(const std::string& stored, const std::string& settingFolder);
std::string LogFolderInUse(const std::string& stored, const std::string& settingFolder);

class AppSettings;

// One line (CP932) for each folder setting that came from Windows, saying where files
// go in this run; empty when there is none.
std::string WindowsFolderNotice(const AppSettings& settings);

}  // namespace vostrelle
