#include "FakeDispatch.h"

#include <oleauto.h>

namespace equ::win32::testing {

namespace {
constexpr DISPID kStoreId = 1000;
}

FakeDispatch* FakeDispatch::ScriptArray(const std::vector<VARIANT>& items) {
  auto* array = new FakeDispatch();
  VARIANT length;
  VariantInit(&length);
  V_VT(&length) = VT_I4;
  V_I4(&length) = static_cast<LONG>(items.size());
  array->properties[L"length"] = length;
  for (std::size_t i = 0; i < items.size(); ++i) {
    VARIANT copy;
    VariantInit(&copy);
    VariantCopy(&copy, const_cast<VARIANT*>(&items[i]));
    array->properties[std::to_wstring(i)] = copy;
  }
  return array;
}

FakeDispatch::~FakeDispatch() {
  for (auto& entry : properties) VariantClear(&entry.second);
}

HRESULT FakeDispatch::QueryInterface(REFIID riid, void** ppv) {
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG FakeDispatch::Release() {
  const ULONG remaining = --references_;
  if (remaining == 0) delete this;
  return remaining;
}

HRESULT FakeDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) {
  const std::wstring name = names[0];
  if (name == L"Store") {
    ids[0] = kStoreId;
    return S_OK;
  }
  DISPID id = 0;
  for (const auto& entry : properties) {
    if (entry.first == name) {
      ids[0] = id;
      return S_OK;
    }
    ++id;
  }
  ids[0] = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

HRESULT FakeDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                             VARIANT* result, EXCEPINFO* info, UINT*) {
  if (id == kStoreId) {
    if (params->cArgs != 2) {
      if (info != nullptr) info->bstrDescription = SysAllocString(L"нужно два аргумента");
      return DISP_E_EXCEPTION;
    }
    VARIANT* target = &params->rgvarg[1];
    if (V_VT(target) == (VT_BYREF | VT_VARIANT)) {
      VariantCopy(V_VARIANTREF(target), &params->rgvarg[0]);
    }
    if (result != nullptr) {
      V_VT(result) = VT_I4;
      V_I4(result) = static_cast<LONG>(params->cArgs);
    }
    return S_OK;
  }
  if ((flags & DISPATCH_PROPERTYGET) == 0) return DISP_E_MEMBERNOTFOUND;
  DISPID index = 0;
  for (auto& entry : properties) {
    if (index++ == id) return result != nullptr ? VariantCopy(result, &entry.second) : S_OK;
  }
  return DISP_E_MEMBERNOTFOUND;
}

}  // namespace equ::win32::testing
