#pragma once
// The widget edge of the text rule: the program keeps CP932 bytes, widgets show
// QStrings. Every conversion between the two goes through these.

#include <QString>
#include <string>
#include <string_view>

namespace vostrelle {

// CP932 -> QString. Bytes that are not CP932 show as U+FFFD, one per bad byte.
QString ToQString(std::string_view cp932);

// QString -> CP932. A character CP932 cannot hold becomes '?', as in an ANSI edit box;
// *lossless (when given) tells whether that happened.
std::string ToCp932(const QString& text, bool* lossless = nullptr);

}  // namespace vostrelle
