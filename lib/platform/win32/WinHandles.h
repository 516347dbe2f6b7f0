#pragma once

// Owners of the Win32 handles the adapters hold: each closes its handle with the call that
// belongs to it when it goes, so no failure path needs cleanup of its own.
#include <windows.h>
#include <oleauto.h>

#include <utility>

#include "WinText.h"

namespace equ::win32 {

// One owned handle of a kind described by Traits: Type, Invalid(), IsValid(value) and
// Close(value). Movable, not copyable.
template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type value) : value_(value) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  explicit operator bool() const { return Traits::IsValid(value_); }
  Type get() const { return value_; }
  // Gives the handle up without closing it.
  Type release() { return std::exchange(value_, Traits::Invalid()); }
  void reset(Type value = Traits::Invalid()) {
    const Type old = std::exchange(value_, value);
    if (Traits::IsValid(old)) Traits::Close(old);
  }
  // For a call that writes a new handle into an out parameter: the old one is closed first.
  Type* put() {
    reset();
    return &value_;
  }

 private:
  Type value_ = Traits::Invalid();
};

// A kernel object (file, device, mutex, event, file mapping): CloseHandle. Both null and
// INVALID_HANDLE_VALUE count as no handle, as the creating calls use one or the other.
struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type value) { return value != nullptr && value != INVALID_HANDLE_VALUE; }
  static void Close(Type value) { CloseHandle(value); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

// A view of a file mapping: UnmapViewOfFile.
struct MappedViewTraits {
  using Type = void*;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type value) { return value != nullptr; }
  static void Close(Type value) { UnmapViewOfFile(value); }
};
using MappedView = UniqueHandle<MappedViewTraits>;

// A window of this thread: DestroyWindow.
struct WindowTraits {
  using Type = HWND;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type value) { return value != nullptr; }
  static void Close(Type value) { DestroyWindow(value); }
};
using WindowHandle = UniqueHandle<WindowTraits>;

// A font, brush or other GDI object: DeleteObject.
struct GdiObjectTraits {
  using Type = HGDIOBJ;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type value) { return value != nullptr; }
  static void Close(Type value) { DeleteObject(value); }
};
using GdiObject = UniqueHandle<GdiObjectTraits>;

// A hook of this thread: UnhookWindowsHookEx.
struct HookTraits {
  using Type = HHOOK;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type value) { return value != nullptr; }
  static void Close(Type value) { UnhookWindowsHookEx(value); }
};
using HookHandle = UniqueHandle<HookTraits>;

// Memory the system hands out with LocalAlloc (security descriptors, access lists): LocalFree.
struct LocalMemoryTraits {
  using Type = HLOCAL;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type value) { return value != nullptr; }
  static void Close(Type value) { LocalFree(value); }
};
using LocalMemory = UniqueHandle<LocalMemoryTraits>;

// A security identifier made by AllocateAndInitializeSid: FreeSid.
struct SidTraits {
  using Type = PSID;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type value) { return value != nullptr; }
  static void Close(Type value) { FreeSid(value); }
};
using SidHandle = UniqueHandle<SidTraits>;

// A BSTR: SysFreeString.
struct BstrTraits {
  using Type = BSTR;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type value) { return value != nullptr; }
  static void Close(Type value) { SysFreeString(value); }
};
class Bstr : public UniqueHandle<BstrTraits> {
 public:
  Bstr() = default;
  explicit Bstr(BSTR text) : UniqueHandle(text) {}
  // A copy of the text; throws std::bad_alloc when there is no memory.
  explicit Bstr(const WideString& text) : UniqueHandle(AllocBstr(text)) {}
  WideString Text() const { return FromBstr(get()); }
};

// One reference to a COM interface (or object), released when it goes. Not WRL's ComPtr:
// MinGW's ComPtr::Attach takes a reference of its own, so a new object would never go.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller owns: a new object's first one.
  static ComPtr Adopt(Interface* pointer) {
    ComPtr owner;
    owner.pointer_ = pointer;
    return owner;
  }
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr& other) : pointer_(other.pointer_) {
    if (pointer_ != nullptr) pointer_->AddRef();
  }
  ComPtr& operator=(const ComPtr& other) {
    ComPtr copy(other);
    std::swap(pointer_, copy.pointer_);
    return *this;
  }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    ComPtr taken(std::move(other));
    std::swap(pointer_, taken.pointer_);
    return *this;
  }

  explicit operator bool() const { return pointer_ != nullptr; }
  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  void reset() {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }
  // For a call that writes a new reference into an out parameter: the old one goes first.
  Interface** put() {
    reset();
    return &pointer_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace equ::win32
