#pragma once
// Shift_JIS (Windows code page 932) byte helpers. Every text the program keeps is a
// std::string of CP932 bytes; these helpers step over double-byte characters as units
// and convert at the two edges (widgets, file names) only.

#include <algorithm>
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

// A string literal as a template argument, so that each text has a conversion of its own.
template <std::size_t N>
struct Utf8Literal {
  char Text[N];
  constexpr Utf8Literal(const char (&text)[N]) { std::copy_n(text, N, Text); }
  constexpr std::string_view View() const { return {Text, N - 1}; }
};

// The program's own Japanese texts: written in UTF-8 source as "送信失敗"_sjis, and used
// as their CP932 bytes, which is what every text inside the program is. Each converts
// once, on first use; a test checks that every one of them converts without loss.
template <Utf8Literal L>
const std::string& operator""_sjis() {
  static const std::string cp932 = Utf8ToCp932(L.View());
  return cp932;
}

}  // namespace vostrelle
