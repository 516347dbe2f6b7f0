#include "VariantText.h"

#include <vector>

#include "NumberText.h"
#include "SafeArray.h"
#include "platform/AutomationObject.h"
#include "platform/PlatformPorts.h"
#include "platform/UserLocale.h"

namespace equ {

namespace {

constexpr int kTracePrecision = 15;

WideString QuotedText(const WideString& text) {
  return u"'" + EscapeLineBreaks(text) + u"'";
}

WideString ArrayText(const Variant& value);

WideString SimpleText(const Variant& v) {
  const char16_t separator = Platform().locale->DecimalSeparator();
  switch (v.Type()) {
    case VarType::Empty:
      return v.IsOpaque() ? WideString() : u"EMPTY";
    case VarType::Null:
      return u"NULL";
    case VarType::I2:
    case VarType::I4:
      return IntToWide(v.RawInt());
    case VarType::R4:
    case VarType::R8:
      return FormatGeneral(v.RawReal(), kTracePrecision, separator);
    case VarType::Currency:
      return FormatGeneral(static_cast<double>(v.RawInt()) / 10000.0, kTracePrecision, separator);
    case VarType::Date:
      return Platform().locale->DateTimeToText(Date{v.RawReal()});
    case VarType::String:
      return QuotedText(v.RawString());
    case VarType::Dispatch:
      return u"$" + UIntToHex(v.Object() ? v.Object()->Address() : 0, 8);
    case VarType::Bool:
      return v.RawInt() != 0 ? u"True" : u"False";
    case VarType::UI1:
      return WideString(1, static_cast<char16_t>(v.RawInt() & 0xFF));
    default:
      return WideString();
  }
}

// The referenced value of a variant reference, as plain text: strings without quotes, Empty
// and Null as the empty text.
WideString PlainText(const Variant& v) {
  if (v.IsArray()) return ArrayText(v);
  if (v.IsByRef())
    return v.IsVariantReference() ? PlainText(*v.Referent()) : SimpleText(*v.Referent());
  if (v.IsOpaque()) return WideString();
  switch (v.Type()) {
    case VarType::Empty:
    case VarType::Null:
      return WideString();
    case VarType::String:
      return v.RawString();
    default:
      return SimpleText(v);
  }
}

// G(k) of the array form: group k runs over dimension k (1-based), with dimension 1 innermost.
void AppendGroup(const SafeArray& array, std::size_t k, std::vector<std::int32_t>& index,
                 WideString& out) {
  const ArrayBound& bound = array.Bounds()[k - 1];
  out += u'(';
  for (std::int64_t i = bound.lower; i <= bound.Upper(); ++i) {
    index[k - 1] = static_cast<std::int32_t>(i);
    if (k == 1) {
      if (i != bound.lower) out += u"; ";
      out += VariantToText(*array.Find(index));
    } else {
      AppendGroup(array, k - 1, index, out);
    }
  }
  out += u')';
}

WideString ArrayText(const Variant& value) {
  const SafeArray* array = value.Array();
  if (array == nullptr) return u"EMPTY";
  if (array->Dimensions() == 0) return u"[]";
  std::vector<std::int32_t> index(array->Dimensions(), 0);
  WideString out = u"[";
  AppendGroup(*array, array->Dimensions(), index, out);
  return out + u"]";
}

}  // namespace

WideString VariantToText(const Variant& value) {
  if (value.IsByRef()) {
    const Variant& target = *value.Referent();
    if (value.IsVariantReference()) return PlainText(target);
    return target.IsArray() ? ArrayText(target) : SimpleText(target);
  }
  if (value.IsArray()) return ArrayText(value);
  return SimpleText(value);
}

}  // namespace equ
