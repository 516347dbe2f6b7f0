#include "ComClassFactory.h"

#include "ComDispatchObject.h"
#include "WinHandles.h"
#include "equipment/common/ServerClass.h"

namespace equ::win32 {

// A factory the host holds keeps the module loaded, like a lock does.
ComClassFactory::ComClassFactory() {
  ++ModuleLockCount();
}

ComClassFactory::~ComClassFactory() {
  --ModuleLockCount();
}

HRESULT ComClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG ComClassFactory::AddRef() {
  return ++references_;
}

ULONG ComClassFactory::Release() {
  const ULONG remaining = --references_;
  if (remaining == 0) delete this;
  return remaining;
}

HRESULT ComClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  try {
    // The object is made with one reference, which the pointer takes over.
    const auto object =
        ComPtr<ComDispatchObject>::Adopt(new ComDispatchObject(CreateServerObject()));
    return object->QueryInterface(riid, ppv);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT ComClassFactory::LockServer(BOOL lock) {
  if (lock) {
    ++ModuleLockCount();
  } else {
    --ModuleLockCount();
  }
  return S_OK;
}

}  // namespace equ::win32
