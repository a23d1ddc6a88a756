#pragma once
// Every Windows object the program holds is owned by exactly one wrapper, which frees it
// the Windows way when it goes out of scope.
#include <utility>

#include "WinApi.h"

namespace platform {

template <class Handle, auto Free>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle &&other) noexcept : handle_(other.release()) {}
  UniqueHandle &operator=(UniqueHandle &&other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle &) = delete;
  UniqueHandle &operator=(const UniqueHandle &) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Gives up ownership without freeing.
  Handle release() { return std::exchange(handle_, nullptr); }
  void reset(Handle handle = nullptr) {
    if (handle_ != nullptr && handle_ != handle) Free(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

// A block received from anyone may still be locked any number of times.
inline void GlobalFreeFully(HGLOBAL block) {
  while (GlobalUnlock(block)) {
  }
  GlobalFree(block);
}
inline void DeleteBitmap(HBITMAP bitmap) {
  DeleteObject(bitmap);
}
inline void DeletePalette(HPALETTE palette) {
  DeleteObject(palette);
}
inline void DeleteDcHandle(HDC dc) {
  DeleteDC(dc);
}
inline void FreeModule(HMODULE module) {
  FreeLibrary(module);
}

using BitmapHandle = UniqueHandle<HBITMAP, &DeleteBitmap>;
using PaletteHandle = UniqueHandle<HPALETTE, &DeletePalette>;
using DcHandle = UniqueHandle<HDC, &DeleteDcHandle>;
using GlobalBlock = UniqueHandle<HGLOBAL, &GlobalFreeFully>;
using ModuleHandle = UniqueHandle<HMODULE, &FreeModule>;

// Keeps a block locked for a scope and gives its memory.
class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HGLOBAL block) : block_(block), pointer_(GlobalLock(block)) {}
  ~GlobalLockGuard() {
    if (pointer_ != nullptr) GlobalUnlock(block_);
  }
  GlobalLockGuard(const GlobalLockGuard &) = delete;
  GlobalLockGuard &operator=(const GlobalLockGuard &) = delete;
  void *get() const { return pointer_; }
  template <class T>
  T *as() const {
    return static_cast<T *>(pointer_);
  }

 private:
  HGLOBAL block_;
  void *pointer_;
};

// Selects an object into a DC for a scope and puts the previous one back.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectGuard() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
  }
  SelectGuard(const SelectGuard &) = delete;
  SelectGuard &operator=(const SelectGuard &) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace platform
