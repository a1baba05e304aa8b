// The default mail client's program path, resolved from the machine-wide
// registry for the mail key: the client named under "SOFTWARE\Clients\Mail\",
// the icon it registered for "mailto" links, cut at its icon index.
#pragma once

#include <stddef.h>

constexpr size_t kMailPathChars = 256;

// The resolved path; empty when nothing was found. Hotkey thread only.
extern wchar_t szExecLocation[kMailPathChars];

void GetMailClientPath();

// The string rules, apart from the registry. Every buffer holds kMailPathChars.

// "SOFTWARE\Clients\Mail\<client>\Protocols\mailto\DefaultIcon\"; false (and an
// empty path) when it does not fit.
bool BuildDefaultIconKeyPath(const wchar_t* client, wchar_t* keyPath);
// The value with every '%' left out.
void RemovePercentSigns(const wchar_t* value, wchar_t* path);
// Clears the buffer from its end through its last ',' (all of it without one).
void CutIconIndex(wchar_t* path);
// Where "ProgramFiles" first occurs, or the path's length.
int FindProgramFiles(const wchar_t* path);
// A path that begins with "ProgramFiles" moves under "C:\Program Files".
void ResolveProgramFiles(const wchar_t* path, wchar_t* location);
