#include "ComVariant.h"

#include <memory>
#include <new>
#include <vector>

#include "ComDispatchPort.h"
#include "WinText.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/ResultCodes.h"
#include "equipment/common/VariantCoercion.h"

namespace equ::win32 {

namespace {

void ThrowIfFailed(HRESULT hr) {
  if (FAILED(hr)) throw Exception(SystemErrorText(static_cast<DWORD>(hr)));
}

Decimal FromDecimal(const DECIMAL& d) {
  return Decimal{d.scale, (d.sign & DECIMAL_NEG) != 0, d.Hi32, d.Lo64};
}

DECIMAL ToDecimal(const Decimal& d) {
  DECIMAL out{};
  out.scale = d.scale;
  out.sign = d.negative ? DECIMAL_NEG : 0;
  out.Hi32 = d.hi32;
  out.Lo64 = d.lo64;
  return out;
}

Variant FromDispatch(IDispatch* dispatch) {
  if (dispatch == nullptr) return Variant(std::shared_ptr<DispatchPort>());
  return Variant(std::shared_ptr<DispatchPort>(std::make_shared<ComDispatchPort>(dispatch)));
}

Variant FromUnknown(IUnknown* unknown) {
  return Variant::Unknown(unknown ? std::make_shared<ComUnknownRef>(unknown) : nullptr);
}

// A value of simple type `vt` stored at `data` (the VARIANT's union or a referenced location).
Variant FromSimple(VARTYPE vt, const void* data) {
  switch (vt) {
    case VT_EMPTY:
      return Variant();
    case VT_NULL:
      return Variant::Null();
    case VT_I1:
      return Variant::Int(VarType::I1, *static_cast<const CHAR*>(data));
    case VT_I2:
      return Variant::Int(VarType::I2, *static_cast<const SHORT*>(data));
    case VT_I4:
      return Variant(static_cast<std::int32_t>(*static_cast<const LONG*>(data)));
    case VT_INT:
      return Variant::Int(VarType::Int, *static_cast<const INT*>(data));
    case VT_I8:
      return Variant::Int(VarType::I8, *static_cast<const LONGLONG*>(data));
    case VT_UI1:
      return Variant::UInt(VarType::UI1, *static_cast<const BYTE*>(data));
    case VT_UI2:
      return Variant::UInt(VarType::UI2, *static_cast<const USHORT*>(data));
    case VT_UI4:
      return Variant::UInt(VarType::UI4, *static_cast<const ULONG*>(data));
    case VT_UINT:
      return Variant::UInt(VarType::UInt, *static_cast<const UINT*>(data));
    case VT_UI8:
      return Variant::UInt(VarType::UI8, *static_cast<const ULONGLONG*>(data));
    case VT_R4:
      return Variant::Single(*static_cast<const FLOAT*>(data));
    case VT_R8:
      return Variant(*static_cast<const DOUBLE*>(data));
    case VT_CY:
      return Variant(Currency{static_cast<const CY*>(data)->int64});
    case VT_DATE:
      return Variant(Date{*static_cast<const DATE*>(data)});
    case VT_BSTR:
      return Variant(FromBstr(*static_cast<const BSTR*>(data)));
    case VT_BOOL:
      return Variant(*static_cast<const VARIANT_BOOL*>(data) != VARIANT_FALSE);
    case VT_ERROR:
      return Variant::ErrorCode(*static_cast<const SCODE*>(data));
    case VT_DECIMAL:
      return Variant(FromDecimal(*static_cast<const DECIMAL*>(data)));
    case VT_DISPATCH:
      return FromDispatch(*static_cast<IDispatch* const*>(data));
    case VT_UNKNOWN:
      return FromUnknown(*static_cast<IUnknown* const*>(data));
    default:
      return Variant::Opaque(vt);
  }
}

const VARIANT& EndOfReferenceChain(const VARIANT& source) {
  const VARIANT* v = &source;
  while (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v) != nullptr) v = V_VARIANTREF(v);
  return *v;
}

VARTYPE ToVarType(VarType type) {
  return static_cast<VARTYPE>(type);
}

// Element types of arrays the core holds; other arrays pass through as opaque values.
bool IsModelledElementType(VARTYPE vt) {
  switch (vt) {
    case VT_VARIANT:
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_BOOL:
    case VT_ERROR:
    case VT_DECIMAL:
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return true;
    default:
      return false;
  }
}

// Stores a simple core value at `data`, a location of type `vt`, converting it first.
void StoreSimple(VARTYPE vt, const Variant& value, void* data) {
  const Variant v = ChangeVariantType(value, static_cast<VarType>(vt));
  switch (vt) {
    case VT_I1:
      *static_cast<CHAR*>(data) = static_cast<CHAR>(v.RawInt());
      break;
    case VT_I2:
      *static_cast<SHORT*>(data) = static_cast<SHORT>(v.RawInt());
      break;
    case VT_I4:
      *static_cast<LONG*>(data) = static_cast<LONG>(v.RawInt());
      break;
    case VT_INT:
      *static_cast<INT*>(data) = static_cast<INT>(v.RawInt());
      break;
    case VT_I8:
      *static_cast<LONGLONG*>(data) = v.RawInt();
      break;
    case VT_UI1:
      *static_cast<BYTE*>(data) = static_cast<BYTE>(v.RawInt());
      break;
    case VT_UI2:
      *static_cast<USHORT*>(data) = static_cast<USHORT>(v.RawInt());
      break;
    case VT_UI4:
      *static_cast<ULONG*>(data) = static_cast<ULONG>(v.RawInt());
      break;
    case VT_UINT:
      *static_cast<UINT*>(data) = static_cast<UINT>(v.RawInt());
      break;
    case VT_UI8:
      *static_cast<ULONGLONG*>(data) = v.RawUInt();
      break;
    case VT_R4:
      *static_cast<FLOAT*>(data) = static_cast<FLOAT>(v.RawReal());
      break;
    case VT_R8:
    case VT_DATE:
      *static_cast<DOUBLE*>(data) = v.RawReal();
      break;
    case VT_CY:
      static_cast<CY*>(data)->int64 = v.RawInt();
      break;
    case VT_BOOL:
      *static_cast<VARIANT_BOOL*>(data) = v.RawInt() != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case VT_ERROR:
      *static_cast<SCODE*>(data) = static_cast<SCODE>(v.RawInt());
      break;
    case VT_DECIMAL:
      *static_cast<DECIMAL*>(data) = ToDecimal(v.RawDecimal());
      break;
    case VT_BSTR: {
      BSTR text = AllocBstr(v.RawString());
      SysFreeString(*static_cast<BSTR*>(data));
      *static_cast<BSTR*>(data) = text;
      break;
    }
    default:
      throw EquException(kResultBadParameters, FindResultText(kResultBadParameters));
  }
}

// The IDispatch of a dispatch value (Empty stands for no object).
IDispatch* DispatchOf(const Variant& v) {
  if (v.IsEmpty()) return nullptr;
  if (v.IsArray() || v.Type() != VarType::Dispatch) ThrowIfFailed(DISP_E_TYPEMISMATCH);
  if (!v.Object()) return nullptr;
  if (auto* port = dynamic_cast<ComDispatchPort*>(v.Object().get())) return port->Get();
  throw Exception(u"Объект не является объектом автоматизации");
}

IUnknown* UnknownOf(const Variant& v) {
  if (v.IsEmpty()) return nullptr;
  if (v.IsArray() || (v.Type() != VarType::Dispatch && v.Type() != VarType::Unknown)) {
    ThrowIfFailed(DISP_E_TYPEMISMATCH);
  }
  if (!v.Object()) return nullptr;
  if (auto* port = dynamic_cast<ComDispatchPort*>(v.Object().get())) return port->Get();
  if (auto* ref = dynamic_cast<ComUnknownRef*>(v.Object().get())) return ref->Get();
  throw Exception(u"Объект не является объектом автоматизации");
}

void ToVariantElement(const Variant& element, VARTYPE elementType, void* data);

[[noreturn]] void ThrowBadParameters() {
  throw EquException(kResultBadParameters, FindResultText(kResultBadParameters));
}

// An array the host can let go of: neither locked nor declared fixed (a fixed, static,
// embedded or stack array belongs to memory the host manages itself).
bool IsReplaceable(const SAFEARRAY* array) {
  constexpr USHORT kFixed = FADF_FIXEDSIZE | FADF_STATIC | FADF_EMBEDDED | FADF_AUTO;
  return array == nullptr || (array->cLocks == 0 && (array->fFeatures & kFixed) == 0);
}

// A script's array variable passed by reference (VT_BYREF|VT_ARRAY|VT_VARIANT): the array is
// replaced as a whole. A typed array (a String() of a compiled host) would receive elements
// of the wrong type, and a fixed or locked one cannot be let go of: those fail with 1004 and
// the host's array is left exactly as it was.
void ReplaceArray(SAFEARRAY** slot, VARTYPE elementType, const Variant& value);

}  // namespace

SafeArray FromSafeArray(SAFEARRAY* source) {
  VARTYPE elementType = VT_EMPTY;
  ThrowIfFailed(SafeArrayGetVartype(source, &elementType));
  const UINT dims = SafeArrayGetDim(source);
  std::vector<ArrayBound> bounds(dims);
  for (UINT k = 0; k < dims; ++k) {
    LONG lower = 0;
    LONG upper = -1;
    ThrowIfFailed(SafeArrayGetLBound(source, k + 1, &lower));
    ThrowIfFailed(SafeArrayGetUBound(source, k + 1, &upper));
    bounds[k] = ArrayBound{lower, static_cast<std::uint32_t>(upper - lower + 1)};
  }
  if (!IsModelledElementType(elementType)) ThrowIfFailed(DISP_E_BADVARTYPE);
  SafeArray array(static_cast<VarType>(elementType), bounds);
  if (array.ElementCount() == 0) return array;

  std::vector<LONG> index(dims);
  for (UINT k = 0; k < dims; ++k) index[k] = bounds[k].lower;
  std::vector<std::int32_t> coreIndex(dims);
  for (std::size_t n = 0; n < array.ElementCount(); ++n) {
    for (UINT k = 0; k < dims; ++k) coreIndex[k] = index[k];
    Variant& element = *array.Find(coreIndex);
    if (elementType == VT_VARIANT) {
      ScopedVariant item;
      ThrowIfFailed(SafeArrayGetElement(source, index.data(), item.get()));
      element = FromVariant(*item.get());
    } else if (elementType == VT_BSTR || elementType == VT_DISPATCH || elementType == VT_UNKNOWN) {
      void* item = nullptr;
      ThrowIfFailed(SafeArrayGetElement(source, index.data(), &item));
      element = FromSimple(elementType, &item);
      if (elementType == VT_BSTR) {
        SysFreeString(static_cast<BSTR>(item));
      } else if (item != nullptr) {
        static_cast<IUnknown*>(item)->Release();
      }
    } else {
      alignas(16) unsigned char item[32] = {};
      ThrowIfFailed(SafeArrayGetElement(source, index.data(), item));
      element = FromSimple(elementType, item);
    }
    // Next index tuple, the first dimension running fastest.
    for (UINT k = 0; k < dims; ++k) {
      if (++index[k] <= bounds[k].Upper()) break;
      index[k] = bounds[k].lower;
    }
  }
  return array;
}

Variant FromVariant(const VARIANT& source) {
  const VARIANT& v = EndOfReferenceChain(source);
  const VARTYPE vt = V_VT(&v);
  if ((vt & VT_ARRAY) != 0) {
    SAFEARRAY* array =
        (vt & VT_BYREF) != 0 ? (V_ARRAYREF(&v) ? *V_ARRAYREF(&v) : nullptr) : V_ARRAY(&v);
    if (!IsModelledElementType(vt & VT_TYPEMASK)) return Variant::Opaque(vt);
    const auto elementType = static_cast<VarType>(vt & VT_TYPEMASK);
    if (array == nullptr) return Variant::ArrayWithoutData(elementType);
    return Variant(FromSafeArray(array));
  }
  if ((vt & VT_BYREF) != 0) {
    if (V_BYREF(&v) == nullptr) return Variant::Opaque(vt);
    return FromSimple(vt & VT_TYPEMASK, V_BYREF(&v));
  }
  if (vt == VT_DECIMAL) return Variant(FromDecimal(V_DECIMAL(&v)));
  return FromSimple(vt, &V_I8(&v));
}

namespace {

void ToVariantElement(const Variant& element, VARTYPE elementType, void* data) {
  switch (elementType) {
    case VT_DISPATCH: {
      IDispatch* dispatch = DispatchOf(element.Dereferenced());
      if (dispatch) dispatch->AddRef();
      *static_cast<IDispatch**>(data) = dispatch;
      break;
    }
    case VT_UNKNOWN: {
      IUnknown* unknown = UnknownOf(element.Dereferenced());
      if (unknown) unknown->AddRef();
      *static_cast<IUnknown**>(data) = unknown;
      break;
    }
    default:
      StoreSimple(elementType, element, data);
  }
}

}  // namespace

SAFEARRAY* ToSafeArray(const SafeArray& source) {
  const auto& bounds = source.Bounds();
  std::vector<SAFEARRAYBOUND> platformBounds(bounds.size());
  for (std::size_t k = 0; k < bounds.size(); ++k) {
    platformBounds[k].lLbound = bounds[k].lower;
    platformBounds[k].cElements = bounds[k].count;
  }
  const VARTYPE elementType = ToVarType(source.ElementType());
  ScopedSafeArray array(SafeArrayCreate(elementType, static_cast<UINT>(platformBounds.size()),
                                        platformBounds.data()));
  if (array.get() == nullptr) throw std::bad_alloc();
  if (source.ElementCount() == 0) return array.release();

  std::vector<LONG> index(bounds.size());
  std::vector<std::int32_t> coreIndex(bounds.size());
  for (std::size_t k = 0; k < bounds.size(); ++k) index[k] = bounds[k].lower;
  for (std::size_t n = 0; n < source.ElementCount(); ++n) {
    for (std::size_t k = 0; k < bounds.size(); ++k) coreIndex[k] = index[k];
    const Variant& element = *source.Find(coreIndex);
    if (elementType == VT_VARIANT) {
      ScopedVariant item;
      ToVariant(element, item.get());
      ThrowIfFailed(SafeArrayPutElement(array.get(), index.data(), item.get()));
    } else if (elementType == VT_BSTR) {
      BSTR text = AllocBstr(ChangeVariantType(element, VarType::String).RawString());
      const HRESULT hr = SafeArrayPutElement(array.get(), index.data(), text);
      SysFreeString(text);
      ThrowIfFailed(hr);
    } else if (elementType == VT_DISPATCH || elementType == VT_UNKNOWN) {
      IUnknown* unknown = nullptr;
      ToVariantElement(element, elementType, &unknown);
      const HRESULT hr = SafeArrayPutElement(array.get(), index.data(), unknown);
      if (unknown) unknown->Release();
      ThrowIfFailed(hr);
    } else {
      alignas(16) unsigned char item[32] = {};
      StoreSimple(elementType, element, item);
      ThrowIfFailed(SafeArrayPutElement(array.get(), index.data(), item));
    }
    for (std::size_t k = 0; k < bounds.size(); ++k) {
      if (++index[k] <= bounds[k].Upper()) break;
      index[k] = bounds[k].lower;
    }
  }
  return array.release();
}

void ToVariant(const Variant& source, VARIANT* target) {
  VariantInit(target);
  const Variant& v = source.Dereferenced();
  if (v.IsOpaque()) return;
  if (v.IsArray()) {
    SAFEARRAY* array = v.Array() ? ToSafeArray(*v.Array()) : nullptr;
    V_VT(target) = static_cast<VARTYPE>(VT_ARRAY | ToVarType(v.ArrayElementType()));
    V_ARRAY(target) = array;
    return;
  }
  const VARTYPE vt = ToVarType(v.Type());
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
      V_VT(target) = vt;
      return;
    case VT_DISPATCH:
      V_DISPATCH(target) = DispatchOf(v);
      if (V_DISPATCH(target)) V_DISPATCH(target)->AddRef();
      break;
    case VT_UNKNOWN:
      V_UNKNOWN(target) = UnknownOf(v);
      if (V_UNKNOWN(target)) V_UNKNOWN(target)->AddRef();
      break;
    case VT_BSTR:
      V_BSTR(target) = AllocBstr(v.RawString());
      break;
    case VT_DECIMAL:
      V_DECIMAL(target) = ToDecimal(v.RawDecimal());
      break;
    default:
      StoreSimple(vt, v, &V_I8(target));
  }
  // Set last: a DECIMAL shares its first bytes with the type field.
  V_VT(target) = vt;
}

namespace {

void ReplaceArray(SAFEARRAY** slot, VARTYPE elementType, const Variant& value) {
  if (elementType != VT_VARIANT || !IsReplaceable(*slot)) ThrowBadParameters();
  if (!value.IsArray()) ThrowIfFailed(DISP_E_TYPEMISMATCH);
  if (value.Array() && value.Array()->ElementType() != VarType::Variant) ThrowBadParameters();
  ScopedSafeArray replacement(value.Array() ? ToSafeArray(*value.Array()) : nullptr);
  if (*slot != nullptr && FAILED(SafeArrayDestroy(*slot))) ThrowBadParameters();
  *slot = replacement.release();
}

}  // namespace

void SetByRefValue(VARIANT* target, const Variant& value) {
  VARIANT* end = target;
  while (V_VT(end) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(end) != nullptr) {
    end = V_VARIANTREF(end);
  }
  const Variant& v = value.Dereferenced();
  if ((V_VT(end) & VT_BYREF) == 0) {
    ScopedVariant copy;
    ToVariant(v, copy.get());
    VariantClear(end);
    *end = *copy.get();
    V_VT(copy.get()) = VT_EMPTY;
    return;
  }
  const VARTYPE referenced = V_VT(end) & static_cast<VARTYPE>(~VT_BYREF);
  if (V_BYREF(end) == nullptr) {
    throw EquException(kResultBadParameters, FindResultText(kResultBadParameters));
  }
  if ((referenced & VT_ARRAY) != 0) {
    ReplaceArray(V_ARRAYREF(end), referenced & VT_TYPEMASK, v);
    return;
  }
  switch (referenced) {
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_DATE:
    case VT_CY:
    case VT_BSTR:
    case VT_BOOL:
    case VT_UI1:
      StoreSimple(referenced, v, V_BYREF(end));
      return;
    case VT_DISPATCH: {
      IDispatch* dispatch = DispatchOf(v);
      if (dispatch) dispatch->AddRef();
      IDispatch** slot = V_DISPATCHREF(end);
      if (*slot != nullptr) (*slot)->Release();
      *slot = dispatch;
      return;
    }
    default:
      throw EquException(kResultBadParameters, FindResultText(kResultBadParameters));
  }
}

}  // namespace equ::win32
