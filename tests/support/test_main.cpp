// The main of every test program: GoogleTest, plus what a failed case leaves
// behind. CTest reruns nothing, so the journal and the session's debug output at
// the moment of a failure are kept in a folder of the build tree that the
// failure's output names.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "debug_capture.h"
#include "notebook.h"

namespace {

using testkit::CreateFolders;

void WriteWhole(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
  CloseHandle(file);
}

// "Suite.Case", with what a file name cannot hold (a parameterised case's '/') replaced.
std::wstring CaseFolderName(const testing::TestInfo* test) {
  const std::string name =
      test ? std::string(test->test_suite_name()) + "." + test->name() : "outside-any-case";
  std::wstring folder;
  for (char c : name) folder += strchr("\\/:*?\"<>|", c) ? L'_' : wchar_t(c);
  return folder;
}

class FailureKeeper : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { debug_output::ForgetRecorded(); }

  void OnTestPartResult(const testing::TestPartResult& result) override {
    if (!result.failed()) return;
    // wine-run names a folder of the build tree for the test; run by hand, the
    // program keeps its failures beside itself.
    std::wstring root = testkit::EnvironmentVariable(L"SUITE_FAILURE_DIR");
    std::wstring shown = testkit::EnvironmentVariable(L"SUITE_FAILURE_DIR_UNIX");
    if (root.empty()) {
      wchar_t program[MAX_PATH];
      GetModuleFileNameW(nullptr, program, MAX_PATH);
      root = std::wstring(program) + L".failures";
    }
    if (shown.empty()) shown = root;
    const std::wstring name = CaseFolderName(testing::UnitTest::GetInstance()->current_test_info());
    const std::wstring folder = root + L"\\" + name;
    CreateFolders(folder);

    const std::wstring journalPath = testkit::EnvironmentVariable(L"TESTBED_JOURNAL");
    const std::string journal =
        journalPath.empty() ? std::string() : testkit::ReadShared(journalPath);
    WriteWhole(folder + L"\\journal.txt", journal);
    std::string debug;
    for (const DebugLine& line : debug_output::Recorded()) {
      debug += std::to_string(line.pid) + " " + line.text;
      if (debug.back() != '\n') debug += '\n';
    }
    WriteWhole(folder + L"\\debug.txt", debug);

    printf("[   KEPT   ] the journal and debug output of this failure: %s%c%s\n",
           testkit::Narrow(shown).c_str(), shown == root ? '\\' : '/',
           testkit::Narrow(name).c_str());
    fflush(stdout);
  }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Another monitor may own the session's debug output (a dbwin.exe started by
  // hand): then failures keep the journal only.
  debug_output::Record();
  testing::UnitTest::GetInstance()->listeners().Append(new FailureKeeper);
  return RUN_ALL_TESTS();
}
