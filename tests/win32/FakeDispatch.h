#pragma once

#include <windows.h>
#include <oaidl.h>

#include <map>
#include <string>
#include <vector>

namespace equ::win32::testing {

// A small automation object for tests: named properties, and a method "Store" that writes
// its second argument into its first (by reference) and answers the number of arguments.
// With asScriptArray it looks like a JScript array: a "length" and members "0", "1", ...
// COM interfaces have no virtual destructor by design: the object deletes itself in Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class FakeDispatch final : public IDispatch {
 public:
  explicit FakeDispatch(std::vector<std::wstring> names = {}) : names_(std::move(names)) {}
  static FakeDispatch* ScriptArray(const std::vector<VARIANT>& items);

  std::map<std::wstring, VARIANT> properties;
  ULONG References() const { return references_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT*) override;

 private:
  ~FakeDispatch();
  std::vector<std::wstring> names_;
  ULONG references_ = 1;
};
#pragma GCC diagnostic pop

}  // namespace equ::win32::testing
