// wlan-notify SOURCE CODE [TIMEOUT_MS]: has the WLAN API double deliver one
// notification to its registered callbacks, as the WLAN service would.
// Exit code: the number of callbacks made, 255 when no double listens, 254 on
// bad arguments. Returns after the callbacks have returned.
#include <windows.h>

#include <cstdlib>

#include "notify_channel.h"

namespace {

struct Handle {
  HANDLE h;
  ~Handle() {
    if (h) CloseHandle(h);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 254;
  const DWORD source = strtoul(argv[1], nullptr, 0);
  const DWORD code = strtoul(argv[2], nullptr, 0);
  const DWORD timeoutMs = argc > 3 ? strtoul(argv[3], nullptr, 0) : 3000;

  using namespace wlan_testbed;
  Handle request{CreateEventW(nullptr, FALSE, FALSE, kRequestEvent)};
  Handle done{CreateEventW(nullptr, FALSE, FALSE, kDoneEvent)};
  Handle section{CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    sizeof(NotifyRequest), kSection)};
  if (!request.h || !done.h || !section.h) return 255;
  auto* shared = static_cast<NotifyRequest*>(
      MapViewOfFile(section.h, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(NotifyRequest)));
  if (!shared) return 255;
  shared->source = source;
  shared->code = code;
  shared->callbacks = 0;
  ResetEvent(done.h);
  SetEvent(request.h);
  int result = 255;
  if (WaitForSingleObject(done.h, timeoutMs) == WAIT_OBJECT_0) {
    result = int(shared->callbacks);
  } else {
    // Nobody listened: a double that registers later must not get a stale
    // request.
    ResetEvent(request.h);
  }
  UnmapViewOfFile(shared);
  return result;
}
