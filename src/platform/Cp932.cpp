#include "Cp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <mutex>

namespace vostrelle {

std::size_t FindMultibyte(std::string_view text, std::string_view needle, std::size_t from) {
  const std::size_t n = text.size();
  if (from > n) return std::string_view::npos;
  if (needle.empty()) return from;
  // A plain byte search finds candidates fast; the character walk, which only ever
  // moves forward, tells whether a candidate starts on a character.
  std::size_t boundary = from;
  for (std::size_t pos = from;;) {
    const std::size_t hit = text.find(needle, pos);
    if (hit == std::string_view::npos) return hit;
    while (boundary < hit)
      boundary +=
          (IsLeadByte(static_cast<unsigned char>(text[boundary])) && boundary + 1 < n) ? 2 : 1;
    if (boundary == hit) return hit;
    pos = hit + 1;
  }
}

bool EndsWithSingleByte(std::string_view text, char c) {
  std::size_t pos = 0;
  std::size_t last = std::string_view::npos;
  while (pos < text.size()) {
    last = pos;
    pos += (IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
  }
  return last != std::string_view::npos && last == text.size() - 1 && text[last] == c;
}

std::string_view TruncateCp932(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t pos = 0;
  while (pos < maxBytes) {
    std::size_t len = IsLeadByte(static_cast<unsigned char>(text[pos])) ? 2 : 1;
    if (pos + len > maxBytes) break;
    pos += len;
  }
  return text.substr(0, pos);
}

namespace {

// glibc's CP932 table lacks five single bytes that Windows maps to U+0080 and to the
// private-use points U+F8F0-U+F8F3; they are handled here by hand.
bool ExtraByteToCodePoint(unsigned char b, char32_t& cp) {
  switch (b) {
    case 0x80:
      cp = 0x0080;
      return true;
    case 0xA0:
      cp = 0xF8F0;
      return true;
    case 0xFD:
      cp = 0xF8F1;
      return true;
    case 0xFE:
      cp = 0xF8F2;
      return true;
    case 0xFF:
      cp = 0xF8F3;
      return true;
    default:
      return false;
  }
}

bool CodePointToExtraByte(char32_t cp, unsigned char& b) {
  switch (cp) {
    case 0x0080:
      b = 0x80;
      return true;
    case 0xF8F0:
      b = 0xA0;
      return true;
    case 0xF8F1:
      b = 0xFD;
      return true;
    case 0xF8F2:
      b = 0xFE;
      return true;
    case 0xF8F3:
      b = 0xFF;
      return true;
    default:
      return false;
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence at pos; returns its length, 0 when invalid.
std::size_t DecodeUtf8(std::string_view s, std::size_t pos, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  std::size_t len;
  char32_t min;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  if ((b0 & 0xE0) == 0xC0) {
    len = 2;
    cp = b0 & 0x1F;
    min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    cp = b0 & 0x0F;
    min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4;
    cp = b0 & 0x07;
    min = 0x10000;
  } else
    return 0;
  if (pos + len > s.size()) return 0;
  for (std::size_t i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

// One iconv descriptor per direction, shared; iconv state is reset before each use and
// the descriptors are used under a lock (conversions are short).
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  // Converts one character's bytes; false when iconv cannot.
  bool Convert(std::string_view in, std::string& out) {
    std::lock_guard lock(mutex_);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buf[16];
    char* inp = const_cast<char*>(in.data());
    std::size_t inleft = in.size();
    char* outp = buf;
    std::size_t outleft = sizeof buf;
    if (iconv(cd_, &inp, &inleft, &outp, &outleft) == static_cast<std::size_t>(-1) || inleft != 0)
      return false;
    out.append(buf, outp);
    return true;
  }

 private:
  iconv_t cd_;
  std::mutex mutex_;
};

Converter& ToUtf8() {
  static Converter c("UTF-8", "CP932");
  return c;
}
Converter& FromUtf8() {
  static Converter c("CP932", "UTF-8");
  return c;
}

// Decodes the CP932 character at pos into out; returns its byte length, 0 when the
// byte at pos starts no valid character.
std::size_t DecodeCp932Char(std::string_view s, std::size_t pos, std::string& out) {
  const auto b = static_cast<unsigned char>(s[pos]);
  char32_t cp;
  if (b < 0x80) {
    out += static_cast<char>(b);
    return 1;
  }
  if (ExtraByteToCodePoint(b, cp)) {
    AppendUtf8(out, cp);
    return 1;
  }
  const std::size_t len = IsLeadByte(b) ? 2 : 1;
  if (pos + len > s.size()) return 0;
  return ToUtf8().Convert(s.substr(pos, len), out) ? len : 0;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out;
  out.reserve(cp932.size() * 3 / 2);
  for (std::size_t pos = 0; pos < cp932.size();) {
    const std::size_t len = DecodeCp932Char(cp932, pos, out);
    if (len == 0) {
      AppendUtf8(out, 0xFFFD);
      ++pos;  // skip one byte and go on
    } else {
      pos += len;
    }
  }
  return out;
}

bool Cp932ToUtf8Exact(std::string_view cp932, std::string& out) {
  out.clear();
  for (std::size_t pos = 0; pos < cp932.size();) {
    const std::size_t len = DecodeCp932Char(cp932, pos, out);
    if (len == 0) return false;
    pos += len;
  }
  return true;
}

namespace {

// Encodes one code point (given with its UTF-8 bytes) to CP932; false when impossible.
bool EncodeChar(char32_t cp, std::string_view utf8, std::string& out) {
  unsigned char b;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
    return true;
  }
  if (CodePointToExtraByte(cp, b)) {
    out += static_cast<char>(b);
    return true;
  }
  return FromUtf8().Convert(utf8, out);
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8, bool* lossless) {
  std::string out;
  out.reserve(utf8.size());
  bool exact = true;
  for (std::size_t pos = 0; pos < utf8.size();) {
    char32_t cp;
    std::size_t len = DecodeUtf8(utf8, pos, cp);
    if (len == 0) {
      out += '?';
      exact = false;
      ++pos;
      continue;
    }
    if (!EncodeChar(cp, utf8.substr(pos, len), out)) {
      out += '?';
      exact = false;
    }
    pos += len;
  }
  if (lossless) *lossless = exact;
  return out;
}

bool Utf8ToCp932Exact(std::string_view utf8, std::string& out) {
  bool exact = false;
  out = Utf8ToCp932(utf8, &exact);
  return exact;
}

}  // namespace vostrelle
