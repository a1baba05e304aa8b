// Owned Windows handles: each object releases what it holds when it goes, so no
// path can forget a CloseHandle. Same shape as WIL's unique_any, kept small.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace suite {

// The "no handle" value of most handle types.
template <typename T>
struct NullValue {
  static T value() { return T(); }
};

// Traits: the handle type, how to release one, and its "no handle" value.
template <typename T, typename Close, typename InvalidValue = NullValue<T>>
class UniqueAny {
  static T Invalid() { return InvalidValue::value(); }

 public:
  UniqueAny() = default;
  explicit UniqueAny(T value) : value_(value) {}
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueAny() { reset(); }

  T get() const { return value_; }
  // For handles that are pointers (COM interfaces): the object itself.
  T operator->() const { return value_; }
  explicit operator bool() const { return value_ != Invalid(); }
  // Where the handle is kept, for a reader that takes its address (a thread's
  // parameter); the owner still releases it.
  const T* addressof() const { return &value_; }
  // For out-parameters: releases what is held and hands out the slot.
  T* put() {
    reset();
    return &value_;
  }
  T release() { return std::exchange(value_, Invalid()); }
  void reset() { reset(Invalid()); }
  void reset(T value) {
    T old = std::exchange(value_, value);
    if (old != Invalid()) Close()(old);
  }

 private:
  T value_ = Invalid();
};

struct CloseHandleFn {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
struct FreeLibraryFn {
  void operator()(HMODULE h) const { FreeLibrary(h); }
};
struct RegCloseKeyFn {
  void operator()(HKEY h) const { RegCloseKey(h); }
};
struct LocalFreeFn {
  void operator()(HLOCAL h) const { LocalFree(h); }
};
struct GlobalFreeFn {
  void operator()(HGLOBAL h) const { GlobalFree(h); }
};
struct DeleteDCFn {
  void operator()(HDC h) const { DeleteDC(h); }
};
struct DeleteObjectFn {
  void operator()(HGDIOBJ h) const { DeleteObject(h); }
};

struct ReleaseComFn {
  void operator()(IUnknown* object) const { object->Release(); }
};

struct InvalidHandleValue {
  static HANDLE value() { return INVALID_HANDLE_VALUE; }
};

using UniqueHandle = UniqueAny<HANDLE, CloseHandleFn>;
// CreateFile and snapshots report failure as INVALID_HANDLE_VALUE, not null.
using UniqueFileHandle = UniqueAny<HANDLE, CloseHandleFn, InvalidHandleValue>;
using UniqueModule = UniqueAny<HMODULE, FreeLibraryFn>;
using UniqueRegKey = UniqueAny<HKEY, RegCloseKeyFn>;
using UniqueLocal = UniqueAny<HLOCAL, LocalFreeFn>;
using UniqueGlobal = UniqueAny<HGLOBAL, GlobalFreeFn>;
using UniqueMemoryDC = UniqueAny<HDC, DeleteDCFn>;
using UniqueGdiObject = UniqueAny<HGDIOBJ, DeleteObjectFn>;
// A COM interface pointer this code holds one reference of.
template <typename T>
using UniqueCom = UniqueAny<T*, ReleaseComFn>;

// A window DC is given back to the window it came from, not deleted.
class UniqueWindowDC {
 public:
  UniqueWindowDC() = default;
  UniqueWindowDC(HWND hwnd, HDC dc) : hwnd_(hwnd), dc_(dc) {}
  UniqueWindowDC(const UniqueWindowDC&) = delete;
  UniqueWindowDC& operator=(const UniqueWindowDC&) = delete;
  ~UniqueWindowDC() { reset(); }
  HDC get() const { return dc_; }
  void reset(HWND hwnd = nullptr, HDC dc = nullptr) {
    if (dc_) ReleaseDC(hwnd_, dc_);
    hwnd_ = hwnd;
    dc_ = dc;
  }

 private:
  HWND hwnd_ = nullptr;
  HDC dc_ = nullptr;
};

// Balances a successful CoInitialize/CoInitializeEx (S_OK or S_FALSE) only.
class CoInitGuard {
 public:
  CoInitGuard() = default;
  explicit CoInitGuard(HRESULT hr) { reset(hr); }
  CoInitGuard(const CoInitGuard&) = delete;
  CoInitGuard& operator=(const CoInitGuard&) = delete;
  ~CoInitGuard() { reset(); }
  // Balances what it held, then takes on the result of another initialisation.
  void reset(HRESULT hr = E_FAIL) {
    if (owns_) CoUninitialize();
    owns_ = SUCCEEDED(hr);
  }
  // Lets go of what it held without balancing it: someone else does.
  void release() { owns_ = false; }
  bool ok() const { return owns_; }

 private:
  bool owns_ = false;
};

// A critical section taken for a scope through Hold.
template <bool kDeletedAtEnd>
class BasicLock {
 public:
  BasicLock() { InitializeCriticalSection(&section_); }
  ~BasicLock() {
    if (kDeletedAtEnd) DeleteCriticalSection(&section_);
  }
  BasicLock(const BasicLock&) = delete;
  BasicLock& operator=(const BasicLock&) = delete;

  class Hold {
   public:
    explicit Hold(BasicLock& lock) : lock_(lock) { EnterCriticalSection(&lock_.section_); }
    ~Hold() { LeaveCriticalSection(&lock_.section_); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    BasicLock& lock_;
  };

 private:
  CRITICAL_SECTION section_;
};

// A lock that lives as long as the process. Never deleted: at exit another thread
// may still be inside it, and deleting a held critical section is worse than leaving it.
using ProcessLock = BasicLock<false>;
// A library's lock, deleted when the library is unloaded: for a library whose
// callers are all done with it by then (else they keep it loaded).
using ModuleLock = BasicLock<true>;

}  // namespace suite
