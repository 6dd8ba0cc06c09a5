#pragma once
// Reader and writer of the XML subset the settings and tips use: nested elements with
// text, the entities lt/gt/amp, a declaration. CP932 text passes through unchanged.

#include <cstddef>
#include <string>
#include <string_view>

#include "store/CMiniDOMNode.h"

namespace vostrelle {

class CMiniDOMIO {
 public:
  // Deeper nesting is a read failure rather than unbounded recursion.
  static constexpr int kMaxDepth = 32;

  CMiniDOMIO() = default;
  virtual ~CMiniDOMIO();
  CMiniDOMIO(const CMiniDOMIO&) = delete;
  CMiniDOMIO& operator=(const CMiniDOMIO&) = delete;

  // path is CP932. Appends what it reads to root's children; root is not cleared.
  bool LoadDocument(std::string_view path, CMiniDOMNode& root);
  // Writes the declaration and root's first child. The file is replaced only once the
  // whole text is on disk, so a failed save leaves the old file whole.
  bool SaveDocument(std::string_view path, const CMiniDOMNode& root);

  const std::string& GetErrorText() const { return error_; }

  // The whole text SaveDocument writes.
  static std::string Serialize(const CMiniDOMNode& root);

 protected:
  // Parses exactly these bytes; sets the error text on failure.
  bool LoadFromBuffer(std::string_view bytes, CMiniDOMNode& root);

 private:
  void ReadDocument(CMiniDOMNode& root);
  void ReadDeclaration();
  void ReadElement(CMiniDOMNode& parent, int depth);
  std::string ReadTagName();
  void ReadContent(CMiniDOMNode& node, int depth);
  char ReadEntity();
  // Takes the next byte (or the pushed-back one); false at the end of the input.
  bool Take();
  // Takes the next byte inside markup, where the end of the input is an error.
  char TakeInside();
  void PushBack() { pushedBack_ = true; }

  std::string error_;
  std::string_view input_;
  size_t pos_ = 0;
  char current_ = 0;
  bool pushedBack_ = false;
};

}  // namespace vostrelle
