// The on-screen display: a 200x120 layered, click-through, topmost window at the
// top-left corner, created once and kept hidden between displays, and the short-
// lived display thread that shows one picture (with an optional level marker)
// for 30 frames after the latest request.
#pragma once

#include <windows.h>

// The request state. Requesters write the three values, then call RequestOSD; the
// display thread reads them afresh on every frame.
extern volatile LONG iOSDIcon;    // picture id (low 16 bits); 0 draws nothing
extern volatile LONG iOSDLevel;   // level for the marker; negative is drawn as 0
extern volatile LONG bShowLevel;  // 1: draw the level marker
// Non-null while a display cycle runs.
extern HANDLE volatile hNodeThread;
extern volatile LONG iFrameCount;
extern HWND hwndFW;

constexpr int kOSDFrames = 30;

// Creates the window and its drawing surface. Needs GDI+ started.
void CreateOSDWindow();

// Starts a display cycle, or restarts the running one's frame count.
void RequestOSD();
// Writes the request's three values and requests, all under the OSD's own lock:
// two requesters (the hotkey thread and the main thread) never mix their values.
void RequestOSDPicture(LONG icon, LONG level, LONG showLevel);

// The screen point the window is shown at (reset on a display change).
void SetOSDDestination(int x, int y);

// Draws the current request into the surface and pushes it to the window.
// False when there is no surface to draw on.
bool DrawOSDFrame();

// The surface's 200x120 bottom-up 32-bit pixels (null without a surface): for
// tests, since a layered window's contents cannot be read back from it.
const DWORD* OSDPixels();

DWORD WINAPI OSDThread(LPVOID);

// Teardown, in this order: end a running cycle (false when it would not end in
// time: then nothing it draws with may be released), the picture holders, the
// drawing object and surface, (image library and GDI+), the window and its class.
bool StopOSD(DWORD timeoutMs);
void ReleaseOSDHolders();
void ReleaseOSDSurface();
// Instead of both releases, for a display thread that would not end: the pictures,
// the surface and the cycle's end event stay, whole and reachable, until exit.
void KeepOSD();
void DestroyOSDWindow();
