#pragma once

#include <windows.h>

#include <utility>

namespace equ::win32 {

// Owners of the window and GDI handles of the settings windows: each destroys its handle
// once. (Local to these views; the project's shared handle family replaces them.)
template <class Handle, BOOL(WINAPI* Release)(Handle)>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle Get() const { return handle_; }
  void Reset(Handle handle = nullptr) {
    if (handle_ != nullptr) Release(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

inline BOOL WINAPI DeleteGdiObject(HGDIOBJ object) {
  return DeleteObject(object);
}

using UniqueWindow = UniqueHandle<HWND, &DestroyWindow>;
using UniqueMenu = UniqueHandle<HMENU, &DestroyMenu>;
using UniqueGdiObject = UniqueHandle<HGDIOBJ, &DeleteGdiObject>;

}  // namespace equ::win32
