#include "lumex_fixture.h"

#include <cstdlib>

void PlaceLibraries(std::initializer_list<const wchar_t*> standIns) {
  testkit::InstallApp({L"Lumex.dll"});
  for (const wchar_t* file : standIns)
    ASSERT_TRUE(testkit::PlaceInSystemFolder(file)) << GetLastError();
}

void LumexTest::SetUp() {
  WithLog::SetUp();
  if (HasFatalFailure()) return;
  lumex_ = LoadLibraryW(testkit::AppPath(L"Lumex.dll").c_str());
  ASSERT_NE(nullptr, lumex_) << GetLastError();
  onMonitorLayout_ = reinterpret_cast<PFN_OnMonitorLayout>(
      reinterpret_cast<void*>(GetProcAddress(lumex_, "OnMonitorLayout")));
  ASSERT_NE(nullptr, onMonitorLayout_);
}

void LumexTest::TearDown() {
  if (lumex_) FreeLibrary(lumex_);
}

std::vector<unsigned char> RecordBytes(const std::string& call) {
  std::vector<unsigned char> bytes;
  const size_t open = call.find('['), close = call.find(']');
  if (open == std::string::npos || close == std::string::npos) return bytes;
  const std::string hex = call.substr(open + 1, close - open - 1);
  for (size_t i = 0; i < hex.size(); i += 3)
    bytes.push_back(static_cast<unsigned char>(strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
  return bytes;
}

unsigned long WordAt(const std::vector<unsigned char>& record, size_t offset) {
  if (offset + 4 > record.size()) return 0xdeadbeef;
  return record[offset] | record[offset + 1] << 8 | record[offset + 2] << 16 |
         static_cast<unsigned long>(record[offset + 3]) << 24;
}
