#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

// One owner for every handle: each type closes its handle in its destructor, never by a call that
// someone has to remember. Move-only.
namespace hivelark {

template <typename Handle, auto Close, Handle Invalid = Handle{}> class UniqueResource {
public:
  UniqueResource() = default;
  explicit UniqueResource(Handle handle) : handle_(handle) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : handle_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) {
      reset(other.release());
    }
    return *this;
  }
  ~UniqueResource() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Invalid; }
  Handle release() { return std::exchange(handle_, Invalid); }
  void reset(Handle handle = Invalid) {
    const Handle old = std::exchange(handle_, handle);
    if (old != Invalid) {
      Close(old);
    }
  }
  // For out-parameters of platform calls: closes what is held and hands out the slot.
  Handle* put() {
    reset();
    return &handle_;
  }

private:
  Handle handle_ = Invalid;
};

namespace detail {
inline void CloseKernelHandle(HANDLE handle) {
  CloseHandle(handle);
}
inline void CloseRegistryKey(HKEY key) {
  RegCloseKey(key);
}
inline void DestroyIconHandle(HICON icon) {
  DestroyIcon(icon);
}
inline void DestroyMenuHandle(HMENU menu) {
  DestroyMenu(menu);
}
inline void DeleteGdiObject(HGDIOBJ object) {
  DeleteObject(object);
}
inline void DeleteMemoryDC(HDC dc) {
  DeleteDC(dc);
}
inline void FreeGlobal(HGLOBAL memory) {
  GlobalFree(memory);
}
inline void DestroyWindowHandle(HWND window) {
  DestroyWindow(window);
}
} // namespace detail

// Kernel objects: threads, processes, events, mutexes.
using UniqueHandle = UniqueResource<HANDLE, detail::CloseKernelHandle>;
// A file handle: CreateFileA's failure value INVALID_HANDLE_VALUE is taken as empty.
class UniqueFile : public UniqueHandle {
public:
  UniqueFile() = default;
  explicit UniqueFile(HANDLE handle)
      : UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
};
using UniqueKey = UniqueResource<HKEY, detail::CloseRegistryKey>;
using UniqueIcon = UniqueResource<HICON, detail::DestroyIconHandle>;
using UniqueMenu = UniqueResource<HMENU, detail::DestroyMenuHandle>;
using UniqueBitmap = UniqueResource<HBITMAP, detail::DeleteGdiObject>;
using UniqueFont = UniqueResource<HFONT, detail::DeleteGdiObject>;
using UniqueBrush = UniqueResource<HBRUSH, detail::DeleteGdiObject>;
using UniquePen = UniqueResource<HPEN, detail::DeleteGdiObject>;
using UniqueRegion = UniqueResource<HRGN, detail::DeleteGdiObject>;
using UniqueMemoryDC = UniqueResource<HDC, detail::DeleteMemoryDC>;
using UniqueGlobal = UniqueResource<HGLOBAL, detail::FreeGlobal>;
using UniqueWindow = UniqueResource<HWND, detail::DestroyWindowHandle>;

// A window's device context from GetDC, released with ReleaseDC.
class WindowDC {
public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (dc_ != nullptr) {
      ReleaseDC(window_, dc_);
    }
  }
  HDC get() const { return dc_; }

private:
  HWND window_;
  HDC dc_;
};

// BeginPaint and EndPaint of one WM_PAINT.
class PaintDC {
public:
  explicit PaintDC(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  ~PaintDC() { EndPaint(window_, &paint_); }
  HDC get() const { return dc_; }
  const RECT& area() const { return paint_.rcPaint; }

private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// An object selected into a device context for one scope; the previous one comes back after it.
class SelectObjectScope {
public:
  SelectObjectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;
  ~SelectObjectScope() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) {
      SelectObject(dc_, previous_);
    }
  }

private:
  HDC dc_;
  HGDIOBJ previous_;
};

// The clipboard, open for one scope. Check opened() before using it.
class ClipboardScope {
public:
  explicit ClipboardScope(HWND owner) : opened_(OpenClipboard(owner) != FALSE) {}
  ClipboardScope(const ClipboardScope&) = delete;
  ClipboardScope& operator=(const ClipboardScope&) = delete;
  ~ClipboardScope() {
    if (opened_) {
      CloseClipboard();
    }
  }
  bool opened() const { return opened_; }

private:
  bool opened_;
};

// GlobalLock for one scope.
class GlobalLockScope {
public:
  explicit GlobalLockScope(HGLOBAL memory) : memory_(memory), data_(GlobalLock(memory)) {}
  GlobalLockScope(const GlobalLockScope&) = delete;
  GlobalLockScope& operator=(const GlobalLockScope&) = delete;
  ~GlobalLockScope() {
    if (data_ != nullptr) {
      GlobalUnlock(memory_);
    }
  }
  void* data() const { return data_; }

private:
  HGLOBAL memory_;
  void* data_;
};

// COM on the calling thread for one scope, in a single-threaded apartment as the shell's calls
// want it. A thread that is already in the multithreaded apartment stays there, and the scope
// then ends nothing.
class ComApartmentScope {
public:
  ComApartmentScope()
      : initialised_(
            SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
  }
  ComApartmentScope(const ComApartmentScope&) = delete;
  ComApartmentScope& operator=(const ComApartmentScope&) = delete;
  ~ComApartmentScope() {
    if (initialised_) {
      CoUninitialize();
    }
  }

private:
  bool initialised_;
};

} // namespace hivelark
