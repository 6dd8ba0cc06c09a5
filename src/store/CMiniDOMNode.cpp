#include "store/CMiniDOMNode.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace vostrelle {

CMiniDOMNode::CMiniDOMNode(std::string name) : name_(std::move(name)) {}

CMiniDOMNode::~CMiniDOMNode() = default;

CMiniDOMNode* CMiniDOMNode::AddChild(std::string name) {
  children_.push_back(std::make_unique<CMiniDOMNode>(std::move(name)));
  return children_.back().get();
}

void CMiniDOMNode::SetInt(int value) {
  value_ = std::to_string(value);
}

void CMiniDOMNode::SetBinary(const std::vector<unsigned char>& data) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(data.size() * 2);
  for (unsigned char byte : data) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0x0F]);
  }
  value_ = std::move(text);
}

const CMiniDOMNode* CMiniDOMNode::FindChild(const CMiniDOMNode* node, std::string_view name) {
  if (!node) return nullptr;
  for (const auto& child : node->children_)
    if (child->name_ == name) return child.get();
  return nullptr;
}

int CMiniDOMNode::GetChildCount(const CMiniDOMNode* node) {
  return node ? static_cast<int>(node->children_.size()) : 0;
}

const CMiniDOMNode* CMiniDOMNode::GetChild(const CMiniDOMNode* node, int index) {
  if (!node || index < 0 || index >= GetChildCount(node)) return nullptr;
  return node->children_[static_cast<size_t>(index)].get();
}

bool CMiniDOMNode::GetInt(const CMiniDOMNode* node, int& value) {
  if (!node) return false;
  // atoi without its undefined overflow: saturate like strtol does.
  errno = 0;
  long long parsed = std::strtoll(node->value_.c_str(), nullptr, 10);
  if (parsed > INT_MAX) parsed = INT_MAX;
  if (parsed < INT_MIN) parsed = INT_MIN;
  value = static_cast<int>(parsed);
  return true;
}

bool CMiniDOMNode::GetBinary(const CMiniDOMNode* node, std::vector<unsigned char>& data) {
  if (!node) return false;
  const std::string& text = node->value_;
  data.resize(text.size() / 2);
  for (size_t i = 0; i < data.size(); ++i) {
    const char pair[3] = {text[2 * i], text[2 * i + 1], '\0'};
    data[i] = static_cast<unsigned char>(std::strtoul(pair, nullptr, 16));
  }
  return true;
}

}  // namespace vostrelle
