// The definitions file of TBaseScanners: written and read through the platform's XML service.
#include <string_view>
#include <utility>

#include "equipment/common/Exceptions.h"
#include "platform/XmlDocument.h"
#include "scanner/keyboard/BaseScanners.h"

namespace equ {

namespace {

constexpr char16_t kRootName[] = u"scanners";
constexpr char16_t kItemName[] = u"item";
constexpr char16_t kPrefixName[] = u"prefix";
constexpr char16_t kPostfixName[] = u"postfix";
constexpr char16_t kEncoding[] = u"windows-1251";

XmlNode TextElement(const char16_t* name, const WideString& text) {
  XmlNode element = XmlNode::Element(name);
  if (!text.empty()) element.children.push_back(XmlNode::Text(text));
  return element;
}

const XmlNode* FirstChildElement(const XmlNode& parent, std::u16string_view name) {
  for (const XmlNode& child : parent.children) {
    if (child.kind == XmlNode::Kind::kElement && child.name == name) return &child;
  }
  return nullptr;
}

// The text of the first child element `name`; empty when there is none. An element that holds
// elements has no text of its own, and that is an error of the file.
WideString ChildText(const XmlNode& item, std::u16string_view name) {
  const XmlNode* element = FirstChildElement(item, name);
  if (!element) return {};
  WideString text;
  for (const XmlNode& child : element->children) {
    if (child.kind == XmlNode::Kind::kElement) {
      throw Exception(u"Элемент \"" + WideString(name) +
                      u"\" содержит вложенные элементы вместо текста");
    }
    if (child.kind == XmlNode::Kind::kText) text += child.text;
  }
  return text;
}

}  // namespace

WideString TBaseScanners::SaveToXML() const {
  XmlNode root = XmlNode::Element(kRootName);
  for (const auto& scanner : FItems) {
    XmlNode item = XmlNode::Element(kItemName);
    item.children.push_back(TextElement(kPrefixName, scanner->Prefix()));
    item.children.push_back(TextElement(kPostfixName, scanner->Postfix()));
    root.children.push_back(std::move(item));
  }
  PortResult<WideString> text = FXml->Serialize(root, kEncoding);
  if (!text) throw Exception(text.error());
  return std::move(*text);
}

void TBaseScanners::LoadFromXML(const WideString& text) {
  Clear();
  if (text.empty()) return;
  const PortResult<XmlNode> root = FXml->Parse(text);
  if (!root) throw Exception(root.error());
  // Comments, processing instructions and the blanks between items are no definitions.
  for (const XmlNode& item : root->children) {
    if (item.kind != XmlNode::Kind::kElement) continue;
    WideString prefix = ChildText(item, kPrefixName);
    WideString postfix = ChildText(item, kPostfixName);
    Add(prefix, postfix);
  }
}

}  // namespace equ
