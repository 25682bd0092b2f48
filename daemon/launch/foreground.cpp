#include "foreground.h"

void PassForegroundOn()
{
    // The process id is not known before CreateProcess returns, and by then
    // the program may already be showing its first window.
    AllowSetForegroundWindow(ASFW_ANY);
}

// Asynchronous: ShowWindow on another program's window waits for its thread,
// and a hung program would hang the daemon and every hotkey with it.
void BringWindowForward(HWND window)
{
    if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
    SetForegroundWindow(window);
}

void MinimizeWindow(HWND window)
{
    ShowWindowAsync(window, SW_MINIMIZE);
}
