#include "shell_switch.h"

#include "shell_settings.h"

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
    return true;
}

bool ShellSwitch::SetTaskbarVisible(bool visible)
{
    HWND tray = FindTaskbar();
    if (tray == nullptr) return false;
    ShowWindow(tray, visible ? SW_SHOW : SW_HIDE);
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
