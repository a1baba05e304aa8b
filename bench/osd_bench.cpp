// The OSD's own cost, in this process with the suite's real image library:
//  - request -> first frame on screen (the first UpdateLayeredWindow is followed at
//    once by the show), over N requests that each start a display cycle;
//  - drawing one frame (clear, two decodes, compose, push), and the decodes alone.
// usage: osd_bench [N]   (run from the folder holding Pictor.dll)
#include <cstdlib>

#include "bench_util.h"
#include "osd.h"
#include "xres.h"

namespace {

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? atoi(argv[1]) : 1000;
  LoadImageLibrary();
  if (!ImageModule()) {
    fprintf(stderr, "osd_bench: Pictor.dll not found\n");
    return 1;
  }
  CreateOSDWindow();

  std::vector<double> frames;
  iOSDIcon = 478;
  iOSDLevel = 7;
  bShowLevel = 1;
  for (int i = 0; i < n; ++i) {
    const double start = NowMs();
    DrawOSDFrame();
    frames.push_back(NowMs() - start);
  }

  // The part of a frame that is the two decodes alone.
  std::vector<double> decodes;
  for (int i = 0; i < n; ++i) {
    CXRes icon, marker;
    const double start = NowMs();
    icon.LoadFromResource(478);
    marker.LoadFromResource(201);  // the level marker
    decodes.push_back(NowMs() - start);
  }

  std::vector<double> firstFrame;
  for (int i = 0; i < n; ++i) {
    while (hNodeThread) {
      Pump();
      Sleep(0);
    }
    const double start = NowMs();
    RequestOSD();
    while (!IsWindowVisible(hwndFW)) Pump();
    firstFrame.push_back(NowMs() - start);
    // Only the first frame is measured: end the cycle early.
    InterlockedExchange(&iFrameCount, kOSDFrames);
  }

  Report("osd.first_frame", "OSD request -> first frame shown", firstFrame);
  Report("osd.frame", "one frame (clear, 2 decodes, compose, push)", frames);
  Report("osd.decode", "of which: the two PNG decodes", decodes);
  StopOSD(5000);
  ReleaseOSDHolders();
  ReleaseOSDSurface();
  FreeImageLibrary();
  ShutdownGdiplus();
  DestroyOSDWindow();
  return 0;
}
