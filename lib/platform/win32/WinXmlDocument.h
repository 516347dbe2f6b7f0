#pragma once

#include "platform/XmlDocument.h"

namespace equ::win32 {

// The XML document service of Windows: an MSXML DOMDocument made through COM for each call.
// A thread without COM is given an apartment for the length of the call.
class WinXmlDocument : public XmlDocument {
 public:
  PortResult<WideString> Serialize(const XmlNode& root,
                                   std::u16string_view encoding) const override;
  PortResult<XmlNode> Parse(std::u16string_view text) const override;
};

}  // namespace equ::win32
