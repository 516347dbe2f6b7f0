#include "WinXmlDocument.h"

#include <windows.h>
#include <msxml2.h>
#include <objbase.h>

#include "WinHandles.h"
#include "WinText.h"

namespace equ::win32 {

namespace {

// A COM apartment for the calling thread when it has none yet.
class ScopedComApartment {
 public:
  ScopedComApartment()
      : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ScopedComApartment() {
    if (initialized_) CoUninitialize();
  }
  ScopedComApartment(const ScopedComApartment&) = delete;
  ScopedComApartment& operator=(const ScopedComApartment&) = delete;

 private:
  bool initialized_;
};

// MSXML writes a CR of a text node as it is, and every parser reads it back as LF. Text CRs
// therefore go in as a private-use stand-in, which becomes the character reference "&#13;" in
// the written document.
constexpr char16_t kCarriageReturnStandIn = u'\uE00D';
constexpr char16_t kCarriageReturnReference[] = u"&#13;";

WideString WithCarriageReturnsMarked(WideString text) {
  for (char16_t& c : text) {
    if (c == u'\r') c = kCarriageReturnStandIn;
  }
  return text;
}

WideString WithCarriageReturnsReferenced(const WideString& text) {
  WideString result;
  result.reserve(text.size());
  for (char16_t c : text) {
    if (c == kCarriageReturnStandIn) {
      result += kCarriageReturnReference;
    } else {
      result += c;
    }
  }
  return result;
}

PortStatus Check(HRESULT result, const char16_t* what) {
  if (SUCCEEDED(result)) return {};
  return PortFailure(WideString(what) + u": " + SystemErrorText(static_cast<DWORD>(result)));
}

constexpr char16_t kBuildError[] = u"Ошибка построения XML";

PortResult<ComPtr<IXMLDOMDocument>> NewDocument() {
  CLSID classId{};
  if (FAILED(CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &classId))) {
    const PortStatus found =
        Check(CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &classId), u"Служба MSXML не установлена");
    if (!found) return PortFailure(found.error());
  }
  ComPtr<IXMLDOMDocument> document;
  const PortStatus created = Check(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER,
                                                    IID_IXMLDOMDocument, document.put_void()),
                                   u"Не удалось создать XML-документ");
  if (!created) return PortFailure(created.error());
  return document;
}

PortStatus AppendChild(IXMLDOMNode* parent, IXMLDOMNode* child) {
  ComPtr<IXMLDOMNode> added;
  return Check(parent->appendChild(child, added.put()), kBuildError);
}

PortStatus AppendChildren(IXMLDOMDocument* document, IXMLDOMNode* parent, const XmlNode& source) {
  for (const XmlNode& child : source.children) {
    if (child.kind == XmlNode::Kind::kText) {
      ComPtr<IXMLDOMText> text;
      const Bstr content(WithCarriageReturnsMarked(child.text));
      PortStatus step = Check(document->createTextNode(content.get(), text.put()), kBuildError);
      if (step) step = AppendChild(parent, text.get());
      if (!step) return step;
    } else if (child.kind == XmlNode::Kind::kElement) {
      ComPtr<IXMLDOMElement> element;
      const Bstr name(child.name);
      PortStatus step = Check(document->createElement(name.get(), element.put()), kBuildError);
      if (step) step = AppendChild(parent, element.get());
      if (step) step = AppendChildren(document, element.get(), child);
      if (!step) return step;
    }
  }
  return {};
}

XmlNode ToXmlNode(IXMLDOMNode* node) {
  XmlNode result;
  DOMNodeType type = NODE_INVALID;
  node->get_nodeType(&type);
  if (type == NODE_TEXT || type == NODE_CDATA_SECTION) {
    result.kind = XmlNode::Kind::kText;
    Bstr text;
    node->get_text(text.put());
    result.text = text.Text();
    return result;
  }
  if (type != NODE_ELEMENT) {
    result.kind = XmlNode::Kind::kOther;
    return result;
  }
  Bstr name;
  node->get_nodeName(name.put());
  result.name = name.Text();
  ComPtr<IXMLDOMNodeList> children;
  long count = 0;
  if (SUCCEEDED(node->get_childNodes(children.put())) && children) {
    children->get_length(&count);
  }
  for (long i = 0; i < count; ++i) {
    ComPtr<IXMLDOMNode> child;
    if (SUCCEEDED(children->get_item(i, child.put())) && child) {
      result.children.push_back(ToXmlNode(child.get()));
    }
  }
  return result;
}

WideString ParseErrorText(IXMLDOMDocument* document) {
  WideString message = u"Ошибка разбора XML";
  ComPtr<IXMLDOMParseError> error;
  if (FAILED(document->get_parseError(error.put())) || !error) return message;
  long line = 0;
  Bstr reason;
  error->get_line(&line);
  error->get_reason(reason.put());
  message += u" (строка " + IntToWide(line) + u"): " + reason.Text();
  while (!message.empty() && message.back() <= u' ') message.pop_back();
  return message;
}

}  // namespace

PortResult<WideString> WinXmlDocument::Serialize(const XmlNode& root,
                                                 std::u16string_view encoding) const {
  ScopedComApartment apartment;
  PortResult<ComPtr<IXMLDOMDocument>> made = NewDocument();
  if (!made) return PortFailure(made.error());
  IXMLDOMDocument* document = made->get();
  ComPtr<IXMLDOMProcessingInstruction> declaration;
  const Bstr target(u"xml");
  const Bstr data(u"version=\"1.0\" encoding=\"" + WideString(encoding) + u"\"");
  PortStatus step =
      Check(document->createProcessingInstruction(target.get(), data.get(), declaration.put()),
            kBuildError);
  if (step) step = AppendChild(document, declaration.get());
  ComPtr<IXMLDOMElement> rootElement;
  const Bstr rootName(root.name);
  if (step) {
    step = Check(document->createElement(rootName.get(), rootElement.put()), kBuildError);
  }
  if (step) step = AppendChild(document, rootElement.get());
  if (step) step = AppendChildren(document, rootElement.get(), root);
  Bstr text;
  if (step) step = Check(document->get_xml(text.put()), u"Ошибка записи XML");
  if (!step) return PortFailure(step.error());
  return WithCarriageReturnsReferenced(text.Text());
}

PortResult<XmlNode> WinXmlDocument::Parse(std::u16string_view text) const {
  ScopedComApartment apartment;
  PortResult<ComPtr<IXMLDOMDocument>> made = NewDocument();
  if (!made) return PortFailure(made.error());
  IXMLDOMDocument* document = made->get();
  document->put_async(VARIANT_FALSE);
  document->put_validateOnParse(VARIANT_FALSE);
  document->put_resolveExternals(VARIANT_FALSE);
  // Blanks inside "prefix" and "postfix" are data.
  document->put_preserveWhiteSpace(VARIANT_TRUE);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const Bstr source{WideString(text)};
  const HRESULT result = document->loadXML(source.get(), &loaded);
  if (FAILED(result) || loaded != VARIANT_TRUE) return PortFailure(ParseErrorText(document));
  ComPtr<IXMLDOMElement> rootElement;
  if (FAILED(document->get_documentElement(rootElement.put())) || !rootElement) {
    return PortFailure(u"В XML нет корневого элемента");
  }
  return ToXmlNode(rootElement.get());
}

}  // namespace equ::win32
