#include "WinXmlDocument.h"

#include <windows.h>
#include <msxml2.h>
#include <objbase.h>

#include "WinText.h"
#include "equipment/common/Exceptions.h"

namespace equ::win32 {

namespace {

// Owns one COM interface reference.
template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { Reset(); }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ComRef(ComRef&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
  ComRef& operator=(ComRef&&) = delete;
  T* operator->() const { return pointer_; }
  T* get() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  T** Out() {
    Reset();
    return &pointer_;
  }
  void Reset() {
    if (pointer_) pointer_->Release();
    pointer_ = nullptr;
  }

 private:
  T* pointer_ = nullptr;
};

// Owns one BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const WideString& text) : text_(AllocBstr(text)) {}
  ~Bstr() { SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return text_; }
  BSTR* Out() {
    SysFreeString(text_);
    text_ = nullptr;
    return &text_;
  }
  WideString Text() const { return FromBstr(text_); }

 private:
  BSTR text_ = nullptr;
};

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

void Check(HRESULT result, const char16_t* what) {
  if (FAILED(result)) {
    throw Exception(WideString(what) + u": " + SystemErrorText(static_cast<DWORD>(result)));
  }
}

ComRef<IXMLDOMDocument> NewDocument() {
  CLSID classId{};
  if (FAILED(CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &classId))) {
    Check(CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &classId), u"Служба MSXML не установлена");
  }
  ComRef<IXMLDOMDocument> document;
  Check(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                         reinterpret_cast<void**>(document.Out())),
        u"Не удалось создать XML-документ");
  return document;
}

void AppendChild(IXMLDOMNode* parent, IXMLDOMNode* child) {
  ComRef<IXMLDOMNode> added;
  Check(parent->appendChild(child, added.Out()), u"Ошибка построения XML");
}

void AppendChildren(IXMLDOMDocument* document, IXMLDOMNode* parent, const XmlNode& source) {
  for (const XmlNode& child : source.children) {
    if (child.kind == XmlNode::Kind::kText) {
      ComRef<IXMLDOMText> text;
      Check(document->createTextNode(Bstr(WithCarriageReturnsMarked(child.text)).get(), text.Out()),
            u"Ошибка построения XML");
      AppendChild(parent, text.get());
    } else if (child.kind == XmlNode::Kind::kElement) {
      ComRef<IXMLDOMElement> element;
      Check(document->createElement(Bstr(child.name).get(), element.Out()),
            u"Ошибка построения XML");
      AppendChild(parent, element.get());
      AppendChildren(document, element.get(), child);
    }
  }
}

XmlNode ToXmlNode(IXMLDOMNode* node) {
  XmlNode result;
  DOMNodeType type = NODE_INVALID;
  node->get_nodeType(&type);
  if (type == NODE_TEXT || type == NODE_CDATA_SECTION) {
    result.kind = XmlNode::Kind::kText;
    Bstr text;
    node->get_text(text.Out());
    result.text = text.Text();
    return result;
  }
  if (type != NODE_ELEMENT) {
    result.kind = XmlNode::Kind::kOther;
    return result;
  }
  Bstr name;
  node->get_nodeName(name.Out());
  result.name = name.Text();
  ComRef<IXMLDOMNodeList> children;
  long count = 0;
  if (SUCCEEDED(node->get_childNodes(children.Out())) && children) children->get_length(&count);
  for (long i = 0; i < count; ++i) {
    ComRef<IXMLDOMNode> child;
    if (SUCCEEDED(children->get_item(i, child.Out())) && child) {
      result.children.push_back(ToXmlNode(child.get()));
    }
  }
  return result;
}

WideString ParseErrorText(IXMLDOMDocument* document) {
  WideString message = u"Ошибка разбора XML";
  ComRef<IXMLDOMParseError> error;
  if (FAILED(document->get_parseError(error.Out())) || !error) return message;
  long line = 0;
  Bstr reason;
  error->get_line(&line);
  error->get_reason(reason.Out());
  message += u" (строка " + IntToWide(line) + u"): " + reason.Text();
  while (!message.empty() && message.back() <= u' ') message.pop_back();
  return message;
}

}  // namespace

WideString WinXmlDocument::Serialize(const XmlNode& root, std::u16string_view encoding) const {
  ScopedComApartment apartment;
  ComRef<IXMLDOMDocument> document = NewDocument();
  ComRef<IXMLDOMProcessingInstruction> declaration;
  const WideString data = u"version=\"1.0\" encoding=\"" + WideString(encoding) + u"\"";
  Check(document->createProcessingInstruction(Bstr(u"xml").get(), Bstr(data).get(),
                                              declaration.Out()),
        u"Ошибка построения XML");
  AppendChild(document.get(), declaration.get());
  ComRef<IXMLDOMElement> rootElement;
  Check(document->createElement(Bstr(root.name).get(), rootElement.Out()),
        u"Ошибка построения XML");
  AppendChild(document.get(), rootElement.get());
  AppendChildren(document.get(), rootElement.get(), root);
  Bstr text;
  Check(document->get_xml(text.Out()), u"Ошибка записи XML");
  return WithCarriageReturnsReferenced(text.Text());
}

XmlNode WinXmlDocument::Parse(std::u16string_view text) const {
  ScopedComApartment apartment;
  ComRef<IXMLDOMDocument> document = NewDocument();
  document->put_async(VARIANT_FALSE);
  document->put_validateOnParse(VARIANT_FALSE);
  document->put_resolveExternals(VARIANT_FALSE);
  // Blanks inside "prefix" and "postfix" are data.
  document->put_preserveWhiteSpace(VARIANT_TRUE);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const HRESULT result = document->loadXML(Bstr(WideString(text)).get(), &loaded);
  if (FAILED(result) || loaded != VARIANT_TRUE) throw Exception(ParseErrorText(document.get()));
  ComRef<IXMLDOMElement> rootElement;
  if (FAILED(document->get_documentElement(rootElement.Out())) || !rootElement) {
    throw Exception(u"В XML нет корневого элемента");
  }
  return ToXmlNode(rootElement.get());
}

}  // namespace equ::win32
