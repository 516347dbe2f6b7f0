#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace equ::win32 {

// COM interfaces have no virtual destructor by design: the object deletes itself in Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
// Creates a new, initialized object of the module's server class for every request and
// hands out its IDispatch.
class ComClassFactory final : public IClassFactory {
 public:
  ComClassFactory();
  ComClassFactory(const ComClassFactory&) = delete;
  ComClassFactory& operator=(const ComClassFactory&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  ~ComClassFactory();
  std::atomic<ULONG> references_{1};
};
#pragma GCC diagnostic pop

}  // namespace equ::win32
