#pragma once

#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include "platform/AutomationObject.h"

namespace equ::win32 {

// An interface reference that is no dispatch interface (VT_UNKNOWN).
class ComUnknownRef : public AutomationObject {
 public:
  explicit ComUnknownRef(IUnknown* unknown) : unknown_(unknown) {}
  std::uintptr_t Address() const override {
    return reinterpret_cast<std::uintptr_t>(unknown_.Get());
  }
  IUnknown* Get() const { return unknown_.Get(); }

 private:
  Microsoft::WRL::ComPtr<IUnknown> unknown_;
};

// An automation object reached through its IDispatch, called late-bound by name. Names are
// resolved with GetIDsOfNames, and through IDispatchEx::GetDispID when an object answers
// GetIDsOfNames with an error (script class objects do). By-reference arguments go as
// references to VARIANTs, except where the object's type information declares a typed
// reference (BSTR*, long*, ...): those go as references of that type.
class ComDispatchPort : public DispatchPort {
 public:
  explicit ComDispatchPort(IDispatch* dispatch) : dispatch_(dispatch) {}
  std::uintptr_t Address() const override {
    return reinterpret_cast<std::uintptr_t>(dispatch_.Get());
  }
  IDispatch* Get() const { return dispatch_.Get(); }

  Variant CallMethod(std::u16string_view name, std::span<DispatchArgument> args) override;
  std::optional<Variant> GetProperty(std::u16string_view name) override;

 private:
  bool Resolve(std::u16string_view name, DISPID& id) const;

  Microsoft::WRL::ComPtr<IDispatch> dispatch_;
};

}  // namespace equ::win32
