#include "log_capture.h"

#include <gtest/gtest.h>

#include "debuglog.h"

namespace testkit {

LogCapture::LogCapture() { Switch(true); }

LogCapture::~LogCapture() { Switch(false); }

void LogCapture::Switch(bool on) { suite::g_bDebugOutput = on; }

std::vector<std::string> LogCapture::Texts() {
  // Without the sync a line still on its way would be missing, and a check
  // that nothing was written would pass whatever the product did.
  if (!capture_.Sync(10000)) ADD_FAILURE() << "the debug-output monitor did not catch up";
  std::vector<std::string> texts;
  for (const auto& line : capture_.Lines()) texts.push_back(line.text);
  return texts;
}

bool LogCapture::Logged(const std::string& prefix) { return HasLineStartingWith(Texts(), prefix); }

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  for (const auto& l : lines)
    if (l == line) return true;
  return false;
}

bool HasLineStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
  for (const auto& line : lines)
    if (line.rfind(prefix, 0) == 0) return true;
  return false;
}

}  // namespace testkit
