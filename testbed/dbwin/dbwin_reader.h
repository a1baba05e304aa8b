// Reading what processes write with OutputDebugString, the way a debug-output
// monitor (DebugView, dbwin.exe) does: whoever owns the three named objects of
// the DBWIN protocol receives every line written in the session, A and W alike
// (W arrives converted to the ANSI code page), together with the writer's pid.
//
// Only one monitor can own the names in a session. While one does, every
// OutputDebugString call in the session waits for it (up to 10 s per line on
// Windows and Wine), so a monitor must keep reading or close promptly.
#pragma once

#include <windows.h>

#include <string>

namespace dbwin {

// Owns a kernel handle; null and INVALID_HANDLE_VALUE both mean "none".
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~Handle() { Reset(); }
  Handle(Handle&& other) noexcept : handle_(other.Release()) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  HANDLE Release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  void Reset(HANDLE handle = nullptr) {
    if (handle_) CloseHandle(handle_);
    handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

// Owns a view from MapViewOfFile.
class MappedView {
 public:
  MappedView() = default;
  explicit MappedView(void* view) : view_(view) {}
  ~MappedView() { Reset(); }
  MappedView(MappedView&& other) noexcept : view_(other.view_) { other.view_ = nullptr; }
  MappedView& operator=(MappedView&& other) noexcept {
    if (this != &other) {
      Reset();
      view_ = other.view_;
      other.view_ = nullptr;
    }
    return *this;
  }
  MappedView(const MappedView&) = delete;
  MappedView& operator=(const MappedView&) = delete;

  const void* Get() const { return view_; }
  explicit operator bool() const { return view_ != nullptr; }
  void Reset() {
    if (view_) UnmapViewOfFile(view_);
    view_ = nullptr;
  }

 private:
  void* view_ = nullptr;
};

// One OutputDebugString call: the writer's pid and its text exactly as written
// (ANSI bytes, trailing newlines and blanks kept).
struct Message {
  DWORD pid = 0;
  std::string text;
};

class Reader {
 public:
  enum class Result { Line, Stopped, Timeout, Failed };

  Reader() = default;
  ~Reader() { Close(); }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  // Takes the names and tells writers the buffer is free. ERROR_SUCCESS, or
  // ERROR_ALREADY_EXISTS when another monitor owns them, or the failing call's error.
  DWORD Open();
  void Close();
  bool IsOpen() const { return bool(view_); }

  // Waits for the next line, for stop (optional, may be null) or for timeoutMs.
  Result Next(HANDLE stop, DWORD timeoutMs, Message* out);

 private:
  Handle bufferReady_;
  Handle dataReady_;
  Handle mapping_;
  MappedView view_;
};

}  // namespace dbwin
