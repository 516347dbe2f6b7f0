#pragma once

#include "platform/XmlDocument.h"

namespace equ::posix {

// The XML document service of the POSIX build, over libxml2.
class LibXmlDocument : public XmlDocument {
 public:
  PortResult<WideString> Serialize(const XmlNode& root,
                                   std::u16string_view encoding) const override;
  PortResult<XmlNode> Parse(std::u16string_view text) const override;
};

}  // namespace equ::posix
