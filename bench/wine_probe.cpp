// What Wine itself costs for calls the service makes on every key or frame, made
// by a bare program so the table can tell the platform's share from the suite's:
//  - handles left behind per ChangeDisplaySettingsExW(NULL, NULL, NULL, 0, NULL),
//    the call that applies the panel-only layout (code 97);
//  - how late Sleep(50) and a 50 ms wait on an event return;
//  - decoding one small PNG through GDI+ (the level marker, 10 x 20 pixels).
// usage: wine_probe [N]   (run from the folder holding Pictor.dll)
#include <objidl.h>
#include <gdiplus.h>

#include <cstdlib>
#include <cstring>

#include "bench_util.h"
#include "notebook.h"

namespace {

double LeakPerCall(int n) {
  ChangeDisplaySettingsExW(nullptr, nullptr, nullptr, 0, nullptr);  // first-use objects
  const DWORD before = testkit::CountHandles(GetCurrentProcessId());
  for (int i = 0; i < n; ++i) ChangeDisplaySettingsExW(nullptr, nullptr, nullptr, 0, nullptr);
  return double(testkit::CountHandles(GetCurrentProcessId()) - before) / n;
}

std::vector<double> Overshoot(int n, bool onEvent) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::vector<double> late;
  for (int i = 0; i < n; ++i) {
    const double start = NowMs();
    if (onEvent)
      WaitForSingleObject(event, 50);
    else
      Sleep(50);
    late.push_back(NowMs() - start - 50.0);
  }
  CloseHandle(event);
  return late;
}

std::vector<double> DecodeMarker(int n) {
  std::vector<double> ms;
  HMODULE pictures = LoadLibraryW(L"Pictor.dll");
  HRSRC resource = pictures ? FindResourceW(pictures, MAKEINTRESOURCEW(201), L"PNG") : nullptr;
  if (!resource) return ms;
  const DWORD size = SizeofResource(pictures, resource);
  const void* bytes = LockResource(LoadResource(pictures, resource));
  for (int i = 0; i < n; ++i) {
    const double start = NowMs();
    HGLOBAL buffer = GlobalAlloc(GMEM_MOVEABLE, size);
    memcpy(GlobalLock(buffer), bytes, size);
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(buffer, FALSE, &stream);
    auto* bitmap = new Gdiplus::Bitmap(stream);
    stream->Release();
    bitmap->GetWidth();
    delete bitmap;
    GlobalUnlock(buffer);
    GlobalFree(buffer);
    ms.push_back(NowMs() - start);
  }
  FreeLibrary(pictures);
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? atoi(argv[1]) : 300;
  Result("wine.cds_null_handles", LeakPerCall(n));
  Report("wine.sleep50_late", "Sleep(50) returns late by", Overshoot(n, false));
  Report("wine.wait50_late", "a 50 ms event wait returns late by", Overshoot(n, true));
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  const std::vector<double> decodes = DecodeMarker(n);
  if (!decodes.empty()) Report("wine.decode_marker", "decoding the 10 x 20 marker PNG", decodes);
  Gdiplus::GdiplusShutdown(token);
  return 0;
}
