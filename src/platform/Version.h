#pragma once
// The program's version resource.

#include <string>

namespace vostrelle {

inline constexpr const char* kFileDescription = "Vostrelle";
inline constexpr const char* kFileVersion = "1.02";
inline constexpr const char* kLegalCopyright = "Copyright (C) 2026 Pendrake";
// The name the program is known by to the desktop: its session-bus name, its
// autostart entry, its metadata.
inline constexpr const char* kApplicationId = "example.pendrake.vostrelle";

// version = FileDescription + " ver " + FileVersion; legal = LegalCopyright. Either may
// be null.
void GetVersionStrings(std::string* version, std::string* legal);

}  // namespace vostrelle
