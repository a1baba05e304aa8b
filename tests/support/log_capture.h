// The debug lines this process writes, with the debug-output switch of the
// product code linked into this program turned on while the object lives (the
// product never turns it on itself). A DLL the test loads keeps its own switch,
// which stays off.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "debug_capture.h"
#include "notebook_fixture.h"

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

// Base with this program's debug lines captured and its switch on: a case whose
// monitor is not running would pass every check that nothing was written.
template <typename Base = FreshNotebook>
class WithLog : public Base {
 protected:
  void SetUp() override {
    Base::SetUp();
    if (::testing::Test::HasFatalFailure()) return;
    ASSERT_TRUE(log_.Running()) << log_.Error();
  }

  LogCapture log_;
};

bool HasLine(const std::vector<std::string>& lines, const std::string& line);
bool HasLineStartingWith(const std::vector<std::string>& lines, const std::string& prefix);

}  // namespace testkit
