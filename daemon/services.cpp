#include "services.h"

#include "command_set.h"
#include "daemon_host.h"
#include "daemon_resource.h"
#include "foreground.h"
#include "launch_process.h"
#include "platform/message_box.h"
#include "service_calls.h"
#include "service_line.h"
#include "service_strings.h"
#include "settings/settings_file.h"

#include <shlobj.h>

#include <string>

namespace {

enum ServiceResult { kNotRun = 0, kDone = 1, kDeclined = 2 };

// Parameter bits of the service and hotkey groups; stop runs before start.
constexpr int kStartBit = 1;
constexpr int kStopBit = 2;

bool AskYes(HWND window, UINT textId)
{
    // Every outcome but Yes, a box that could not be shown included, is No.
    return ShowConfirm(window, IDS_ASK_TITLE, textId, MB_YESNO) == IDYES;
}

int ExitService(int, char**, int, DaemonHost& daemon)
{
    HWND window = daemon.Window();
    if (!AskYes(window, IDS_ASK_EXIT)) return kDeclined;
    PostMessageA(window, WM_CLOSE, 0, 0);
    return kDone;
}

int ServicesService(int, char**, int parameter, DaemonHost& daemon)
{
    if (parameter & kStopBit) daemon.StopServices();
    if (parameter & kStartBit) daemon.StartServices();
    return kDone;
}

int HotkeyService(int, char**, int parameter, DaemonHost& daemon)
{
    CommandSet* set = daemon.GetCommandSet();
    if (set == nullptr) return kDeclined;
    if (parameter & kStopBit) set->Hotkeys().UnregisterAll();
    if (parameter & kStartBit) set->Hotkeys().RegisterAll();
    return kDone;
}

// The program's path as the head of a command line: unquoted, a path with a
// blank is cut there, by CreateProcess's search and by the program's own
// reading of its arguments. A path with quotes of its own is left alone.
std::string ProgramPathForCommandLine(const std::string& path)
{
    if (path.find_first_of(" \t") == std::string::npos || path.find('"') != std::string::npos) return path;
    return '"' + path + '"';
}

void StartProgram(std::string commandLine)
{
    LaunchRequest request;
    request.commandLine = std::move(commandLine);
    request.showCmd = SW_SHOWNORMAL;
    // The editor's window must come to the front as any started program's.
    PassForegroundOn();
    StartProcess(request, nullptr);
}

int SwitchService(int argc, char** argv, int, DaemonHost&)
{
    MainSettings settings;
    settings.Load();
    std::string commandLine = ProgramPathForCommandLine(settings.switcherPath);
    if (argc >= 2 && argv != nullptr && argv[1] != nullptr) commandLine += std::string(" ") + argv[1];
    StartProgram(commandLine);
    return kDone;
}

int OptionService(int, char**, int, DaemonHost&)
{
    MainSettings settings;
    settings.Load();
    StartProgram(ProgramPathForCommandLine(settings.controllerPath));
    return kDone;
}

int CommandMenuService(int, char**, int, DaemonHost& daemon)
{
    CommandSet* set = daemon.GetCommandSet();
    if (set == nullptr) return kDeclined;
    POINT cursor = {-1, -1};
    GetCursorPos(&cursor);
    set->Menu().ShowMenu(daemon.Window(), cursor.x, cursor.y, 0);
    return kDone;
}

int WindowTextService(int, char**, int, DaemonHost& daemon)
{
    POINT cursor = {};
    if (!GetCursorPos(&cursor)) return 2;
    return CopyWindowTextAt(cursor, daemon.Window());
}

int ScreenSaverService(int, char**, int, DaemonHost&)
{
    SendMessageA(GetDesktopWindow(), WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    return kDone;
}

int DesktopIconService(int, char**, int parameter, DaemonHost& daemon)
{
    if (CommandSet* set = daemon.GetCommandSet()) set->Shell().SetDesktopIconsVisible(parameter != 0);
    return kDone;
}

int SessionService(int, char**, int parameter, DaemonHost& daemon)
{
    UINT question = IDS_ASK_LOGOFF;
    int mode = kLogOff;
    if (parameter == 2) {
        question = IDS_ASK_REBOOT;
        mode = kRestart;
    } else if (parameter == 3) {
        question = IDS_ASK_SHUTDOWN;
        mode = kShutDown;
    }
    HWND window = daemon.Window();
    if (!AskYes(window, question)) return kDeclined;
    // A refused request leaves the daemon running, services and all; an
    // accepted one leaves it running until the system ends the session.
    if (!EndSession(mode)) {
        ShowError(window, IDS_SESSION_NOT_ENDED);
        return kDeclined;
    }
    return kDone;
}

int FolderService(int, char**, int parameter, DaemonHost&)
{
    OpenSpecialFolder(parameter);
    return kDone;
}

int EmptyRecycleBinService(int, char**, int, DaemonHost& daemon)
{
    // Flags 0: the shell asks for confirmation and shows its progress.
    CurrentServiceCalls().emptyRecycleBin(daemon.Window(), nullptr, 0);
    return kDone;
}

struct ServiceRow {
    const char* name;
    ServiceHandler handler;
    int parameter;
};

constexpr ServiceRow kServiceRows[] = {
    {"Exit", ExitService, 0},
    {"Start", ServicesService, kStartBit},
    {"Stop", ServicesService, kStopBit},
    {"Restart", ServicesService, kStopBit | kStartBit},
    {"Hotkey.Start", HotkeyService, kStartBit},
    {"Hotkey.Stop", HotkeyService, kStopBit},
    {"Hotkey.Restart", HotkeyService, kStopBit | kStartBit},
    {"Switch", SwitchService, 0},
    {"Option", OptionService, 0},
    {"CommandMenu", CommandMenuService, 0},
    {"GetWinText", WindowTextService, 0},
    {"ScreenSaver", ScreenSaverService, 0},
    {"ShowDeskIcon", DesktopIconService, 1},
    {"HideDeskIcon", DesktopIconService, 0},
    {"Exit.Logoff", SessionService, 1},
    {"Exit.Reboot", SessionService, 2},
    {"Exit.Shutdown", SessionService, 3},
    {"Folder.Personal", FolderService, CSIDL_PERSONAL},
    {"Folder.Recycle", FolderService, CSIDL_BITBUCKET},
    {"Folder.Computer", FolderService, CSIDL_DRIVES},
    {"Folder.Controls", FolderService, CSIDL_CONTROLS},
    {"Folder.Recycle.Empty", EmptyRecycleBinService, 0},
};

// The window's answer within a short time; false when it does not answer
// (hung, busy, or gone).
bool AskWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& result)
{
    constexpr UINT kAnswerTimeoutMs = 1000;
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerTimeoutMs,
                               &result) != 0;
}

// The shutdown privilege, switched on for the request and off again.
bool SetShutdownPrivilege(HANDLE token, const LUID& luid, bool enable)
{
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid = luid;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    return AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) != FALSE;
}

} // namespace

ServiceCalls& CurrentServiceCalls()
{
    static ServiceCalls calls = {ExitWindowsEx, ShellExecuteExA, SHEmptyRecycleBinA};
    return calls;
}

void FillServiceTable(std::vector<ServiceEntry>& table)
{
    table.clear();
    for (const ServiceRow& row : kServiceRows) {
        if (row.name[0] != '\0' && row.handler != nullptr) table.push_back({row.name, row.handler, row.parameter});
    }
}

const ServiceEntry* FindService(const std::vector<ServiceEntry>& table, const char* name)
{
    if (name == nullptr) return nullptr;
    for (const ServiceEntry& entry : table) {
        if (EqualsIgnoreAsciiCase(entry.name.c_str(), name)) return &entry;
    }
    return nullptr;
}

int RunService(const char* text, DaemonHost& daemon)
{
    ServiceTokens tokens;
    if (text == nullptr || !SplitServiceLine(text, tokens)) return kNotRun;
    const ServiceEntry* entry = FindService(daemon.Services(), tokens.Vector()[0]);
    if (entry == nullptr || entry->handler == nullptr) return kNotRun;
    // Copied: the handler may destroy the daemon, and the table with it.
    ServiceHandler handler = entry->handler;
    int parameter = entry->parameter;
    return handler(tokens.Count(), tokens.Vector(), parameter, daemon);
}

bool EndSession(int mode)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    ServiceCalls& calls = CurrentServiceCalls();
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
        UINT flags = mode == kShutDown ? EWX_SHUTDOWN : mode == kRestart ? EWX_REBOOT : EWX_LOGOFF;
        return calls.exitWindows(flags, 0) != FALSE;
    }
    SetLastError(NO_ERROR);
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    LUID luid = {};
    if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &luid) || !SetShutdownPrivilege(token, luid, true)) {
        CloseHandle(token);
        return false;
    }
    // Never EWX_FORCE: programs may refuse the end of the session.
    UINT flags = mode == kShutDown ? (EWX_SHUTDOWN | EWX_POWEROFF) : mode == kRestart ? EWX_REBOOT : EWX_LOGOFF;
    // The request's own outcome counts: AdjustTokenPrivileges clears the last
    // error on success, so judging by it alone would report a refusal as success.
    bool requested = calls.exitWindows(flags, 0) != FALSE;
    bool restored = SetShutdownPrivilege(token, luid, false) && GetLastError() == NO_ERROR;
    CloseHandle(token);
    return requested && restored;
}

bool OpenSpecialFolder(int folder)
{
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr) return false;
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, folder, &list)) || list == nullptr) {
        allocator->Release();
        return true;
    }
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_IDLIST;
    info.lpIDList = list;
    info.nShow = SW_SHOW;
    bool opened = CurrentServiceCalls().shellExecuteEx(&info) != FALSE;
    // Freed on failure too: the list would leak otherwise.
    allocator->Free(list);
    allocator->Release();
    return opened;
}

int CopyWindowTextAt(POINT point, HWND clipboardOwner)
{
    HWND window = WindowFromPoint(point);
    if (window == nullptr) return 2;
    POINT client = point;
    ScreenToClient(window, &client);
    HWND target = ChildWindowFromPointEx(window, client, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (target == nullptr) return 3;

    // A bounded wait: a hung window under the cursor must not freeze every hotkey.
    DWORD_PTR length = 0;
    if (!AskWindow(target, WM_GETTEXTLENGTH, 0, 0, length)) return 3;
    if (static_cast<LONG_PTR>(length) < 0) length = 0;
    SIZE_T size = static_cast<SIZE_T>(length) + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory == nullptr) return 4;
    char* text = static_cast<char*>(GlobalLock(memory));
    if (text == nullptr) {
        GlobalFree(memory);
        return 4;
    }
    text[0] = '\0';
    DWORD_PTR copied = 0;
    if (!AskWindow(target, WM_GETTEXT, size, reinterpret_cast<LPARAM>(text), copied)) {
        GlobalUnlock(memory);
        GlobalFree(memory);
        return 3;
    }
    // A window whose text grew meanwhile could leave it unterminated.
    text[size - 1] = '\0';
    GlobalUnlock(memory);

    if (!OpenClipboard(clipboardOwner)) {
        GlobalFree(memory);
        return 4;
    }
    EmptyClipboard();
    if (SetClipboardData(CF_TEXT, memory) == nullptr) {
        CloseClipboard();
        GlobalFree(memory);
        return 4;
    }
    CloseClipboard();
    return 1;
}
