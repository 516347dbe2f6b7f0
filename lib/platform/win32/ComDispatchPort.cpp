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
  // Values and, for by-reference arguments, the VT_BYREF|VT_VARIANT slots pointing at them;
  // automation takes the arguments last first.
  std::vector<ScopedVariant> values(args.size());
  std::vector<VARIANT> slots(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) {
    ToVariant(args[i].value, values[i].get());
    VARIANT& slot = slots[args.size() - 1 - i];
    if (args[i].byRef) {
      VariantInit(&slot);
      V_VT(&slot) = VT_BYREF | VT_VARIANT;
      V_VARIANTREF(&slot) = values[i].get();
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
