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
// The icon location is read as Windows reads one: references expanded,
// surrounding quotation marks removed, the icon index cut off. What comes out
// is launched only when it is a full path (launch.h).

// "SOFTWARE\Clients\Mail\<client>\Protocols\mailto\DefaultIcon\"; false (and an
// empty path) when it does not fit.
bool BuildDefaultIconKeyPath(const wchar_t* client, wchar_t* keyPath);
// The value with its environment references expanded, except %ProgramFiles%,
// which becomes the plain word ProgramFiles; false (an empty path) when the
// result does not fit.
bool ExpandIconLocation(const wchar_t* value, wchar_t* path);
// Clears the buffer from its end through its last ',' (all of it without one).
void CutIconIndex(wchar_t* path);
// Where "ProgramFiles" first occurs, or the path's length.
int FindProgramFiles(const wchar_t* path);
// The machine's own Program Files folder, whatever its name, drive or the
// service's bitness; false (an empty folder) when it cannot be read.
bool GetProgramFilesFolder(wchar_t* folder);
// A path that begins with "ProgramFiles" moves under the programFiles folder;
// any other path, or any path when the folder is unknown, stays as it is.
void ResolveProgramFiles(const wchar_t* path, const wchar_t* programFiles, wchar_t* location);
