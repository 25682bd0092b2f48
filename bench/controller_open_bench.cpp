// Opens korvopt on a generated table and the floor program
// (bench/controller_floor.cpp) in turns, and prints the median time until
// the tree view holds every command, and the time of the save with OK (the
// floor: one section write) until the program has ended.
//
//   controller_open_bench [runs] [count]
#include "bench_support.h"

#include "command_table.h"
#include "hotkey_text.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct Side {
    bool controller;
    std::vector<double> open;
    std::vector<double> save;
};

HWND FindTree(HWND top)
{
    HWND found = nullptr;
    EnumChildWindows(
        top,
        [](HWND child, LPARAM param) -> BOOL {
            char name[32] = {};
            GetClassNameA(child, name, sizeof name);
            if (lstrcmpiA(name, WC_TREEVIEWA) != 0) return TRUE;
            *reinterpret_cast<HWND*>(param) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND TopWindowOf(DWORD processId)
{
    struct Search {
        DWORD id;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->id || !IsWindowVisible(window)) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool RunOnce(const testing_support::ProgramFolder& folder, std::size_t count, Side& side)
{
    testing_support::Process process;
    const std::string exe = side.controller ? "korvopt.exe" : "controller_floor.exe";
    HWND top = nullptr, tree = nullptr;
    double start = bench::Now();
    if (!process.Start("\"" + folder.Program(exe) + "\"", folder.Path())) return false;
    const bool open = bench::PollUntil(
        [&] {
            if (top == nullptr) top = TopWindowOf(process.Id());
            if (top != nullptr && tree == nullptr) tree = FindTree(top);
            DWORD_PTR items = 0;
            return tree != nullptr &&
                   SendMessageTimeoutA(tree, TVM_GETCOUNT, 0, 0, SMTO_NORMAL, 60000, &items) != 0 &&
                   items == count;
        },
        120000);
    if (!open) return false;
    side.open.push_back(bench::Now() - start);

    start = bench::Now();
    if (side.controller) {
        PostMessageA(top, PSM_PRESSBUTTON, PSBTN_OK, 0);
    } else {
        PostMessageA(top, WM_APP + 1, 0, 0);
    }
    if (process.Wait(300000) == STILL_ACTIVE) return false;
    side.save.push_back(bench::Now() - start);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::size_t count = argc > 2 ? static_cast<std::size_t>(std::atol(argv[2])) : 10000;

    testing_support::ProgramFolder folder({"korvopt.exe", "controller_floor.exe"});
    folder.WriteMainSettings("local.ini");
    CommandTable table;
    for (const daemon_test::Row& row : bench::NestedRows(count, bench::FreeHotkeyTexts(count / 100 + 1))) {
        Command command;
        SplitCaption(row.caption.c_str(), command.path, command.name);
        command.cmdline = row.cmdline;
        ParseHotkey(row.hotkey.c_str(), command.virtualKey, command.modifiers);
        table.Append(std::move(command));
    }
    std::string text = "[CmdTable]\r\n";
    for (const std::string& line : table.ToLines()) text += line + "\r\n";

    Side controller{true, {}, {}}, floor{false, {}, {}};
    for (int run = 0; run < runs; ++run) {
        // The file as the last save left it, past the platform's window in
        // which a changed file is parsed anew on every read.
        testing_support::WriteFileText(folder.File("local.ini"), text);
        Sleep(2500);
        if (!RunOnce(folder, count, controller)) {
            std::printf("korvopt did not open or save %zu commands\n", count);
            return 1;
        }
        testing_support::WriteFileText(folder.File("local.ini"), text);
        Sleep(2500);
        if (!RunOnce(folder, count, floor)) {
            std::printf("the floor program did not open or save %zu commands\n", count);
            return 1;
        }
    }
    const double co = bench::Median(controller.open), fo = bench::Median(floor.open);
    const double cs = bench::Median(controller.save), fs = bench::Median(floor.save);
    std::printf("%8s %12s %10s %7s | %12s %10s %7s\n", "commands", "korvopt open", "floor open", "ratio",
                "korvopt save", "floor save", "ratio");
    std::printf("%8zu %12.0f %10.0f %6.2fx | %12.0f %10.0f %6.2fx\n", count, co, fo, co / fo, cs, fs, cs / fs);
    std::printf("%8s open and save together: %.2fx\n", "", (co + cs) / (fo + fs));
    return 0;
}
