#pragma once

#include <windows.h>

struct ShellSettings;

// Applies the shell-extension settings to the running shell's windows and
// restores them; every call looks the windows up afresh. Once it changed one,
// a filter of unhandled exceptions restores what is still changed before a
// crash ends the process.
class ShellSwitch {
public:
    // The desktop's icon view: "Progman" -> "SHELLDLL_DefView" -> "SysListView32".
    static HWND FindDesktopListView();
    // "Shell_TrayWnd", only when its rectangle is the one the shell reports.
    static HWND FindTaskbar();

    // True in every case.
    bool SetDesktopIconsVisible(bool visible);
    // False when the taskbar was not found.
    bool SetTaskbarVisible(bool visible);
    // Negative alpha: opaque again; 0-255: translucent with that alpha.
    // False when the taskbar was not found.
    bool SetTaskbarAlpha(int alpha);

    // The three calls of a service start, in order.
    void Apply(const ShellSettings& settings);
    // Icons shown, taskbar opaque, taskbar shown, whatever they were.
    void Restore();
};
