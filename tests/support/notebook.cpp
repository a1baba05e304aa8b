#include "notebook.h"

#include <psapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace testkit {
namespace {

const wchar_t kJournalDir[] = L"C:\\testbed";
const wchar_t kJournalPath[] = L"C:\\testbed\\journal.txt";
const wchar_t kNetClassGuid[] = L"{4d36e972-e325-11ce-bfc1-08002be10318}";
const wchar_t kEnumPci[] = L"System\\CurrentControlSet\\Enum\\PCI";

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

std::wstring FileName(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// All but the running program, which a test may run from there.
void EmptyFolder(const std::wstring& folder) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  ForEachFile(folder, [&](const std::wstring& path, const WIN32_FIND_DATAW&) {
    if (_wcsicmp(path.c_str(), self) != 0) DeleteFileW(path.c_str());
  });
}

// Deletes a key and everything under it.
void DeleteTree(HKEY root, const std::wstring& path) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  wchar_t name[256];
  for (;;) {
    DWORD size = 256;
    if (RegEnumKeyExW(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    DeleteTree(key, name);
  }
  RegCloseKey(key);
  RegDeleteKeyW(root, path.c_str());
}

std::wstring ReadString(HKEY key, const wchar_t* name) {
  wchar_t value[256] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
      ERROR_SUCCESS)
    return L"";
  return value;
}

// Removes every PCI device whose instance is of the network class.
void RemoveNetAdapters() {
  HKEY pci;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEnumPci, 0, KEY_ALL_ACCESS, &pci) != ERROR_SUCCESS) return;
  std::vector<std::wstring> doomed;
  wchar_t device[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = 256;
    if (RegEnumKeyExW(pci, i, device, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    HKEY deviceKey;
    if (RegOpenKeyExW(pci, device, 0, KEY_READ, &deviceKey) != ERROR_SUCCESS) continue;
    wchar_t instance[256];
    DWORD isize = 256;
    bool net = false;
    if (RegEnumKeyExW(deviceKey, 0, instance, &isize, nullptr, nullptr, nullptr, nullptr) ==
        ERROR_SUCCESS) {
      HKEY instanceKey;
      if (RegOpenKeyExW(deviceKey, instance, 0, KEY_READ, &instanceKey) == ERROR_SUCCESS) {
        net = _wcsicmp(ReadString(instanceKey, L"ClassGUID").c_str(), kNetClassGuid) == 0;
        RegCloseKey(instanceKey);
      }
    }
    RegCloseKey(deviceKey);
    if (net) doomed.push_back(device);
  }
  RegCloseKey(pci);
  for (const auto& d : doomed) DeleteTree(HKEY_LOCAL_MACHINE, std::wstring(kEnumPci) + L"\\" + d);
}

// A library an in-process test already loaded cannot be replaced; the same build
// of it may stay.
bool SameSizeInUse(const std::wstring& from, const std::wstring& to) {
  if (GetLastError() != ERROR_SHARING_VIOLATION) return false;
  WIN32_FILE_ATTRIBUTE_DATA a, b;
  return GetFileAttributesExW(from.c_str(), GetFileExInfoStandard, &a) &&
         GetFileAttributesExW(to.c_str(), GetFileExInfoStandard, &b) &&
         a.nFileSizeLow == b.nFileSizeLow && a.nFileSizeHigh == b.nFileSizeHigh;
}

}  // namespace

void ForEachFile(const std::wstring& folder,
                 const std::function<void(const std::wstring&, const WIN32_FIND_DATAW&)>& visit) {
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      visit(folder + L"\\" + data.cFileName, data);
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 128 ? char(c) : '?';
  return out;
}

std::wstring BinDir() {
  // Set by wine-run, which may run the program from the installed suite's folder.
  wchar_t path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"SUITE_BIN_DIR", path, MAX_PATH);
  if (length && length < MAX_PATH) return path;
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return Folder(Folder(path));  // bin\tests\x.exe -> bin
}

std::wstring AppDir() {
  // The Program Files of 32-bit programs: "Program Files (x86)" on a 64-bit Windows.
  wchar_t folder[MAX_PATH] = L"C:\\Program Files";
  SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder);
  return std::wstring(folder) + L"\\Torvan";
}

std::wstring AppPath(const wchar_t* file) { return AppDir() + L"\\" + file; }

std::wstring System32(const wchar_t* file) {
  wchar_t dir[MAX_PATH];
  GetSystemDirectoryW(dir, MAX_PATH);
  return std::wstring(dir) + L"\\" + file;
}

void InstallApp(std::initializer_list<const wchar_t*> files) {
  CreateDirectoryW(AppDir().c_str(), nullptr);
  EmptyFolder(AppDir());
  for (const wchar_t* file : files) {
    const std::wstring from = BinDir() + L"\\" + file;
    const std::wstring to = AppDir() + L"\\" + FileName(file);
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE) && !SameSizeInUse(from, to))
      fprintf(stderr, "InstallApp: cannot copy %s (%lu)\n", Narrow(from).c_str(), GetLastError());
  }
}

bool PlaceInSystemFolder(const wchar_t* relative) {
  const std::wstring to = System32(FileName(relative).c_str());
  // The prefix's files are hard links shared with its base: writing through one
  // would change every prefix, so the old file goes before the new one comes.
  DeleteFileW(to.c_str());
  return CopyFileW((BinDir() + L"\\" + relative).c_str(), to.c_str(), TRUE) != FALSE;
}

bool RemoveFromSystemFolder(const wchar_t* name) {
  return DeleteFileW(System32(name).c_str()) != FALSE;
}

void ResetJournal() {
  CreateDirectoryW(kJournalDir, nullptr);
  DeleteFileW(kJournalPath);
  SetEnvironmentVariableW(L"TESTBED_JOURNAL", kJournalPath);
}

std::string ReadShared(const std::wstring& path) {
  std::string text;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

std::vector<JournalLine> ReadJournal() {
  std::vector<JournalLine> lines;
  std::istringstream in(ReadShared(kJournalPath));
  std::string raw;
  while (std::getline(in, raw)) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    JournalLine line;
    std::istringstream fields(raw);
    fields >> line.micros >> line.pid >> line.component;
    std::getline(fields, line.call);
    if (!line.call.empty() && line.call[0] == ' ') line.call.erase(0, 1);
    if (!line.component.empty()) lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> JournalCalls(const std::string& component) {
  std::vector<std::string> calls;
  for (const auto& line : ReadJournal())
    if (component.empty() || line.component == component)
      calls.push_back(line.component + " " + line.call);
  return calls;
}

std::vector<std::string> ComponentCalls(const std::string& component) {
  std::vector<std::string> calls;
  for (const auto& line : ReadJournal())
    if (line.component == component) calls.push_back(line.call);
  return calls;
}

bool WaitForJournal(const std::string& text, DWORD timeoutMs, int count) {
  return WaitUntil([&] { return CountCalls(JournalCalls(), text) >= count; }, timeoutMs);
}

int CountCalls(const std::vector<std::string>& calls, const std::string& text) {
  int n = 0;
  for (const auto& call : calls) n += call.find(text) != std::string::npos ? 1 : 0;
  return n;
}

int JournalIndex(const std::vector<std::string>& calls, const std::string& text) {
  for (size_t i = 0; i < calls.size(); ++i)
    if (calls[i].find(text) != std::string::npos) return int(i);
  return -1;
}

void ClearKnobs() { DeleteTree(HKEY_CURRENT_USER, L"Software\\Testbed"); }

void SetKnob(const char* component, const char* name, DWORD value) {
  HKEY key;
  const std::string path = std::string("Software\\Testbed\\") + component;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

void CreateFolders(const std::wstring& path) {
  for (size_t slash = path.find(L'\\', 3); slash != std::wstring::npos;
       slash = path.find(L'\\', slash + 1))
    CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
  CreateDirectoryW(path.c_str(), nullptr);
}

std::wstring EnvironmentVariable(const wchar_t* name) {
  std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
  if (value.empty()) return value;
  value.resize(GetEnvironmentVariableW(name, &value[0], DWORD(value.size())));
  return value;
}

ScopedVariable::ScopedVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
  had_ = GetEnvironmentVariableW(name, nullptr, 0) != 0;
  before_ = EnvironmentVariable(name);
  SetEnvironmentVariableW(name, value);
}

ScopedVariable::~ScopedVariable() {
  SetEnvironmentVariableW(name_.c_str(), had_ ? before_.c_str() : nullptr);
}

bool SetMachineString(const std::wstring& keyPath, const std::wstring& text, DWORD type) {
  HKEY key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return false;
  const LONG rc = RegSetValueExW(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                                 DWORD((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

void SetNetAdapters(const std::vector<std::wstring>& hardwareIds) {
  RemoveNetAdapters();
  int n = 0;
  for (const auto& id : hardwareIds) {
    // Enum\PCI\<device>\<instance>: exactly three levels, as SetupAPI expects.
    std::wstring device = id;
    for (auto& c : device)
      if (c == L'\\') c = L'#';
    wchar_t instance[32];
    swprintf(instance, 32, L"4&%d", ++n);
    const std::wstring path = std::wstring(kEnumPci) + L"\\" + device.substr(4) + L"\\" + instance;
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
      continue;
    RegSetValueExW(key, L"ClassGUID", 0, REG_SZ, reinterpret_cast<const BYTE*>(kNetClassGuid),
                   DWORD((wcslen(kNetClassGuid) + 1) * sizeof(wchar_t)));
    std::wstring multi = id;
    multi.push_back(L'\0');
    multi.push_back(L'\0');
    RegSetValueExW(key, L"HardwareID", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi.data()),
                   DWORD(multi.size() * sizeof(wchar_t)));
    RegCloseKey(key);
  }
}

Process::Process(const PROCESS_INFORMATION& info) : process_(info.hProcess), id_(info.dwProcessId) {
  if (info.hThread) CloseHandle(info.hThread);
}

Process::Process(Process&& other) noexcept : process_(other.process_), id_(other.id_) {
  other.process_ = nullptr;
}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    if (process_) CloseHandle(process_);
    process_ = other.process_;
    id_ = other.id_;
    other.process_ = nullptr;
  }
  return *this;
}

Process::~Process() {
  if (process_) CloseHandle(process_);
}

bool Process::WaitForExit(DWORD timeoutMs) const {
  return process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) GetExitCodeProcess(process_, &code);
  return code;
}

void Process::Kill() {
  if (process_ && !WaitForExit(0)) {
    TerminateProcess(process_, 1);
    WaitForExit(5000);
  }
}

Process StartProgram(const std::wstring& path, const std::wstring& arguments,
                     const std::wstring& workingDirectory) {
  std::wstring commandLine = L"\"" + path + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      (workingDirectory.empty() ? Folder(path) : workingDirectory).c_str(),
                      &startup, &info))
    return Process();
  return Process(info);
}

HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs) {
  HWND hwnd = nullptr;
  WaitUntil([&] { return (hwnd = FindWindowW(className, title)) != nullptr; }, timeoutMs);
  return hwnd;
}

namespace {
struct DialogSearch {
  const wchar_t* caption;
  DWORD pid;
  HWND found;
};

BOOL CALLBACK MatchDialog(HWND hwnd, LPARAM parameter) {
  auto* search = reinterpret_cast<DialogSearch*>(parameter);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  if (pid == search->pid && wcscmp(cls, L"#32770") == 0 && wcscmp(text, search->caption) == 0) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectText(HWND hwnd, LPARAM parameter) {
  auto* texts = reinterpret_cast<std::vector<std::wstring>*>(parameter);
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  texts->push_back(text);
  return TRUE;
}
}  // namespace

HWND WaitForDialog(const wchar_t* caption, DWORD pid, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    DialogSearch search = {caption, pid, nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(10);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

std::vector<std::wstring> ChildTexts(HWND window) {
  std::vector<std::wstring> texts;
  EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

namespace {
std::vector<DWORD> ProcessIdsBy(int (*compare)(const wchar_t*, const wchar_t*),
                                const wchar_t* exeName) {
  std::vector<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry))
    if (compare(entry.szExeFile, exeName) == 0) ids.push_back(entry.th32ProcessID);
  CloseHandle(snapshot);
  return ids;
}
}  // namespace

std::vector<DWORD> ProcessIds(const wchar_t* exeName) { return ProcessIdsBy(wcscmp, exeName); }

void KillProcesses(const wchar_t* exeName) {
  for (DWORD id : ProcessIdsBy(_wcsicmp, exeName)) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (!process) continue;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
  }
}

int CountProcesses(const wchar_t* exeName) { return int(ProcessIdsBy(_wcsicmp, exeName).size()); }

DWORD CountThreads(DWORD pid) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  DWORD n = 0;
  for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == pid) ++n;
  CloseHandle(snapshot);
  return n;
}

bool HasModule(DWORD pid, const std::wstring& nameOrPath) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  MODULEENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL ok = Module32FirstW(snapshot, &entry); ok && !found;
       ok = Module32NextW(snapshot, &entry))
    found = _wcsicmp(entry.szModule, nameOrPath.c_str()) == 0 ||
            _wcsicmp(entry.szExePath, nameOrPath.c_str()) == 0;
  CloseHandle(snapshot);
  return found;
}

DWORD WlanNotify(DWORD source, DWORD code, DWORD timeoutMs) {
  wchar_t args[64];
  wsprintfW(args, L"%lu %lu %lu", source, code, timeoutMs);
  Process tool = StartProgram(System32(L"wlan-notify.exe"), args);
  if (!tool.Started() || !tool.WaitForExit(timeoutMs + 5000)) return DWORD(-1);
  return tool.ExitCode();
}

MobilityCenter::MobilityCenter() {
  process_ = StartProgram(System32(L"mblctr.exe"));
  // Running for Toolhelp once it has written its first line.
  running_ = process_.Started() && WaitForJournal("mblctr start", 15000);
  if (!running_) process_.Kill();
}

MobilityCenter::~MobilityCenter() {
  if (process_.Started()) process_.Kill();
}

void* SwapImport(void** slot, void* function) {
  DWORD protection = 0;
  VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protection);
  void* previous = *slot;
  *slot = function;
  VirtualProtect(slot, sizeof(void*), protection, &protection);
  return previous;
}

DWORD WindowProcess(HWND hwnd) {
  DWORD pid = 0;
  if (hwnd) GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

bool MutexExists(const wchar_t* name) {
  HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name);
  if (!mutex) return false;
  CloseHandle(mutex);
  return true;
}

}  // namespace testkit

namespace testkit {
namespace {

// Wine's GetGuiResources is a stub (0, ERROR_CALL_NOT_IMPLEMENTED). Its GDI keeps a
// per-process handle table that the PEB points to, as Windows' GdiSharedHandleTable:
// 65 536 entries of 24 bytes whose type byte is non-zero while the object lives.
DWORD CountWineGdiObjects(HANDLE process) {
  struct Entry {
    unsigned long long object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    unsigned long long userPointer;
  };
  static_assert(sizeof(Entry) == 24, "Wine's GDI handle entry");
  constexpr size_t kEntries = 0x10000;
  constexpr size_t kPebGdiSharedHandleTable = 0x94;
  using Query = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
  static const Query query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  struct {
    PVOID reserved1;
    BYTE* pebBase;
    PVOID reserved2[4];
  } basic = {};
  ULONG length = 0;
  if (query(process, 0 /* ProcessBasicInformation */, &basic, sizeof basic, &length) != 0) return 0;
  ULONG table = 0;
  SIZE_T read = 0;
  if (!ReadProcessMemory(process, basic.pebBase + kPebGdiSharedHandleTable, &table, sizeof table,
                         &read) ||
      !table)
    return 0;
  std::vector<Entry> entries(kEntries);
  if (!ReadProcessMemory(process, reinterpret_cast<void*>(static_cast<ULONG_PTR>(table)),
                         entries.data(), entries.size() * sizeof(Entry), &read))
    return 0;
  DWORD live = 0;
  for (size_t i = 0; i < read / sizeof(Entry); ++i) live += entries[i].type ? 1 : 0;
  return live;
}

}  // namespace

// The handles a process holds, counted in the system's handle table: Wine's
// GetProcessHandleCount always reports 0.
DWORD CountHandles(DWORD pid) {
  struct Entry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
  };
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  static const Query query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
  std::vector<BYTE> buffer(1 << 16);
  ULONG needed = 0;
  LONG status;
  while ((status = query(kSystemHandleInformation, buffer.data(), ULONG(buffer.size()), &needed)) ==
         kInfoLengthMismatch)
    buffer.resize(buffer.size() * 2);
  if (status != 0) return 0;
  const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
  const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG));
  DWORD owned = 0;
  for (ULONG i = 0; i < count; ++i) owned += entries[i].ownerPid == pid ? 1 : 0;
  return owned;
}

ProcessResources MeasureResources(HANDLE process) {
  ProcessResources resources;
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof memory;
  if (K32GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                              sizeof memory))
    // Windows reports the same figure in both; Wine leaves PrivateUsage at 0.
    resources.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
  resources.handles = CountHandles(GetProcessId(process));
  resources.threads = CountThreads(GetProcessId(process));
  SetLastError(ERROR_SUCCESS);
  resources.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
  if (resources.gdiObjects == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED)
    resources.gdiObjects = CountWineGdiObjects(process);
  return resources;
}

}  // namespace testkit
