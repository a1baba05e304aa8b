// Test-side control of the simulated notebook: the installed suite, the journal,
// the stand-ins' knobs, network adapters, processes and windows.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <functional>
#include <string>
#include <vector>

namespace testkit {

// ASCII for messages: other characters become '?'.
std::string Narrow(const std::wstring& text);

// Calls visit(path, data) for each file (not folder) directly in folder.
void ForEachFile(const std::wstring& folder,
                 const std::function<void(const std::wstring&, const WIN32_FIND_DATAW&)>& visit);

// The build's bin folder (the one holding Torvan.exe and testbed\).
std::wstring BinDir();
// Where tests install the suite, as the installer does: "C:\Program Files\Torvan", or
// "C:\Program Files (x86)\Torvan" on a 64-bit Windows.
std::wstring AppDir();
std::wstring AppPath(const wchar_t* file);
// A file in the system folder, where the testbed installs stand-ins and doubles.
std::wstring System32(const wchar_t* file);
// Puts a file from bin (e.g. L"testbed\\nvapi.dll") into the system folder, where a
// vendor's installer puts its library and the suite looks for it; false on failure.
bool PlaceInSystemFolder(const wchar_t* relative);
bool RemoveFromSystemFolder(const wchar_t* name);
// Empties AppDir and copies the listed files into it (paths relative to BinDir,
// e.g. L"Torvan.exe", L"testbed\\probes\\Lumex.dll"); each keeps its file name.
void InstallApp(std::initializer_list<const wchar_t*> files);

struct JournalLine {
  unsigned long long micros = 0;
  DWORD pid = 0;
  std::string component;
  std::string call;  // e.g. "InitRessin(2) = 1"
};
// A whole file that stand-ins may be appending to right now; empty when missing.
std::string ReadShared(const std::wstring& path);
// Points TESTBED_JOURNAL (inherited by every program a test starts) at a fresh file.
void ResetJournal();
std::vector<JournalLine> ReadJournal();
// "<component> <call>" for every line, optionally only of one component.
std::vector<std::string> JournalCalls(const std::string& component = "");
// The calls of one component, without its name.
std::vector<std::string> ComponentCalls(const std::string& component);
// Until condition() holds, checked every 10 ms; false once timeoutMs have passed.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
  for (const DWORD start = GetTickCount(); !condition(); Sleep(10))
    if (GetTickCount() - start >= timeoutMs) return false;
  return true;
}

// Until count lines containing text have appeared; false on time-out.
bool WaitForJournal(const std::string& text, DWORD timeoutMs, int count = 1);
// Index of the first "<component> <call>" line that contains text, or -1.
int JournalIndex(const std::vector<std::string>& calls, const std::string& text);
// How many of the lines contain text.
int CountCalls(const std::vector<std::string>& calls, const std::string& text);
inline bool Contains(const std::vector<std::string>& calls, const std::string& text) {
  return JournalIndex(calls, text) >= 0;
}

// Every folder of path, from the drive down, path itself included.
void CreateFolders(const std::wstring& path);

// An environment variable's value, empty when it is not set.
std::wstring EnvironmentVariable(const wchar_t* name);
// An environment variable set while the object lives (null: removed), then as it
// was. Programs started meanwhile inherit it.
class ScopedVariable {
 public:
  ScopedVariable(const wchar_t* name, const wchar_t* value);
  ~ScopedVariable();
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  std::wstring name_;
  std::wstring before_;
  bool had_ = false;
};

void ClearKnobs();
void SetKnob(const char* component, const char* name, DWORD value);

// The default value of a key under HKEY_LOCAL_MACHINE, made as needed (as an
// installer registers a program); false on failure.
bool SetMachineString(const std::wstring& keyPath, const std::wstring& text, DWORD type = REG_SZ);

// Replaces the notebook's network adapters by PCI devices with these hardware IDs,
// in the order SetupAPI will list them.
void SetNetAdapters(const std::vector<std::wstring>& hardwareIds);

class Process {
 public:
  Process() = default;
  explicit Process(const PROCESS_INFORMATION& info);
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  ~Process();
  bool Started() const { return process_ != nullptr; }
  DWORD Id() const { return id_; }
  HANDLE Handle() const { return process_; }
  // True when it ended within the time.
  bool WaitForExit(DWORD timeoutMs) const;
  DWORD ExitCode() const;
  void Kill();

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// Started in its own folder unless a working directory is given.
Process StartProgram(const std::wstring& path, const std::wstring& arguments = L"",
                     const std::wstring& workingDirectory = L"");
HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs);
// A message box (or other dialog) of the given caption owned by process pid.
HWND WaitForDialog(const wchar_t* caption, DWORD pid, DWORD timeoutMs);
std::vector<std::wstring> ChildTexts(HWND window);
// Processes by executable name, case ignored; ProcessIds keeps case, so that an
// impostor "torvan.exe" is told apart from "Torvan.exe".
void KillProcesses(const wchar_t* exeName);
int CountProcesses(const wchar_t* exeName);
std::vector<DWORD> ProcessIds(const wchar_t* exeName);
DWORD CountThreads(DWORD pid);
// Whether process pid has a module of that file name or full path loaded.
bool HasModule(DWORD pid, const std::wstring& nameOrPath);
// The process that owns the window; 0 for no window.
DWORD WindowProcess(HWND hwnd);
bool MutexExists(const wchar_t* name);

// Points an import slot of this program (declared as, e.g., extern "C" void* slot
// __asm__("__imp__TerminateProcess@8")) at function; returns what it held.
void* SwapImport(void** slot, void* function);

// Has the WLAN API double deliver a notification; the number of callbacks it
// made (kNoListener when no client is registered anywhere). Returns after they
// returned.
DWORD WlanNotify(DWORD source, DWORD code, DWORD timeoutMs = 3000);

// The Mobility Center stand-in, running while the object lives.
class MobilityCenter {
 public:
  MobilityCenter();
  ~MobilityCenter();
  bool Running() const { return running_; }

 private:
  Process process_;
  bool running_ = false;
};

// Kernel handles process pid holds, from the system's handle table (Wine's
// GetProcessHandleCount always reports 0).
DWORD CountHandles(DWORD pid);

// What a process holds, measured from outside it.
struct ProcessResources {
  SIZE_T privateBytes = 0;  // GetProcessMemoryInfo's PrivateUsage (PagefileUsage)
  DWORD handles = 0;        // kernel handles it has open
  DWORD gdiObjects = 0;     // live GDI objects it owns
  DWORD threads = 0;        // threads it runs, a display thread on its way out included
};
// The process handle needs PROCESS_QUERY_INFORMATION and PROCESS_VM_READ (a handle
// from StartProgram has both).
ProcessResources MeasureResources(HANDLE process);

}  // namespace testkit
