#pragma once
// The start at login: a desktop entry in the user's autostart folder, which every
// freedesktop session (and systemd's autostart generator) runs at login. The entry's
// file itself is the setting; a desktop's own settings switch it off by writing
// Hidden=true or X-GNOME-Autostart-enabled=false into it rather than deleting it.

#include <string>

namespace vostrelle {

class AutostartEntry {
 public:
  // The entry <configHome>/autostart/<appId>.desktop.
  AutostartEntry(const std::string& configHome, const std::string& appId);
  // The user's: $XDG_CONFIG_HOME, or ~/.config where that is unset or not absolute.
  static AutostartEntry ForUser(const std::string& appId);

  const std::string& Path() const { return path_; }

  // The entry exists and nothing in it switches it off.
  bool IsEnabled() const;
  // Writes the entry starting PROGRAM minimised (the folder is made if missing).
  bool Enable(const std::string& program);
  // Removes the entry; an entry that is not there is already off.
  bool Disable();
  // What went wrong in the last Enable or Disable, for the user (UTF-8).
  const std::string& LastError() const { return lastError_; }

  // One argument of an Exec line, quoted where the desktop entry rules ask for it.
  static std::string ExecArgument(const std::string& argument);

 private:
  std::string folder_;
  std::string path_;
  std::string lastError_;
};

}  // namespace vostrelle
