// dbwin [--pid N] [--out FILE] [--seconds S]
//
// Prints every debug-output line of the session as "<pid> <text>" on stdout,
// one write per line so that a pipe reader sees each line as it comes, and
// appends the same lines to FILE. Stops after S seconds, on Ctrl+C, or when killed.
// Announces "dbwin: reading" on stderr once lines can no longer be missed.
#include "dbwin_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Ctrl+C arrives on another thread: it only signals the main loop.
HANDLE g_stop = nullptr;

BOOL WINAPI OnConsoleControl(DWORD) {
  SetEvent(g_stop);
  return TRUE;
}

int Usage() {
  std::fputs("usage: dbwin [--pid N] [--out FILE] [--seconds S]\n", stderr);
  return 1;
}

bool ParseNumber(const char* text, DWORD* out) {
  char* end = nullptr;
  unsigned long value = std::strtoul(text, &end, 0);
  if (!*text || *end) return false;
  *out = DWORD(value);
  return true;
}

void WriteAll(HANDLE target, const std::string& bytes) {
  DWORD written = 0;
  WriteFile(target, bytes.data(), DWORD(bytes.size()), &written, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  DWORD pid = 0;
  DWORD seconds = 0;
  const char* outPath = nullptr;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(argv[i], "--pid") && hasValue) {
      if (!ParseNumber(argv[++i], &pid)) return Usage();
    } else if (!std::strcmp(argv[i], "--seconds") && hasValue) {
      if (!ParseNumber(argv[++i], &seconds)) return Usage();
    } else if (!std::strcmp(argv[i], "--out") && hasValue) {
      outPath = argv[++i];
    } else {
      return Usage();
    }
  }

  dbwin::Handle out;
  if (outPath) {
    out.Reset(CreateFileA(outPath, FILE_APPEND_DATA,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) {
      std::fprintf(stderr, "dbwin: cannot open %s (error %lu)\n", outPath, GetLastError());
      return 2;
    }
  }

  dbwin::Handle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  g_stop = stop.Get();
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);

  dbwin::Reader reader;
  const DWORD error = reader.Open();
  if (error == ERROR_ALREADY_EXISTS) {
    std::fputs("dbwin: another debug-output monitor owns DBWIN_BUFFER\n", stderr);
    return 2;
  }
  if (error != ERROR_SUCCESS) {
    std::fprintf(stderr, "dbwin: cannot create the DBWIN objects (error %lu)\n", error);
    return 2;
  }
  std::fputs("dbwin: reading\n", stderr);
  std::fflush(stderr);

  const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
  const DWORD deadline = GetTickCount() + seconds * 1000;
  dbwin::Message message;
  for (;;) {
    DWORD wait = INFINITE;
    if (seconds) {
      const DWORD left = deadline - GetTickCount();
      if (LONG(left) <= 0) break;
      wait = left;
    }
    const dbwin::Reader::Result result = reader.Next(stop.Get(), wait, &message);
    if (result != dbwin::Reader::Result::Line) {
      if (result == dbwin::Reader::Result::Timeout) continue;
      break;
    }
    if (pid && message.pid != pid) continue;
    // Most writers end their lines with a newline; one line per call reads better without it.
    std::string text = message.text;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const std::string line = std::to_string(message.pid) + " " + text;
    WriteAll(console, line + "\n");
    if (out) WriteAll(out.Get(), line + "\r\n");
  }
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  return 0;
}
