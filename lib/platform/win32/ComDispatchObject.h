#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <memory>

#include "equipment/common/BaseObject.h"

namespace equ::win32 {

// Objects and factory locks alive in this module; the module may unload only at zero.
std::atomic<long>& ModuleLockCount();

// COM interfaces have no virtual destructor by design: the object deletes itself in Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
// The automation face of a driver object: IUnknown, IDispatch without type information and
// ISupportErrorInfo. It unpacks the host's DISPPARAMS into the core's argument array, calls
// the core and writes changed arguments back. No exception leaves any of its methods.
class ComDispatchObject final : public IDispatch, public ISupportErrorInfo {
 public:
  explicit ComDispatchObject(ObjectPtr<TBaseObject> object);
  ComDispatchObject(const ComDispatchObject&) = delete;
  ComDispatchObject& operator=(const ComDispatchObject&) = delete;

  TBaseObject& Object() { return *object_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                          DISPID* rgDispId) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                   DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                   EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

 private:
  ~ComDispatchObject();

  std::atomic<ULONG> references_{1};
  ObjectPtr<TBaseObject> object_;
};
#pragma GCC diagnostic pop

// The host's arguments in call order (rgvarg runs last first), each with its by-reference
// indirection removed and a 16-bit integer widened to 32 bits. Named arguments are ignored.
SafeArray UnpackArguments(const DISPPARAMS& params);

// Stores every element of the argument array that the call changed (compared with what was
// received) back into the host's argument of the same position. Throws when a value cannot be
// stored.
void WriteBackArguments(DISPPARAMS& params, const SafeArray& arguments, const SafeArray& received);

}  // namespace equ::win32
