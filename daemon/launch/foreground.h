#pragma once

#include <windows.h>

// The daemon may set the foreground after a hotkey (its thread got the last
// input) or a menu choice (its window came to the front for the menu); the
// programs it starts have no such right of their own. Lets the next process
// take the foreground; called just before a start.
void PassForegroundOn();

// Restores the window when it is minimised and brings it to the front.
void BringWindowForward(HWND window);

void MinimizeWindow(HWND window);
