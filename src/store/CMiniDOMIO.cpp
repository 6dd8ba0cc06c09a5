#include "store/CMiniDOMIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "store/CMiniDOMIOException.h"

namespace vostrelle {
namespace {

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n";

bool IsNameByte(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

void AppendEscaped(std::string& out, const std::string& value) {
  // The value counts up to its first NUL, as a C string would.
  for (char c : value) {
    if (c == '\0') break;
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out.push_back(c);
  }
}

void AppendElement(std::string& out, const CMiniDOMNode& node) {
  out += '<';
  out += node.GetName();
  out += '>';
  AppendEscaped(out, node.GetValue());
  for (int i = 0; i < CMiniDOMNode::GetChildCount(&node); ++i)
    AppendElement(out, *CMiniDOMNode::GetChild(&node, i));
  out += "</";
  out += node.GetName();
  out += '>';
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// The mode the file would get if created in place: the old file's, else 0666 less the
// umask. The umask is read, not set and restored, because other threads create files.
mode_t NewFileMode(const std::string& native) {
  struct stat st;
  if (::stat(native.c_str(), &st) == 0) return st.st_mode & 07777;
  mode_t mask = 022;
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("Umask:", 0) == 0)
      mask = static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  return 0666 & ~mask;
}

// Makes the rename itself durable.
void SyncFolderOf(const std::string& native) {
  size_t slash = native.rfind('/');
  std::string folder = slash == std::string::npos ? "." : native.substr(0, slash == 0 ? 1 : slash);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace

CMiniDOMIO::~CMiniDOMIO() = default;

bool CMiniDOMIO::LoadDocument(std::string_view path, CMiniDOMNode& root) {
  std::string native;
  if (!ToNativePath(path, native)) return false;
  std::ifstream file(native, std::ios::binary);
  if (!file) return false;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return LoadFromBuffer(bytes, root);
}

bool CMiniDOMIO::LoadFromBuffer(std::string_view bytes, CMiniDOMNode& root) {
  input_ = bytes;
  pos_ = 0;
  current_ = 0;
  pushedBack_ = false;
  bool ok = true;
  try {
    ReadDocument(root);
  } catch (const CMiniDOMIOException& e) {
    error_ = "読込エラー: "_sjis + e.Message();
    ok = false;
  }
  input_ = {};
  return ok;
}

bool CMiniDOMIO::Take() {
  if (pushedBack_) {
    pushedBack_ = false;
    return true;
  }
  if (pos_ >= input_.size()) return false;
  current_ = input_[pos_++];
  return true;
}

char CMiniDOMIO::TakeInside() {
  if (!Take()) throw CMiniDOMIOException("読み込み中に終端に到達しました。"_sjis);
  return current_;
}

void CMiniDOMIO::ReadDocument(CMiniDOMNode& root) {
  while (Take()) {
    if (current_ != '<') continue;  // blanks, line ends, a BOM, stray text
    char c = TakeInside();
    if (c == '>') continue;
    if (c == '?') {
      ReadDeclaration();
      continue;
    }
    PushBack();
    ReadElement(root, 1);
  }
}

void CMiniDOMIO::ReadDeclaration() {
  while (TakeInside() != '?') {
  }
  if (TakeInside() != '>') throw CMiniDOMIOException("\">\"が存在しません。"_sjis);
}

void CMiniDOMIO::ReadElement(CMiniDOMNode& parent, int depth) {
  if (depth > kMaxDepth) throw CMiniDOMIOException("要素の入れ子が深すぎます。"_sjis);
  std::string startName = ReadTagName();
  // The node joins the tree at once so that a later failure keeps it.
  CMiniDOMNode* node = parent.AddChild(startName);
  ReadContent(*node, depth);
  if (ReadTagName() != startName)
    throw CMiniDOMIOException("終了タグと開始タグが一致していません。"_sjis);
}

std::string CMiniDOMIO::ReadTagName() {
  char c = TakeInside();
  if (c == '>') throw CMiniDOMIOException("名前が存在しません。"_sjis);
  std::string name;
  while (IsNameByte(c)) {
    name.push_back(c);
    c = TakeInside();
  }
  // Attributes, blanks and the '/' of an empty-element tag are skipped unread.
  while (c != '>') c = TakeInside();
  return name;
}

void CMiniDOMIO::ReadContent(CMiniDOMNode& node, int depth) {
  std::string text;
  for (;;) {
    char c = TakeInside();
    if (c == '&') {
      text.push_back(ReadEntity());
    } else if (c == '<') {
      if (TakeInside() == '/') {
        node.SetValue(std::move(text));
        return;
      }
      PushBack();
      ReadElement(node, depth + 1);
    } else {
      text.push_back(c);
    }
  }
}

char CMiniDOMIO::ReadEntity() {
  std::string name;
  for (char c = TakeInside(); c != ';'; c = TakeInside()) name.push_back(c);
  if (name == "lt") return '<';
  if (name == "gt") return '>';
  if (name == "amp") return '&';
  throw CMiniDOMIOException("未対応の特殊文字です。"_sjis);
}

std::string CMiniDOMIO::Serialize(const CMiniDOMNode& root) {
  std::string out = kDeclaration;
  if (const CMiniDOMNode* first = CMiniDOMNode::GetChild(&root, 0)) AppendElement(out, *first);
  return out;
}

bool CMiniDOMIO::SaveDocument(std::string_view path, const CMiniDOMNode& root) {
  std::string native;
  if (!ToNativePath(path, native)) return false;
  const std::string text = Serialize(root);

  // A temporary file beside the target, renamed over it once complete.
  std::string tempPath = native + ".XXXXXX";
  int fd = ::mkstemp(tempPath.data());
  if (fd < 0) return false;
  ::fchmod(fd, NewFileMode(native));

  bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(tempPath.c_str(), native.c_str()) == 0;
  if (ok) SyncFolderOf(native);
  if (!ok) {
    ::unlink(tempPath.c_str());
    error_ = "書込エラー: "_sjis + "出力に失敗しました。"_sjis;
  }
  return ok;
}

}  // namespace vostrelle
