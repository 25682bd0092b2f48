// Started by a hotkey in the latency bench: records the performance counter
// at its first instruction into the file named by its command line.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    char temp[MAX_PATH];
    wsprintfA(temp, "%s.tmp", commandLine);
    HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, &now, sizeof now, &written, nullptr);
    CloseHandle(file);
    // Renamed when complete, so the bench never reads half a record.
    return MoveFileExA(temp, commandLine, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
