#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "equipment/common/WideString.h"
#include "platform/PortResult.h"

namespace equ {

// A node of an XML tree held in memory: an element with its children, a run of text, or
// anything else (comment, processing instruction), which carries nothing.
struct XmlNode {
  enum class Kind { kElement, kText, kOther };
  Kind kind = Kind::kElement;
  WideString name;  // element name
  WideString text;  // text of a text node
  std::vector<XmlNode> children;

  static XmlNode Element(WideString elementName) {
    XmlNode node;
    node.name = std::move(elementName);
    return node;
  }
  static XmlNode Text(WideString content) {
    XmlNode node;
    node.kind = Kind::kText;
    node.text = std::move(content);
    return node;
  }
};

// The platform's XML document service: writes a whole document from a tree and reads one back.
// Special characters are escaped and unescaped by the service.
class XmlDocument {
 public:
  virtual ~XmlDocument() = default;
  // The document text: the declaration <?xml version="1.0" encoding="..."?> and the root.
  virtual PortResult<WideString> Serialize(const XmlNode& root,
                                           std::u16string_view encoding) const = 0;
  // The root element of the document in `text` (whatever encoding its declaration names: the
  // text is already characters); the parser's message when `text` is not well-formed.
  virtual PortResult<XmlNode> Parse(std::u16string_view text) const = 0;
};

}  // namespace equ
