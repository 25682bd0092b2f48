// Loads command tables of 100, 1,000 and 10,000 commands two ways, one
// profile read per key and one section read parsed in memory, and prints the
// times and their ratio; then the time of a save of each table.
//
//   table_load_bench [largest count]
#include "commands/command_table.h"
#include "commands/hotkey_text.h"
#include "settings/settings_file.h"
#include "commands/show_cmd.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

CommandTable MakeTable(int count)
{
    CommandTable table;
    for (int i = 0; i < count; ++i) {
        Command c;
        const std::string caption = (i % 10 == 0) ? "Group " + std::to_string(i)
                                                  : "Group " + std::to_string(i - i % 10) + "/Item " + std::to_string(i);
        SplitCaption(caption.c_str(), c.path, c.name);
        c.cmdline = "\"C:\\Program Files\\Tool " + std::to_string(i) + "\\tool.exe\" /open \"%1\"";
        c.dir = "C:\\Work\\" + std::to_string(i);
        c.virtualKey = (i % 3 == 0) ? 'A' + i % 26 : 0;
        c.modifiers = c.virtualKey != 0 ? 3 : 0;
        table.Append(std::move(c));
    }
    return table;
}

// The table as one private-profile read per key finds it: six reads a command.
std::size_t LoadPerKey(const char* path)
{
    char value[1024];
    std::size_t count = 0;
    for (std::size_t i = 0;; ++i) {
        if (GetPrivateProfileStringA(kCmdTableSection, CmdTableKey(i, ".caption").c_str(), "", value, sizeof value,
                                     path) == 0) {
            break;
        }
        Command c;
        SplitCaption(value, c.path, c.name);
        GetPrivateProfileStringA(kCmdTableSection, CmdTableKey(i, ".cmdline").c_str(), "", value, sizeof value, path);
        c.cmdline = value;
        GetPrivateProfileStringA(kCmdTableSection, CmdTableKey(i, ".cmdline.dir").c_str(), "", value, sizeof value, path);
        c.dir = value;
        GetPrivateProfileStringA(kCmdTableSection, CmdTableKey(i, ".cmdline.showcmd").c_str(), "", value, sizeof value,
                                 path);
        c.showCmd = ShowCmdFromName(value);
        GetPrivateProfileStringA(kCmdTableSection, CmdTableKey(i, ".cmdline.env").c_str(), "", value, sizeof value, path);
        c.envFile = value;
        GetPrivateProfileStringA(kCmdTableSection, CmdTableKey(i, ".hotkey").c_str(), "", value, sizeof value, path);
        ParseHotkey(value, c.virtualKey, c.modifiers);
        ++count;
    }
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    const int largest = argc > 1 ? std::atoi(argv[1]) : 10000;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string path = std::string(temp) + "korvane-bench-" + std::to_string(GetCurrentProcessId()) + ".ini";

    std::printf("%9s %14s %14s %8s %12s\n", "commands", "per-key ms", "section ms", "ratio", "save ms");
    for (int count = 100; count <= largest; count *= 10) {
        DeleteFileA(path.c_str());
        SettingsFile file;
        file.Open(path.c_str());
        const CommandTable table = MakeTable(count);
        double start = Now();
        if (!table.Save(file)) {
            std::printf("cannot write %s\n", path.c_str());
            return 1;
        }
        const double saveMs = Now() - start;
        // Let the platform's cache of the changed file settle, as it has
        // by the time a program starts after an editor has saved.
        Sleep(2500);

        start = Now();
        const std::size_t perKeyCount = LoadPerKey(path.c_str());
        const double perKeyMs = Now() - start;

        double sectionMs = 1e300;
        std::size_t sectionCount = 0;
        for (int run = 0; run < 3; ++run) {
            CommandTable loaded;
            start = Now();
            loaded.Load(file);
            const double ms = Now() - start;
            if (ms < sectionMs) sectionMs = ms;
            sectionCount = loaded.Size();
        }
        if (perKeyCount != static_cast<std::size_t>(count) || sectionCount != static_cast<std::size_t>(count)) {
            std::printf("loaded %zu and %zu of %d commands\n", perKeyCount, sectionCount, count);
            return 1;
        }
        std::printf("%9d %14.1f %14.1f %7.0fx %12.1f\n", count, perKeyMs, sectionMs, perKeyMs / sectionMs, saveMs);
    }
    DeleteFileA(path.c_str());
    return 0;
}
