#pragma once
// The user's personal documents folder.

#include <string>

namespace vostrelle {

// XDG_DOCUMENTS_DIR from user-dirs.dirs ($XDG_CONFIG_HOME, else ~/.config), else $HOME,
// as a CP932 path; empty when neither is known or the path has no CP932 form.
std::string GetMyDocumentsPath();

}  // namespace vostrelle
