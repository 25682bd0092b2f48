// Opens korvopt on a generated table and the floor program
// (bench/controller_floor.cpp) in turns, and prints the median time until
// the tree view holds every command, and the time of the save with OK until
// the program has ended. Where the time of the save goes shows from outside,
// as the times from the press until the file was replaced, the last
// remote-control broadcast came, the tree view was gone and the process ended
// (the floor does the work of the platform in that order: write, teardown,
// broadcasts).
//
//   controller_open_bench [runs] [count]
#include "bench_support.h"

#include "commands/command_table.h"
#include "commands/hotkey_text.h"
#include "platform/option_lock.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>

namespace {

// What a save is seen to have done, each timed from the press.
enum Part { kWrite, kBroadcasts, kTeardown, kEnd, kParts };
const char* const kPartNames[kParts] = {"file replaced", "last broadcast received", "tree view gone",
                                        "process ended"};

struct Side {
    bool controller;
    std::vector<double> open;
    std::vector<double> save;
    std::vector<double> parts[kParts];
};

// A top-level window of the bench's own thread stands in for the daemon: it
// receives the remote-control broadcasts, and notes when the last one that
// starts the services again came.
class BroadcastListener {
public:
    BroadcastListener() { thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr); }
    ~BroadcastListener()
    {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
        CloseHandle(ready_);
    }
    BroadcastListener(const BroadcastListener&) = delete;
    BroadcastListener& operator=(const BroadcastListener&) = delete;

    void WaitReady() { WaitForSingleObject(ready_, 5000); }
    void Reset() { InterlockedExchange64(&startedAt_, 0); }
    // The time of the last broadcast that starts the services, or 0.
    double StartedAt() const { return static_cast<double>(InterlockedCompareExchange64(&startedAt_, 0, 0)) / 1000; }

private:
    static DWORD WINAPI Run(LPVOID param)
    {
        auto* self = static_cast<BroadcastListener*>(param);
        self->threadId_ = GetCurrentThreadId();
        self->remote_ = RegisterWindowMessageA(kRemoteControlMessageName);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "Krvn_BenchListener";
        RegisterClassA(&wc);
        HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      wc.hInstance, nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        SetEvent(self->ready_);
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
        DestroyWindow(window);
        return 0;
    }
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<BroadcastListener*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && message == self->remote_ && wParam == kRemoteStartServices) {
            // Microseconds, so that one interlocked word holds them.
            InterlockedExchange64(&self->startedAt_, static_cast<LONG64>(bench::Now() * 1000));
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HANDLE ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    UINT remote_ = 0;
    mutable volatile LONG64 startedAt_ = 0;
};

FILETIME WriteTimeOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

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

bool RunOnce(const testing_support::ProgramFolder& folder, std::size_t count, BroadcastListener& listener,
             Side& side)
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

    const std::string file = folder.File("local.ini");
    const FILETIME before = WriteTimeOf(file);
    listener.Reset();
    double at[kParts] = {};
    start = bench::Now();
    if (side.controller) {
        PostMessageA(top, PSM_PRESSBUTTON, PSBTN_OK, 0);
    } else {
        PostMessageA(top, WM_APP + 1, 0, 0);
    }
    const bool ended = bench::PollUntil(
        [&] {
            const double now = bench::Now();
            const FILETIME written = WriteTimeOf(file);
            if (at[kWrite] == 0 && CompareFileTime(&before, &written) != 0) at[kWrite] = now;
            if (at[kTeardown] == 0 && !IsWindow(tree)) at[kTeardown] = now;
            if (WaitForSingleObject(process.Handle(), 0) != WAIT_OBJECT_0) return false;
            at[kEnd] = now;
            return true;
        },
        300000);
    if (!ended) return false;
    at[kBroadcasts] = listener.StartedAt();
    side.save.push_back(at[kEnd] - start);
    // Not seen (nothing written, no broadcast): at the end.
    for (int part = 0; part < kParts; ++part) side.parts[part].push_back((at[part] > 0 ? at[part] : at[kEnd]) - start);
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

    BroadcastListener listener;
    listener.WaitReady();
    Side controller{true, {}, {}, {}}, floor{false, {}, {}, {}};
    for (int run = 0; run < runs; ++run) {
        // The file as the last save left it, past the platform's window in
        // which a changed file is parsed anew on every read.
        testing_support::WriteFileText(folder.File("local.ini"), text);
        Sleep(2500);
        if (!RunOnce(folder, count, listener, controller)) {
            std::printf("korvopt did not open or save %zu commands\n", count);
            return 1;
        }
        testing_support::WriteFileText(folder.File("local.ini"), text);
        Sleep(2500);
        if (!RunOnce(folder, count, listener, floor)) {
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
    std::printf("%8s the save, ms from the press (medians): %12s %10s\n", "", "korvopt", "floor");
    for (int part = 0; part < kParts; ++part) {
        std::printf("%8s %38s %12.1f %10.1f\n", "", kPartNames[part], bench::Median(controller.parts[part]),
                    bench::Median(floor.parts[part]));
    }
    return 0;
}
