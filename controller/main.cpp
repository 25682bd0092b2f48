#include "options_sheet.h"
#include "option_lock.h"

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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    OptionLock lock;
    if (!lock.Acquire())
        return 1;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    RunOptionsSheet(instance, SettingsName(commandLine).c_str());
    lock.Release();
    return 0;
}
