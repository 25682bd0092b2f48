#pragma once

#include <windows.h>

#include <shellapi.h>

// The platform calls of the services that end the session, open shell folders
// or empty the recycle bin, behind one seam: tests put harmless stand-ins here
// so that they never log off, shut down or empty a real recycle bin.
struct ServiceCalls {
    BOOL(WINAPI* exitWindows)(UINT flags, DWORD reason);
    BOOL(WINAPI* shellExecuteEx)(SHELLEXECUTEINFOA* info);
    HRESULT(WINAPI* emptyRecycleBin)(HWND owner, LPCSTR root, DWORD flags);
};

// The calls in use; the real platform functions unless a test replaced them.
ServiceCalls& CurrentServiceCalls();

enum SessionMode { kLogOff = 0, kShutDown = 1, kRestart = 2 };

// Asks the system to end the session (never forced); true when it accepted.
bool EndSession(int mode);

// Opens a shell folder by its CSIDL number; false only when the shell's
// allocator or the opening failed.
bool OpenSpecialFolder(int folder);

// "GetWinText" at a screen point: 1 done, 2 no window there, 3 no child at
// the point or it does not answer within a second, 4 memory or clipboard failure.
int CopyWindowTextAt(POINT point, HWND clipboardOwner);
