#include "LibXmlDocument.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>
#include <string>

namespace equ::posix {

namespace {

struct DocumentDeleter {
  void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using DocumentPtr = std::unique_ptr<xmlDoc, DocumentDeleter>;

struct ParserDeleter {
  void operator()(xmlParserCtxt* parser) const { xmlFreeParserCtxt(parser); }
};
using ParserPtr = std::unique_ptr<xmlParserCtxt, ParserDeleter>;

const xmlChar* Utf8(const std::string& text) {
  return reinterpret_cast<const xmlChar*>(text.c_str());
}

WideString FromXmlChars(const xmlChar* text) {
  return text ? Utf8ToWide(reinterpret_cast<const char*>(text)) : WideString();
}

void AppendChildren(xmlDoc* document, xmlNode* parent, const XmlNode& source) {
  for (const XmlNode& child : source.children) {
    if (child.kind == XmlNode::Kind::kText) {
      xmlAddChild(parent, xmlNewDocText(document, Utf8(WideToUtf8(child.text))));
    } else if (child.kind == XmlNode::Kind::kElement) {
      xmlNode* element = xmlNewDocNode(document, nullptr, Utf8(WideToUtf8(child.name)), nullptr);
      xmlAddChild(parent, element);
      AppendChildren(document, element, child);
    }
  }
}

XmlNode ToXmlNode(const xmlNode* node) {
  XmlNode result;
  switch (node->type) {
    case XML_ELEMENT_NODE:
      result.name = FromXmlChars(node->name);
      for (const xmlNode* child = node->children; child; child = child->next) {
        result.children.push_back(ToXmlNode(child));
      }
      break;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
      result.kind = XmlNode::Kind::kText;
      result.text = FromXmlChars(node->content);
      break;
    default:
      result.kind = XmlNode::Kind::kOther;
      break;
  }
  return result;
}

// The serialized document without libxml2's own declaration line.
std::string BodyOf(const DocumentPtr& document) {
  xmlChar* memory = nullptr;
  int size = 0;
  xmlDocDumpFormatMemoryEnc(document.get(), &memory, &size, "UTF-8", 1);
  std::string text(reinterpret_cast<const char*>(memory), static_cast<std::size_t>(size));
  xmlFree(memory);
  if (text.starts_with("<?xml")) {
    const std::size_t end = text.find("?>");
    text.erase(0, end == std::string::npos ? 0 : text.find_first_not_of("\r\n", end + 2));
  }
  return text;
}

}  // namespace

PortResult<WideString> LibXmlDocument::Serialize(const XmlNode& root,
                                                 std::u16string_view encoding) const {
  DocumentPtr document(xmlNewDoc(Utf8("1.0")));
  if (!document) return PortFailure(u"Не удалось создать XML-документ");
  xmlNode* rootElement =
      xmlNewDocNode(document.get(), nullptr, Utf8(WideToUtf8(root.name)), nullptr);
  xmlDocSetRootElement(document.get(), rootElement);
  AppendChildren(document.get(), rootElement, root);
  // The text is characters; the declaration names the encoding it is to be stored in.
  return u"<?xml version=\"1.0\" encoding=\"" + WideString(encoding) + u"\"?>\n" +
         Utf8ToWide(BodyOf(document));
}

PortResult<XmlNode> LibXmlDocument::Parse(std::u16string_view text) const {
  const std::string utf8 = WideToUtf8(text);
  ParserPtr parser(xmlNewParserCtxt());
  if (!parser) return PortFailure(u"Не удалось создать разборщик XML");
  // The characters are already decoded: whatever encoding the declaration names is ignored.
  const int options =
      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_IGNORE_ENC;
  DocumentPtr document(xmlCtxtReadMemory(parser.get(), utf8.data(), static_cast<int>(utf8.size()),
                                         nullptr, "UTF-8", options));
  const xmlNode* root = document ? xmlDocGetRootElement(document.get()) : nullptr;
  if (!root) {
    const xmlError* error = xmlCtxtGetLastError(parser.get());
    WideString message = u"Ошибка разбора XML";
    if (error && error->message) {
      message += u" (строка " + IntToWide(error->line) + u"): " + Utf8ToWide(error->message);
      while (!message.empty() && (message.back() == u'\n' || message.back() == u' ')) {
        message.pop_back();
      }
    }
    return PortFailure(message);
  }
  return ToXmlNode(root);
}

}  // namespace equ::posix
