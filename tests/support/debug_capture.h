// Debug output as a test sees it: every OutputDebugString line written in the
// session — by a child program or by product code running inside the test —
// collected in arrival order with the writer's pid.
//
// Only one monitor can own the session's debug output at a time: while a
// DebugOutputCapture runs, a dbwin.exe in the same Wine prefix cannot (and the
// other way round); Start() then fails with ERROR_ALREADY_EXISTS.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dbwin_reader.h"

struct DebugLine {
  DWORD pid = 0;
  std::string text;  // ANSI bytes as written, trailing newline and blanks kept
};

class DebugOutputCapture {
 public:
  // Starts at once (see Running()); pid 0 keeps every process's lines.
  explicit DebugOutputCapture(DWORD pid = 0);
  ~DebugOutputCapture();
  DebugOutputCapture(const DebugOutputCapture&) = delete;
  DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

  // Lines written after Start() returns are captured. False (see Error()) when
  // another monitor owns the session's debug output.
  bool Start();
  void Stop();
  bool Running() const;
  DWORD Error() const;

  // Applies to lines arriving from now on; 0 keeps every process's lines.
  void SetPidFilter(DWORD pid);

  std::vector<DebugLine> Lines() const;
  // Drops every line written before the call, including ones still in flight.
  void Clear();

  // True once a kept line (since Start or Clear) contains substring.
  bool WaitFor(const std::string& substring, DWORD timeoutMs);

  // Returns once every line whose OutputDebugString call returned before Sync
  // was called is in Lines(): OutputDebugString returns before the monitor has
  // stored the line, so use this before asserting that something was not written.
  bool Sync(DWORD timeoutMs);

 private:
  void Run();
  bool WaitUntil(DWORD timeoutMs, std::unique_lock<std::mutex>& lock,
                 const std::function<bool()>& done);

  dbwin::Reader reader_;
  dbwin::Handle stop_;
  std::thread thread_;
  DWORD error_ = ERROR_SUCCESS;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<DebugLine> lines_;
  bool running_ = false;
  DWORD pidFilter_ = 0;
  unsigned long syncsSent_ = 0;
  unsigned long syncsSeen_ = 0;
};
