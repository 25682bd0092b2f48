// A stand-in program for the execution tests: writes what it was started
// with to "<its own path>.log" and ends. The record is binary, fields ended
// by NUL: command line, current folder, window state of the start, then the
// environment block as the process got it (its lines and the closing NUL).
// With "--window TITLE" last on its command line it then stays, with a
// visible window of that title in the window state it was started with,
// until the window is closed.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

constexpr char kWindowOption[] = "--window ";

bool WriteRecord()
{
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    if (n == 0 || n >= sizeof self) return false;
    std::string record = GetCommandLineA();
    record += '\0';
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    record += folder;
    record += '\0';
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    record += std::to_string(show);
    record += '\0';
    char* environment = GetEnvironmentStringsA();
    if (environment != nullptr) {
        const char* p = environment;
        while (*p != '\0') p += lstrlenA(p) + 1;
        record.append(environment, p - environment);
        FreeEnvironmentStringsA(environment);
    }
    record += '\0';

    std::string path = std::string(self) + ".log";
    std::string temp = path + ".tmp";
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
    // Renamed when complete, so a test polling for the log never reads half of it.
    return MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunWindow(HINSTANCE instance, const char* title, int show)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "Krvn_RecorderWindow";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 300,
                                  200, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    ShowWindow(window, show);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    const bool recorded = WriteRecord();
    const char* option = std::strstr(GetCommandLineA(), kWindowOption);
    if (option == nullptr) return recorded ? 0 : 1;
    // Several copies may start at once and race for the log: the window matters more.
    return RunWindow(instance, option + sizeof kWindowOption - 1, show);
}
