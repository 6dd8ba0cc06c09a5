#pragma once

#include <string>

namespace vostrelle {

// Creates the folder and its missing parents, parent first. True when the folder
// exists afterwards and its last level was made (or it existed already). A path that
// names a file, a relative single name and a path ending in '/' give false.
bool CreateFolderPath(const std::string& path);

}  // namespace vostrelle
