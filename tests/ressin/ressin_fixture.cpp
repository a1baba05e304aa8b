#include "ressin_fixture.h"

#include "entry.h"

namespace ressin_test {
namespace {

void RegisterWindowClass(const wchar_t* name) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = name;
  RegisterClassW(&wc);  // already registered by an earlier test: fine
}

}  // namespace

int VersionCode() {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExW(&info);
  if (info.dwMajorVersion == 6 && info.dwMinorVersion == 0) return kOsVista;
  if (info.dwMajorVersion == 6 && info.dwMinorVersion == 1) return kOsSeven;
  return -1;
}

ServiceWindow::ServiceWindow(const wchar_t* className, const wchar_t* title) {
  RegisterWindowClass(className);
  hwnd_ = CreateWindowExW(0, className, title, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
}

ServiceWindow::~ServiceWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

const std::vector<Posted>& ServiceWindow::Messages() {
  MSG msg;
  while (PeekMessageW(&msg, hwnd_, WM_RESSINMSG, WM_RESSINMSG, PM_REMOVE))
    messages_.push_back({msg.wParam, msg.lParam, msg.time});
  return messages_;
}

::testing::AssertionResult PostedOne(ServiceWindow& service, LPARAM lParam) {
  const auto& posted = service.Messages();
  if (posted.size() != 1)
    return ::testing::AssertionFailure() << posted.size() << " messages posted, not one";
  if (posted[0].wParam != 0 || posted[0].lParam != lParam)
    return ::testing::AssertionFailure()
           << "posted " << posted[0].wParam << ", " << posted[0].lParam << ", not 0, " << lParam;
  return ::testing::AssertionSuccess();
}

RessinLibrary::RessinLibrary() {
  module_ = LoadLibraryW((testkit::BinDir() + L"\\Ressin.dll").c_str());
  if (!module_) return;
  init_ = suite::GetEntry<PFN_InitRessin>(module_, "InitRessin");
  uninit_ = suite::GetEntry<PFN_UnInitRessin>(module_, "UnInitRessin");
  onoff_ = suite::GetEntry<PFN_WLANOnOff>(module_, "WLANOnOff");
}

RessinLibrary::~RessinLibrary() { Unload(); }

void RessinLibrary::Unload() {
  if (!module_) return;
  // The service uninitialises before it frees the library.
  if (uninit_) uninit_();
  FreeLibrary(module_);
  module_ = nullptr;
}

bool RessinLibrary::UnloadAndWaitForRechecks(DWORD timeoutMs) {
  Unload();
  return testkit::WaitUntil([] { return !GetModuleHandleW(L"Ressin.dll"); }, timeoutMs);
}

std::vector<std::string> Calls(const char* component) { return testkit::JournalCalls(component); }

}  // namespace ressin_test
