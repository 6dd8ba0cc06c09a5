#pragma once

#include <string>

namespace vostrelle {

// Copies the settings files (connects.xml, options.xml) that exist in fromFolder into
// toFolder, replacing files of the same name there; fromFolder is left as it is. False
// when a file that exists could not be copied whole (CP932 paths).
bool CopySettingsFiles(const std::string& fromFolder, const std::string& toFolder);

}  // namespace vostrelle
