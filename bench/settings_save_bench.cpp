// Saving a command table of 10,000 commands against the floor of writing the
// same bytes once, and against writing them durably (forced to the disk and
// renamed into place, as every save is); then the adder's load and save of
// that table (korvadd.exe with no file arguments, as its own process) against
// a process that reads the same bytes once and writes them once, and against
// one that also takes a mutex and broadcasts twice, as every editor must.
// Both sides run in turns; the median of each and their ratio are printed.
//
//   settings_save_bench [turns [commands]]
//   settings_save_bench floor <file>      the floor process: one read, one write
//   settings_save_bench frame <file>      the same inside the editors' frame
#include "bench_support.h"
#include "commands/command_table.h"
#include "settings/ini_text.h"
#include "settings/settings_file.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Commands in groups of 50, a hotkey on one in a hundred.
CommandTable BenchTable(int count)
{
    CommandTable table;
    for (int i = 0; i < count; ++i) {
        Command c;
        const std::string caption = "Projects " + std::to_string(i / 50) + "/Tool " + std::to_string(i);
        SplitCaption(caption.c_str(), c.path, c.name);
        c.cmdline = "\"C:\\Program Files\\Tools\\tool" + std::to_string(i) + ".exe\" --open \"%1\"";
        c.dir = "C:\\Users\\bench\\work " + std::to_string(i % 97);
        if (i % 100 == 0) {
            c.virtualKey = 'A' + i / 100 % 26;
            c.modifiers = 3;
        }
        table.Append(std::move(c));
    }
    return table;
}

bool ReadAll(const char* path, std::string& text)
{
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const DWORD size = GetFileSize(h, nullptr);
    text.resize(size);
    DWORD n = 0;
    const BOOL ok = ReadFile(h, &text[0], size, &n, nullptr) && n == size;
    CloseHandle(h);
    return ok != FALSE;
}

bool WriteAll(const char* path, const std::string& text)
{
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr) && n == text.size();
    CloseHandle(h);
    return ok != FALSE;
}

void Settle(const char* path)
{
    HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    FlushFileBuffers(h);
    CloseHandle(h);
}

// Milliseconds from the start of the process to its end, or a negative
// figure when it could not start or ended with another code than 0.
double RunMs(const std::string& commandLine, const std::string& dir)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string line = commandLine;
    const double start = bench::Now();
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    const double ms = bench::Now() - start;
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code == 0 ? ms : -1;
}

void PrintRow(const char* what, double ms, double floorMs)
{
    std::printf("%-34s %10.1f %10.1f %7.2fx\n", what, ms, floorMs, ms / floorMs);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "floor") == 0) {
        std::string text;
        return ReadAll(argv[2], text) && WriteAll(argv[2], text) ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "frame") == 0) {
        // The editors' frame with the platform's calls alone: a named mutex
        // and two synchronous broadcasts of a registered message around one
        // read and one write. Under Wine the first broadcast also connects
        // the process to the desktop, which a program without windows never does.
        HANDLE mutex = CreateMutexA(nullptr, TRUE, "KorvaneSaveBenchFrame");
        const UINT message = RegisterWindowMessageA("KorvaneSaveBenchFrame");
        SendMessageA(HWND_BROADCAST, message, 2, 0);
        std::string text;
        const bool ok = ReadAll(argv[2], text) && WriteAll(argv[2], text);
        SendMessageA(HWND_BROADCAST, message, 1, 0);
        CloseHandle(mutex);
        return ok ? 0 : 1;
    }
    const int turns = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000;

    char module[MAX_PATH], temp[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string binDir = module;
    binDir.erase(binDir.find_last_of('\\') + 1);
    GetTempPathA(sizeof temp, temp);
    const std::string dir = std::string(temp) + "korvane-save-bench-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string local = dir + "local.ini", floorFile = dir + "floor.ini";

    const CommandTable table = BenchTable(count);
    SettingsFile file;
    file.Open(local.c_str());
    std::string bytes;
    if (!table.Save(file) || !ReadAll(local.c_str(), bytes)) {
        std::printf("cannot write %s\n", local.c_str());
        return 1;
    }
    std::printf("%d commands, %zu bytes, %d turns (medians)\n", count, bytes.size(), turns);
    std::printf("%-34s %10s %10s %8s\n", "", "ms", "floor ms", "ratio");

    std::vector<double> saves, writes;
    for (int turn = 0; turn < turns; ++turn) {
        double start = bench::Now();
        const bool saved = table.Save(file);
        saves.push_back(bench::Now() - start);
        start = bench::Now();
        const bool written = WriteAll(floorFile.c_str(), bytes);
        writes.push_back(bench::Now() - start);
        // Forced to the disk outside the clock: the next save's flush would
        // otherwise pay for this write too (the file system commits all).
        Settle(floorFile.c_str());
        if (!saved || !written) {
            std::printf("a write failed\n");
            return 1;
        }
    }
    PrintRow("CommandTable::Save", bench::Median(saves), bench::Median(writes));

    // Where a save's time goes, each step on its own: the table's text in
    // pieces, the edit of the old text with them, the check that the old
    // text is valid in the code page, and the write forced to the disk and
    // renamed into place.
    std::vector<double> texts, edits, checks, durables;
    const std::string renamed = dir + "renamed.ini";
    for (int turn = 0; turn < turns; ++turn) {
        double start = bench::Now();
        const IniLines pieces = table.TextPieces(64 * 1024);
        for (std::string_view piece; pieces(piece);) {
        }
        texts.push_back(bench::Now() - start);
        std::size_t edited = 0;
        start = bench::Now();
        ReplaceIniSection(bytes, kCmdTableSection, table.TextPieces(64 * 1024),
                          [&](std::string_view out) { edited += out.size(); });
        edits.push_back(bench::Now() - start);
        start = bench::Now();
        const bool wide = IsSettingsText(bytes, [](std::string_view stretch) {
            return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, stretch.data(), static_cast<int>(stretch.size()),
                                       nullptr, 0) != 0;
        });
        checks.push_back(bench::Now() - start);
        start = bench::Now();
        HANDLE h = CreateFileA(floorFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD n = 0;
        const bool durable = h != INVALID_HANDLE_VALUE &&
                             WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) &&
                             FlushFileBuffers(h);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        const bool moved = MoveFileExA(floorFile.c_str(), renamed.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        durables.push_back(bench::Now() - start);
        if (edited != bytes.size() || !wide || !durable || !moved) {
            std::printf("a step of the save failed\n");
            return 1;
        }
    }
    const double floorMs = bench::Median(writes);
    PrintRow("  the table's text in pieces", bench::Median(texts), floorMs);
    PrintRow("  the edit, text included", bench::Median(edits), floorMs);
    PrintRow("  the code-page check", bench::Median(checks), floorMs);
    PrintRow("  write, flush and rename", bench::Median(durables), floorMs);
    PrintRow("CommandTable::Save / durable write", bench::Median(saves), bench::Median(durables));

    // The adder finds its settings beside itself.
    const std::string adder = dir + "korvadd.exe";
    if (!CopyFileA((binDir + "korvadd.exe").c_str(), adder.c_str(), FALSE) ||
        !WriteAll((dir + "_setting.ini").c_str(), "[LocalSetting]\r\nCurrent=local.ini\r\n") ||
        !WriteAll(floorFile.c_str(), bytes)) {
        std::printf("cannot prepare %s\n", dir.c_str());
        return 1;
    }
    std::vector<double> adds, floors, frames;
    for (int turn = 0; turn < turns; ++turn) {
        adds.push_back(RunMs("\"" + adder + "\"", dir));
        floors.push_back(RunMs("\"" + std::string(module) + "\" floor \"" + floorFile + "\"", dir));
        Settle(floorFile.c_str());
        frames.push_back(RunMs("\"" + std::string(module) + "\" frame \"" + floorFile + "\"", dir));
        Settle(floorFile.c_str());
        if (adds.back() < 0 || floors.back() < 0 || frames.back() < 0) {
            std::printf("the adder or a floor process failed\n");
            return 1;
        }
    }
    CommandTable loaded;
    loaded.Load(file);
    if (loaded.Size() != table.Size()) {
        std::printf("the adder left %zu of %d commands\n", loaded.Size(), count);
        return 1;
    }
    PrintRow("korvadd load and save (process)", bench::Median(adds), bench::Median(floors));
    PrintRow("korvadd / the frame's floor", bench::Median(adds), bench::Median(frames));

    for (const char* name : {"local.ini", "floor.ini", "renamed.ini", "_setting.ini", "korvadd.exe"}) DeleteFileA((dir + name).c_str());
    RemoveDirectoryA(dir.c_str());
    return 0;
}
