#pragma once

// An equipment manager written the way a C++ host writes one: a dual interface described by a
// type library whose methods take typed parameters (BSTR, long, BSTR* and long* by
// reference), its IDispatch answered by DispInvoke from that type information. Such a
// manager accepts only the argument types its type library declares.
#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

namespace equ::win32::testing {

// COM interfaces have no virtual destructor by design: the object deletes itself in Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
struct ITypedManager : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE DataEvent(BSTR deviceId, BSTR event, BSTR data,
                                              VARIANT* extData, VARIANT_BOOL* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE ErrorEvent(BSTR deviceId, BSTR errorName, BSTR description,
                                               VARIANT* extData, VARIANT_BOOL* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAppProperty(BSTR* deviceId, BSTR* propName, BSTR* propValue,
                                                   VARIANT_BOOL* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE MessageDlg(BSTR deviceId, BSTR text, long* type, long* buttons,
                                               long* timeout, long* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE InputDataDlg(BSTR deviceId, BSTR caption, BSTR defaultData,
                                                 BSTR description, BSTR mask, VARIANT_BOOL password,
                                                 long* timeOut, BSTR* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE TaskState(BSTR deviceId, long* percent, BSTR description,
                                              VARIANT_BOOL* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteLog(BSTR deviceId, BSTR name, BSTR text, long* eventType,
                                             VARIANT_BOOL* result) = 0;
};

class TypedManager final : public ITypedManager {
 public:
  // Builds the type library (in a file of the temporary folder) on first use.
  TypedManager();

  // One line per call, in the manager's words: "GetAppProperty ModelsFolder", ...
  std::vector<std::wstring> calls;
  // What the last DataEvent received as its extra data.
  std::wstring lastExtData;
  bool TypeInfoLoaded() const { return typeInfo_ != nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT* argErr) override;

  HRESULT STDMETHODCALLTYPE DataEvent(BSTR deviceId, BSTR event, BSTR data, VARIANT* extData,
                                      VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE ErrorEvent(BSTR deviceId, BSTR errorName, BSTR description,
                                       VARIANT* extData, VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE GetAppProperty(BSTR* deviceId, BSTR* propName, BSTR* propValue,
                                           VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE MessageDlg(BSTR deviceId, BSTR text, long* type, long* buttons,
                                       long* timeout, long* result) override;
  HRESULT STDMETHODCALLTYPE InputDataDlg(BSTR deviceId, BSTR caption, BSTR defaultData,
                                         BSTR description, BSTR mask, VARIANT_BOOL password,
                                         long* timeOut, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE TaskState(BSTR deviceId, long* percent, BSTR description,
                                      VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE WriteLog(BSTR deviceId, BSTR name, BSTR text, long* eventType,
                                     VARIANT_BOOL* result) override;

 private:
  ~TypedManager();
  ULONG references_ = 1;
  ITypeInfo* typeInfo_ = nullptr;
};
#pragma GCC diagnostic pop

}  // namespace equ::win32::testing
