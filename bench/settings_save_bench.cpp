// Saving a command table of 10,000 commands against the floor of writing the
// same bytes once, and against writing them durably (forced to the disk and
// renamed into place, as every save is); then the adder's load and save of
// that table (korvadd.exe with no file arguments, as its own process) against
// a process that reads the same bytes once and writes them once, and against
// one that also takes a mutex and broadcasts twice, as every editor must.
// Both sides run in turns; the median of each and their ratio are printed.
// Last, the save with the backup it keeps against the save without one,
// and what the backup adds against a plain copy of the file.
//
//   settings_save_bench [turns [commands]]
//   settings_save_bench floor <file>      the floor process: one read, one write
//   settings_save_bench frame <file>      the same inside the editors' frame
//   settings_save_bench backups <results> <turns> <commands>
//                                         the backup figures, from a copy of
//                                         this program in a folder of its own
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

std::string Row(const char* what, double ms, double floorMs)
{
    char line[128];
    std::snprintf(line, sizeof line, "%-34s %10.1f %10.1f %7.2fx\n", what, ms, floorMs, ms / floorMs);
    return line;
}

void PrintRow(const char* what, double ms, double floorMs)
{
    std::fputs(Row(what, ms, floorMs).c_str(), stdout);
}

// Runs beside main settings of its own, which turn the backups on and off
// between saves (the count is read at each save). Each save changes the
// file, as a user's does: the first command's line takes three lengths in
// turn, so that the newest backup differs in size; then saves that change
// one byte at the end, where the newest backup is read whole.
int BackupBench(const char* results, int turns, int count)
{
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string dir = module;
    dir.erase(dir.find_last_of('\\') + 1);
    const std::string mainFile = dir + "_setting.ini", local = dir + "local.ini", copy = dir + "copy.ini";
    CommandTable table = BenchTable(count);
    SettingsFile file;
    file.Open(local.c_str());
    const std::string baseLine = table[0].cmdline, lastLine = table[table.Size() - 1].cmdline;
    std::vector<double> without, with, sameSize, copies;
    for (int save = 0; save < 4 * turns; ++save) {
        const bool on = save % 2 == 1;
        if (!WriteAll(mainFile.c_str(), on ? "[Backup]\r\nCount=10\r\n" : "[Backup]\r\nCount=0\r\n")) return 1;
        table[0].cmdline = baseLine + std::string(static_cast<std::size_t>(save % 3), ' ');
        double start = bench::Now();
        if (!table.Save(file)) return 1;
        (on ? with : without).push_back(bench::Now() - start);
        if (!on) continue;
        start = bench::Now();
        if (!CopyFileA(local.c_str(), copy.c_str(), FALSE)) return 1;
        copies.push_back(bench::Now() - start);
        Settle(copy.c_str());
    }
    for (int save = 0; save < turns; ++save) {
        table[table.Size() - 1].cmdline = lastLine + std::to_string(save % 10);
        const double start = bench::Now();
        if (!table.Save(file)) return 1;
        sameSize.push_back(bench::Now() - start);
    }
    const double plain = bench::Median(with) - bench::Median(without);
    std::string text = Row("save without backups", bench::Median(without), bench::Median(copies));
    text += Row("save with backups", bench::Median(with), bench::Median(without));
    text += Row("  the same, newest backup compared", bench::Median(sameSize), bench::Median(without));
    text += Row("what a backup adds / CopyFileA", plain, bench::Median(copies));
    text += Row("  the same, newest backup compared", bench::Median(sameSize) - bench::Median(without),
                bench::Median(copies));
    return WriteAll(results, text) ? 0 : 1;
}

// Removes the files of a folder and the folder.
void RemoveFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((folder + found.cFileName).c_str());
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
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
    if (argc == 5 && std::strcmp(argv[1], "backups") == 0) {
        return BackupBench(argv[2], std::max(1, std::atoi(argv[3])), std::max(1, std::atoi(argv[4])));
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

    // The backups in a folder of their own, beside their own main settings.
    const std::string backupDir = dir + "backups\\", results = dir + "backups.txt";
    std::string figures;
    CreateDirectoryA(backupDir.c_str(), nullptr);
    if (!CopyFileA(module, (backupDir + "settings_save_bench.exe").c_str(), FALSE) ||
        RunMs("\"" + backupDir + "settings_save_bench.exe\" backups \"" + results + "\" " + std::to_string(turns) + " " +
                  std::to_string(count),
              backupDir) < 0 ||
        !ReadAll(results.c_str(), figures)) {
        std::printf("the backup figures could not be measured\n");
        return 1;
    }
    std::printf("%s", figures.c_str());

    RemoveFolder(backupDir + "backup\\");
    RemoveFolder(backupDir);
    RemoveFolder(dir + "backup\\");
    RemoveFolder(dir);
    return 0;
}
