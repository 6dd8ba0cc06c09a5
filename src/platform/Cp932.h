#pragma once
// Shift_JIS (Windows code page 932) byte helpers. Every text the program keeps is a
// std::string of CP932 bytes; these helpers step over double-byte characters as units
// and convert at the two edges (widgets, file names) only.

#include <cstddef>
#include <string>
#include <string_view>

namespace vostrelle {

// True for a byte that starts a double-byte character (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Finds needle in text at or after from (a character boundary), never matching inside
// a double-byte character. Returns npos when absent; an empty needle matches at from.
std::size_t FindMultibyte(std::string_view text, std::string_view needle, std::size_t from = 0);

// True when the last character of text is the single byte c (a trail byte equal to c,
// as 0x5C in "ソ", does not count).
bool EndsWithSingleByte(std::string_view text, char c);

// The longest prefix of text of at most maxBytes bytes that does not cut a character.
std::string_view TruncateCp932(std::string_view text, std::size_t maxBytes);

// CP932 -> UTF-8. A byte sequence that is not CP932 becomes U+FFFD, one per bad byte.
std::string Cp932ToUtf8(std::string_view cp932);

// UTF-8 -> CP932. A character CP932 cannot hold becomes '?'; *lossless (when given)
// tells whether that happened, or whether the input was not valid UTF-8.
std::string Utf8ToCp932(std::string_view utf8, bool* lossless = nullptr);

// Strict conversions for file names: false when any character has no counterpart.
bool Cp932ToUtf8Exact(std::string_view cp932, std::string& out);
bool Utf8ToCp932Exact(std::string_view utf8, std::string& out);

// The program's own Japanese texts are written in UTF-8 source; this gives their CP932
// bytes, which is what every text inside the program is.
std::string Sjis(std::string_view utf8);

}  // namespace vostrelle
