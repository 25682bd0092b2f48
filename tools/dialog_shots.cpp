// Drives the programs' dialogs for screenshots: starts korvopt in the program
// folder, shows each page of the sheet and then the edit dialog of the first
// command, then the page filtered, then its restore dialog, then starts
// korvswt and shows its dialog. For each view it writes "shot-N" into the
// folder and waits for "shot-N-done" (the script takes the picture in
// between). Cancels everything at the end.
//
//   dialog_shots <program folder> [filter text]
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <string>

namespace {

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Touch(const std::string& path)
{
    CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

// Lets the script take view N; false when it never answers.
bool Shot(const std::string& folder, int n)
{
    Sleep(700);  // painting done
    const std::string name = folder + "shot-" + std::to_string(n);
    Touch(name);
    for (int i = 0; i < 300; ++i) {
        if (Exists(name + "-done")) return true;
        Sleep(50);
    }
    return false;
}

HWND WaitForDialogOf(DWORD process, HWND except)
{
    for (int i = 0; i < 200; ++i) {
        HWND found = nullptr;
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, "#32770", nullptr)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == process && window != except && IsWindowVisible(window)) found = window;
        }
        if (found != nullptr) return found;
        Sleep(50);
    }
    return nullptr;
}

// Presses the page's button `button`, places the dialog it opens beside the
// sheet, lets the script take view N and cancels the dialog.
bool ShotOfDialog(const std::string& folder, DWORD process, HWND sheet, HWND page, int button, int n,
                  const char* what)
{
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(page, button)));
    HWND dialog = WaitForDialogOf(process, sheet);
    if (dialog == nullptr) {
        std::printf("shots: no %s\n", what);
        return false;
    }
    SetWindowPos(dialog, nullptr, 470, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    if (!Shot(folder, n)) return false;
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    Sleep(300);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2) return 2;
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';

    std::string line = "\"" + folder + "korvopt.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info)) {
        std::printf("shots: korvopt.exe could not be started\n");
        return 1;
    }
    CloseHandle(info.hThread);
    HWND sheet = WaitForDialogOf(info.dwProcessId, nullptr);
    if (sheet == nullptr) {
        std::printf("shots: no sheet\n");
        return 1;
    }
    SetWindowPos(sheet, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    for (int page = 0; page < 3; ++page) {
        SendMessageA(sheet, PSM_SETCURSEL, page, 0);
        if (!Shot(folder, page)) return 1;
    }
    SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
    HWND pageWindow = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    HWND tree = GetDlgItem(pageWindow, 1000);
    HTREEITEM first = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    HTREEITEM child = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD,
                                                                reinterpret_cast<LPARAM>(first)));
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(child != nullptr ? child : first));
    if (!ShotOfDialog(folder, info.dwProcessId, sheet, pageWindow, 1003, 3, "edit dialog")) return 1;
    // The page filtered by the text given, else by "メモ" (in the programs' code page).
    SetDlgItemTextA(pageWindow, 1060, argc > 2 ? argv[2] : "\x83\x81\x83\x82");
    if (!Shot(folder, 4)) return 1;
    SetDlgItemTextA(pageWindow, 1060, "");
    if (!ShotOfDialog(folder, info.dwProcessId, sheet, pageWindow, 1063, 5, "restore dialog")) return 1;
    PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    WaitForSingleObject(info.hProcess, 5000);
    CloseHandle(info.hProcess);

    line = "\"" + folder + "korvswt.exe\"";
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info)) {
        std::printf("shots: korvswt.exe could not be started\n");
        return 1;
    }
    CloseHandle(info.hThread);
    HWND switcher = WaitForDialogOf(info.dwProcessId, nullptr);
    if (switcher == nullptr) {
        std::printf("shots: no switcher dialog\n");
        return 1;
    }
    SetWindowPos(switcher, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    if (!Shot(folder, 6)) return 1;
    PostMessageA(switcher, WM_COMMAND, IDCANCEL, 0);
    WaitForSingleObject(info.hProcess, 5000);
    CloseHandle(info.hProcess);
    std::printf("shots: done\n");
    return 0;
}
