// A stand-in program for the execution tests: writes what it was started
// with to "<its own path>.log" and ends. The record is binary, fields ended
// by NUL: command line, current folder, window state of the start, then the
// environment block as the process got it (its lines and the closing NUL).
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    if (n == 0 || n >= sizeof self) return 1;
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
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
    // Renamed when complete, so a test polling for the log never reads half of it.
    return MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
