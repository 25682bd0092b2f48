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
    // Windows puts the window it activates on top; Wine without a window
    // manager leaves it where it was.
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
}

void MinimizeWindow(HWND window)
{
    ShowWindowAsync(window, SW_MINIMIZE);
}
