// The on-screen display window: a 200x120 layered, click-through, topmost window
// at the top-left corner, created once and kept hidden between displays.
#pragma once

#include <windows.h>

extern HWND hwndFW;

// Creates the window and its drawing surface. Needs GDI+ started.
void CreateOSDWindow();

// Teardown, in this order: the drawing object and surface, (image library and
// GDI+ go between), then the window and its class.
void ReleaseOSDSurface();
void DestroyOSDWindow();
