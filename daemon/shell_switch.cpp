#include "shell_switch.h"

#include "settings/shell_settings.h"

#include <shellapi.h>

#include <cstring>

namespace {

bool HasClass(HWND window, const char* name)
{
    char buffer[256] = {};
    if (GetClassNameA(window, buffer, 256) == 0) return false;
    return std::strcmp(buffer, name) == 0;
}

using SetLayeredWindowAttributesProc = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

// Looked up at run time: platforms before layered windows lack the entry point.
SetLayeredWindowAttributesProc LayeredAttributesEntry()
{
    HMODULE user = GetModuleHandleA("user32.dll");
    if (user == nullptr) return nullptr;
    return reinterpret_cast<SetLayeredWindowAttributesProc>(
        reinterpret_cast<void*>(GetProcAddress(user, "SetLayeredWindowAttributes")));
}

// The shell windows this process hid or made translucent, for the crash
// filter: a daemon that dies must not leave the user without a taskbar.
// Process-wide, as the windows are; written only on the message thread.
struct ChangedWindows {
    HWND hiddenIcons = nullptr;
    HWND hiddenTaskbar = nullptr;
    HWND translucentTaskbar = nullptr;
};
ChangedWindows g_changed;
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;

LONG WINAPI RestoreShellOnCrash(EXCEPTION_POINTERS* exception)
{
    // Nothing here may wait for the shell's thread: the windows are shown
    // asynchronously, and the handles are the ones remembered, not looked up.
    if (g_changed.hiddenIcons != nullptr) ShowWindowAsync(g_changed.hiddenIcons, SW_SHOW);
    if (g_changed.translucentTaskbar != nullptr) {
        const LONG style = GetWindowLongA(g_changed.translucentTaskbar, GWL_EXSTYLE);
        SetWindowLongA(g_changed.translucentTaskbar, GWL_EXSTYLE, style & ~WS_EX_LAYERED);
    }
    if (g_changed.hiddenTaskbar != nullptr) ShowWindowAsync(g_changed.hiddenTaskbar, SW_SHOW);
    // The crash goes on as it would have without us.
    return g_previousFilter != nullptr ? g_previousFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

// Installed at the first change and kept: with nothing changed it only passes on.
void WatchForCrashes()
{
    static bool installed = false;
    if (installed) return;
    g_previousFilter = SetUnhandledExceptionFilter(RestoreShellOnCrash);
    installed = true;
}

} // namespace

HWND ShellSwitch::FindDesktopListView()
{
    HWND progman = FindWindowA("Progman", "Program Manager");
    if (progman == nullptr) return nullptr;
    HWND view = GetWindow(progman, GW_CHILD);
    if (view == nullptr || !HasClass(view, "SHELLDLL_DefView")) return nullptr;
    HWND list = GetWindow(view, GW_CHILD);
    if (list == nullptr || !HasClass(list, "SysListView32")) return nullptr;
    return list;
}

HWND ShellSwitch::FindTaskbar()
{
    APPBARDATA bar = {};
    bar.cbSize = sizeof bar;
    bar.hWnd = nullptr;
    if (!SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) return nullptr;
    HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
    if (tray == nullptr) return nullptr;
    RECT rect = {};
    if (!GetWindowRect(tray, &rect)) return nullptr;
    // A window that is not where the shell says its taskbar is, is not it.
    if (rect.left != bar.rc.left || rect.top != bar.rc.top || rect.right != bar.rc.right ||
        rect.bottom != bar.rc.bottom) {
        return nullptr;
    }
    return tray;
}

bool ShellSwitch::SetDesktopIconsVisible(bool visible)
{
    HWND list = FindDesktopListView();
    if (list != nullptr) ShowWindow(list, visible ? SW_SHOW : SW_HIDE);
    g_changed.hiddenIcons = (list != nullptr && !visible) ? list : nullptr;
    if (!visible) WatchForCrashes();
    return true;
}

bool ShellSwitch::SetTaskbarVisible(bool visible)
{
    HWND tray = FindTaskbar();
    if (tray == nullptr) return false;
    ShowWindow(tray, visible ? SW_SHOW : SW_HIDE);
    g_changed.hiddenTaskbar = visible ? nullptr : tray;
    if (!visible) WatchForCrashes();
    return true;
}

bool ShellSwitch::SetTaskbarAlpha(int alpha)
{
    HWND tray = FindTaskbar();
    if (tray == nullptr) return false;
    const LONG style = GetWindowLongA(tray, GWL_EXSTYLE);
    if (alpha < 0) {
        if (style & WS_EX_LAYERED) SetWindowLongA(tray, GWL_EXSTYLE, style & ~WS_EX_LAYERED);
    } else {
        if (!(style & WS_EX_LAYERED)) SetWindowLongA(tray, GWL_EXSTYLE, style | WS_EX_LAYERED);
        if (SetLayeredWindowAttributesProc setAttributes = LayeredAttributesEntry()) {
            setAttributes(tray, 0, static_cast<BYTE>(alpha & 0xFF), LWA_ALPHA);
        }
    }
    g_changed.translucentTaskbar = alpha < 0 ? nullptr : tray;
    if (alpha >= 0) WatchForCrashes();
    RedrawWindow(tray, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
    UpdateWindow(tray);
    return true;
}

void ShellSwitch::Apply(const ShellSettings& settings)
{
    SetDesktopIconsVisible(settings.showDesktopIcons);
    SetTaskbarVisible(settings.showTaskbar);
    SetTaskbarAlpha(settings.translucentTaskbar ? settings.taskbarOpacity : -1);
}

void ShellSwitch::Restore()
{
    SetDesktopIconsVisible(true);
    SetTaskbarAlpha(-1);
    SetTaskbarVisible(true);
}
