#pragma once
// One element of the small XML tree. A parent owns its children. Queries are static and
// accept a null node so that callers can chain lookups without checking each step.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vostrelle {

class CMiniDOMNode {
 public:
  explicit CMiniDOMNode(std::string name = {});
  virtual ~CMiniDOMNode();
  CMiniDOMNode(const CMiniDOMNode&) = delete;
  CMiniDOMNode& operator=(const CMiniDOMNode&) = delete;

  // Always appends, even when a child of that name exists.
  CMiniDOMNode* AddChild(std::string name);

  const std::string& GetName() const { return name_; }
  const std::string& GetValue() const { return value_; }
  void SetValue(std::string value) { value_ = std::move(value); }
  void SetInt(int value);
  void SetBinary(const std::vector<unsigned char>& data);

  // First child whose name matches exactly; null for a null node or no match.
  static const CMiniDOMNode* FindChild(const CMiniDOMNode* node, std::string_view name);
  static int GetChildCount(const CMiniDOMNode* node);
  static const CMiniDOMNode* GetChild(const CMiniDOMNode* node, int index);
  // atoi of the value; value left untouched (and false) for a null node.
  static bool GetInt(const CMiniDOMNode* node, int& value);
  // Two hexadecimal digits per byte, each pair read with strtoul; an odd last digit is
  // dropped. Buffer left untouched (and false) for a null node.
  static bool GetBinary(const CMiniDOMNode* node, std::vector<unsigned char>& data);

 private:
  std::string name_;
  std::string value_;
  std::vector<std::unique_ptr<CMiniDOMNode>> children_;
};

}  // namespace vostrelle
