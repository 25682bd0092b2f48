#include "platform/message_box.h"
#include "options_sheet.h"
#include "platform/option_lock.h"
#include "resource.h"
#include "settings/settings_file.h"
#include "settings/ui_language_setting.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

// The command line names the local settings file to edit; a name with
// blanks may come quoted.
static std::string SettingsName(const char* commandLine)
{
    std::string name = commandLine ? commandLine : "";
    const auto first = name.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    name.erase(0, first);
    name.erase(name.find_last_not_of(" \t") + 1);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
        name = name.substr(1, name.size() - 2);
    return name;
}

// Brings the sheet of the controller that holds the lock to the front, or
// the box or dialog it shows over the sheet. False when no controller shows
// a sheet: another editor holds the lock.
static bool BringOpenSheetForward()
{
    // A controller takes the lock before its sheet shows: give one that has
    // just started a moment.
    HWND sheet = FindOpenSheet();
    for (const DWORD start = GetTickCount(); !sheet && GetTickCount() - start < 2000;) {
        Sleep(50);
        sheet = FindOpenSheet();
    }
    if (!sheet)
        return false;
    if (IsIconic(sheet))
        ShowWindow(sheet, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(sheet));
    return true;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    ApplyUiLanguageSetting();
    OptionLock lock;
    if (!lock.Acquire()) {
        if (!BringOpenSheetForward())
            ShowError(nullptr, IDS_EDITOR_RUNNING);
        return 1;
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    SettingsFile settings;
    RunOptionsSheet(instance, settings, SettingsName(commandLine).c_str());
    lock.Release();
    return 0;
}
