// The debug lines this process writes, with the debug-output switch of the
// product code linked into this program turned on while the object lives (the
// product never turns it on itself). A DLL the test loads keeps its own switch,
// which stays off.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "debug_capture.h"

namespace testkit {

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // False (see Error()) when another monitor owns the session's debug output.
  bool Running() const { return capture_.Running(); }
  DWORD Error() const { return capture_.Error(); }

  void Switch(bool on);

  // Forgets every line written so far.
  void Clear() { capture_.Clear(); }
  // Every line since the start or the last Clear, each one whose write returned
  // before this call included: an empty list means nothing was written.
  std::vector<std::string> Texts();
  // The lines that one call writes.
  template <typename Call>
  std::vector<std::string> Of(Call&& call) {
    Clear();
    call();
    return Texts();
  }
  // Whether a line so far begins with prefix.
  bool Logged(const std::string& prefix);
  // Until a line containing text arrives; false on time-out.
  bool WaitFor(const std::string& text, DWORD timeoutMs) {
    return capture_.WaitFor(text, timeoutMs);
  }

 private:
  DebugOutputCapture capture_{GetCurrentProcessId()};
};

bool HasLine(const std::vector<std::string>& lines, const std::string& line);
bool HasLineStartingWith(const std::vector<std::string>& lines, const std::string& prefix);

}  // namespace testkit
