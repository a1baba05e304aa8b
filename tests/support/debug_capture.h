// Debug output as a test sees it: every OutputDebugString line written in the
// session — by a child program or by product code running inside the test —
// collected in arrival order with the writer's pid.
//
// A session has one debug-output channel and only one monitor can own it. A test
// program owns it from its start (see debug_output::Record) and every
// DebugOutputCapture reads from that one channel; while a dbwin.exe in the same
// Wine prefix owns it instead, Start() fails with ERROR_ALREADY_EXISTS.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

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

  std::vector<DebugLine> Lines() const;
  // Drops every line written before the call, including ones still in flight.
  void Clear();

  // True once a kept line (since Start or Clear) contains substring.
  bool WaitFor(const std::string& substring, DWORD timeoutMs);

  // Returns once every line whose OutputDebugString call returned before Sync
  // was called is in Lines(): OutputDebugString returns before the monitor has
  // stored the line, so use this before asserting that something was not written.
  bool Sync(DWORD timeoutMs);

  // Called by the channel's reader for each line.
  void Deliver(const DebugLine& line);

 private:
  DWORD error_ = ERROR_SUCCESS;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<DebugLine> lines_;
  bool running_ = false;
  DWORD pidFilter_ = 0;
};

namespace debug_output {

// Takes the session's channel for this process and keeps every line from now on,
// whatever the test captures itself, so a failure can leave them behind.
// ERROR_SUCCESS, or why the channel could not be had.
DWORD Record();
// Every line since Record or the last ForgetRecorded, all writers' (at most the
// newest 20 000).
std::vector<DebugLine> Recorded();
void ForgetRecorded();
// Gives the channel up (captures stop receiving lines), so that a child program
// can own it; Record takes it back.
void Release();

}  // namespace debug_output
