// The display keys' own part: the primary display's registry mode, remembered by
// "external only" and put back by "panel only".
#pragma once

#include <windows.h>

// Panel size remembered by the last "external only"; both start at 0.
extern volatile LONG g_iPanelWidth;
extern volatile LONG g_iPanelHeight;

void SwitchToPanelOnly();
void SwitchToExternalOnly();
