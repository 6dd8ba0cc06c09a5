#pragma once
// The per-user record of the settings folder: QSettings("Pendrake", "Vostrelle"), key
// "Directory/Setting" ($XDG_CONFIG_HOME/Pendrake/Vostrelle.conf). Values are CP932
// paths; the file holds them as Unicode text.

#include <string>

namespace vostrelle {

// The stored folder; empty when there is none.
std::string ReadSettingFolder();
void WriteSettingFolder(const std::string& cp932Path);
// Removes the value, so the next start asks for a folder again.
void DeleteSettingFolder();

}  // namespace vostrelle
