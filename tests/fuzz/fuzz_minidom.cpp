// Any bytes into the XML reader: no crash, and a tree it reads must write out and read
// back as the same tree, byte for byte on the second writing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "store/CMiniDOMIO.h"
#include "store/CMiniDOMNode.h"

using namespace vostrelle;

namespace {

struct Reader : CMiniDOMIO {
  using CMiniDOMIO::LoadFromBuffer;
};

// Names the reader can produce but the writer cannot bring back: an empty one, from a
// tag that does not start with a name byte.
bool AllNamed(const CMiniDOMNode& node) {
  if (node.GetName().empty()) return false;
  for (int i = 0; i < CMiniDOMNode::GetChildCount(&node); ++i)
    if (!AllNamed(*CMiniDOMNode::GetChild(&node, i))) return false;
  return true;
}

// Values are written as C strings, so a NUL ends what can come back.
std::string_view Written(const std::string& value) {
  return std::string_view(value).substr(0, value.find('\0'));
}

bool Same(const CMiniDOMNode& a, const CMiniDOMNode& b) {
  if (a.GetName() != b.GetName() || Written(a.GetValue()) != b.GetValue()) return false;
  const int n = CMiniDOMNode::GetChildCount(&a);
  if (n != CMiniDOMNode::GetChildCount(&b)) return false;
  for (int i = 0; i < n; ++i)
    if (!Same(*CMiniDOMNode::GetChild(&a, i), *CMiniDOMNode::GetChild(&b, i))) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CMiniDOMNode root;
  Reader reader;
  if (!reader.LoadFromBuffer(std::string_view(reinterpret_cast<const char*>(data), size), root))
    return 0;
  const CMiniDOMNode* first = CMiniDOMNode::GetChild(&root, 0);
  if (!first || !AllNamed(*first)) return 0;

  const std::string text = CMiniDOMIO::Serialize(root);
  CMiniDOMNode again;
  Reader rereader;
  if (!rereader.LoadFromBuffer(text, again)) std::abort();
  if (CMiniDOMNode::GetChildCount(&again) != 1 || !Same(*first, *CMiniDOMNode::GetChild(&again, 0)))
    std::abort();
  if (CMiniDOMIO::Serialize(again) != text) std::abort();
  return 0;
}
