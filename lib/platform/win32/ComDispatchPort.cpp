#include "ComDispatchPort.h"

#include <dispex.h>

#include <vector>

#include "ComVariant.h"
#include "WinText.h"
#include "equipment/common/Exceptions.h"

namespace equ::win32 {

namespace {

// Owns the EXCEPINFO strings of one call.
struct ScopedExcepInfo {
  EXCEPINFO info{};
  ~ScopedExcepInfo() {
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
  }
  WideString Description() {
    if (info.pfnDeferredFillIn != nullptr) info.pfnDeferredFillIn(&info);
    return FromBstr(info.bstrDescription);
  }
};

[[noreturn]] void ThrowCallFailure(std::u16string_view name, HRESULT hr, ScopedExcepInfo& error) {
  WideString description = hr == DISP_E_EXCEPTION ? error.Description() : WideString();
  if (description.empty()) description = SystemErrorText(static_cast<DWORD>(hr));
  throw Exception(WideString(name) + u": " + description);
}

// The types a method's parameters are declared with, in call order, when the object
// describes itself with type information: VT_BYREF|T for a parameter declared as a T*.
// Empty for an object without type information (script objects).
std::vector<VARTYPE> DeclaredParameterTypes(IDispatch* dispatch, DISPID id) {
  std::vector<VARTYPE> types;
  UINT count = 0;
  if (FAILED(dispatch->GetTypeInfoCount(&count)) || count == 0) return types;
  Microsoft::WRL::ComPtr<ITypeInfo> info;
  if (FAILED(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)) || !info) return types;
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes)) || attributes == nullptr) return types;
  const WORD functions = attributes->cFuncs;
  info->ReleaseTypeAttr(attributes);
  for (UINT i = 0; i < functions; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(info->GetFuncDesc(i, &function)) || function == nullptr) continue;
    const bool found = function->memid == id && (function->invkind & INVOKE_FUNC) != 0;
    for (SHORT p = 0; found && p < function->cParams; ++p) {
      const ELEMDESC& element = function->lprgelemdescParam[p];
      if ((element.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) != 0) break;
      const TYPEDESC& type = element.tdesc;
      types.push_back(type.vt == VT_PTR && type.lptdesc != nullptr
                          ? static_cast<VARTYPE>(VT_BYREF | type.lptdesc->vt)
                          : type.vt);
    }
    info->ReleaseFuncDesc(function);
    if (found) break;
  }
  return types;
}

// Types a by-reference argument can be handed as instead of a reference to a VARIANT.
bool IsTypedReference(VARTYPE declared) {
  if ((declared & VT_BYREF) == 0) return false;
  switch (declared & VT_TYPEMASK) {
    case VT_BSTR:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BOOL:
    case VT_UI1:
      return true;
    default:
      return false;
  }
}

// A by-reference slot for one argument. A script object takes a reference to the VARIANT
// and writes whatever it likes into it; an object whose type information declares a typed
// reference (BSTR*, long*) takes only that type, so the value is converted in place and the
// slot points at its data.
VARIANT ByReferenceSlot(VARIANT* value, VARTYPE declared) {
  VARIANT slot;
  VariantInit(&slot);
  const auto type = static_cast<VARTYPE>(declared & VT_TYPEMASK);
  if (IsTypedReference(declared) && SUCCEEDED(VariantChangeType(value, value, 0, type))) {
    V_VT(&slot) = static_cast<VARTYPE>(VT_BYREF | type);
    V_BYREF(&slot) = &V_I8(value);
    return slot;
  }
  V_VT(&slot) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&slot) = value;
  return slot;
}

}  // namespace

bool ComDispatchPort::Resolve(std::u16string_view name, DISPID& id) const {
  WideString text(name);
  auto* names = const_cast<wchar_t*>(WidePtr(text));
  if (SUCCEEDED(dispatch_->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id))) {
    return true;
  }
  Microsoft::WRL::ComPtr<IDispatchEx> extended;
  if (FAILED(dispatch_.As(&extended))) return false;
  BSTR bstrName = AllocBstr(text);
  const HRESULT hr = extended->GetDispID(bstrName, fdexNameCaseInsensitive, &id);
  SysFreeString(bstrName);
  return SUCCEEDED(hr);
}

Variant ComDispatchPort::CallMethod(std::u16string_view name, std::span<DispatchArgument> args) {
  DISPID id = DISPID_UNKNOWN;
  if (!Resolve(name, id)) {
    throw Exception(WideString(name) + u": " +
                    SystemErrorText(static_cast<DWORD>(DISP_E_UNKNOWNNAME)));
  }
  // Values and, for by-reference arguments, the slots pointing at them; automation takes the
  // arguments last first.
  const std::vector<VARTYPE> declared = DeclaredParameterTypes(dispatch_.Get(), id);
  std::vector<ScopedVariant> values(args.size());
  std::vector<VARIANT> slots(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) {
    ToVariant(args[i].value, values[i].get());
    VARIANT& slot = slots[args.size() - 1 - i];
    if (args[i].byRef) {
      slot =
          ByReferenceSlot(values[i].get(), i < declared.size() ? declared[i] : VARTYPE{VT_VARIANT});
    } else {
      slot = *values[i].get();
    }
  }
  DISPPARAMS params{slots.empty() ? nullptr : slots.data(), nullptr,
                    static_cast<UINT>(slots.size()), 0};
  ScopedVariant result;
  ScopedExcepInfo error;
  const HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                       result.get(), &error.info, nullptr);
  if (FAILED(hr)) ThrowCallFailure(name, hr, error);
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i].byRef) args[i].value = FromVariant(*values[i].get());
  }
  return FromVariant(*result.get());
}

std::optional<Variant> ComDispatchPort::GetProperty(std::u16string_view name) {
  DISPID id = DISPID_UNKNOWN;
  if (!Resolve(name, id)) return std::nullopt;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  ScopedVariant result;
  ScopedExcepInfo error;
  const HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                       &none, result.get(), &error.info, nullptr);
  if (hr == DISP_E_MEMBERNOTFOUND) return std::nullopt;
  if (FAILED(hr)) ThrowCallFailure(name, hr, error);
  return FromVariant(*result.get());
}

}  // namespace equ::win32
