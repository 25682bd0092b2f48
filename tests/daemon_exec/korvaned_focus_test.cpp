#include "daemon_test_files.h"
#include "exec_test_support.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace daemon_test;
using namespace exec_test;
using namespace testing_support;

namespace {

constexpr char kWindowClass[] = "Krvn_RecorderWindow";

bool InFront(HWND window)
{
    return !IsIconic(window) && GetForegroundWindow() == window;
}

std::string TitleOf(HWND window)
{
    char title[64] = "";
    if (window != nullptr) GetWindowTextA(window, title, sizeof title);
    return title;
}

// The foreground checks follow Windows, where the daemon may set it because
// the hotkey was the last input; Wine lets any process set it.
//
// The real daemon with a command on a recorder that keeps a window ("--window
// TITLE"), and a marker command after it: when the marker's own record is
// there, the daemon has handled every press before it, so a second start
// of the recorder would already be counted.
class KorvanedFocusTest : public ::testing::Test {
protected:
    KorvanedFocusTest() : folder_({"korvaned.exe", "exec_recorder.exe"})
    {
        CreateDirectoryA(folder_.File("mark").c_str(), nullptr);
        CopyFileA(folder_.Program("exec_recorder.exe").c_str(), folder_.File("mark\\marker.exe").c_str(), FALSE);
        folder_.WriteMainSettings("local.ini");
        key_ = FindFreeHotkeyText();
    }
    ~KorvanedFocusTest() override
    {
        EndDaemon(daemon_);
        // Recorders that the daemon started, as well as the test's own.
        for (HWND window : windows_) {
            DWORD id = 0;
            GetWindowThreadProcessId(window, &id);
            if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
                TerminateProcess(process, 0);
                WaitForSingleObject(process, 5000);
                CloseHandle(process);
            }
        }
    }

    std::string Recorder() const { return "\"" + folder_.Program("exec_recorder.exe") + "\""; }

    // The command "App" on the hotkey with the given further keys, then "Mark".
    bool Start(const std::string& cmdline, const std::string& moreKeys)
    {
        if (!key_.found) return false;
        std::string table = LocalSettings({{"App", cmdline, key_.text},
                                           {"Mark", "\"" + folder_.File("mark\\marker.exe") + "\"", ""}});
        WriteFileText(folder_.File("local.ini"), table + moreKeys);
        if (!daemon_.Start("\"" + folder_.Program("korvaned.exe") + "\"", folder_.Path())) return false;
        return WaitForDaemonStartUp() != nullptr && HotkeyTaken(key_.modifiers, key_.key);
    }

    HWND WaitForWindow(const std::string& title)
    {
        // Shown, not just made: the program shows its window after creating
        // it, and a minimise before that would be undone by its own show.
        HWND window = nullptr;
        WaitFor([&] {
            window = FindWindowA(kWindowClass, title.c_str());
            return window != nullptr && IsWindowVisible(window);
        }, 10000);
        if (window != nullptr) windows_.push_back(window);
        return window;
    }

    // A recorder window started by the test, minimised when asked.
    HWND OpenWindow(const std::string& title, bool minimized)
    {
        ownProcesses_.push_back(std::make_unique<Process>());
        if (!ownProcesses_.back()->Start(Recorder() + " --window " + title)) return nullptr;
        HWND window = WaitForWindow(title);
        if (window != nullptr && minimized) {
            ShowWindow(window, SW_MINIMIZE);
            if (!WaitFor([&] { return IsIconic(window) != FALSE; })) return nullptr;
        }
        return window;
    }

    void Press() { PressHotkey(key_.modifiers, key_.key); }

    // A press that must bring the window to the front. Wine now and then
    // leaves a restored window minimised though in front (a bare program's
    // ShowWindow(SW_RESTORE) meets it too): one more press, as a user would.
    bool PressUntilInFront(HWND window)
    {
        Press();
        if (WaitFor([&] { return InFront(window); })) return true;
        if (!IsIconic(window) || GetForegroundWindow() != window) return false;
        Press();
        return WaitFor([&] { return InFront(window); });
    }

    // Runs the marker command and counts the recorders running once it has started.
    int RecordersAfterMarker()
    {
        PostMessageA(FindDaemonWindow(), WM_COMMAND, 2, 0);  // the second command's menu item
        Record record;
        if (!WaitForRecord(folder_.File("mark\\marker.exe.log"), record)) return -1;
        int count = 0;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
            if (lstrcmpiA(entry.szExeFile, "exec_recorder.exe") == 0) ++count;
        }
        CloseHandle(snapshot);
        return count;
    }

    ProgramFolder folder_;
    FreeHotkey key_;
    Process daemon_;
    std::vector<std::unique_ptr<Process>> ownProcesses_;
    std::vector<HWND> windows_;
};

TEST_F(KorvanedFocusTest, ActivateStartsTheProgramOnceThenRestoresIt)
{
    ASSERT_TRUE(Start(Recorder() + " --window Krvn App", "cmd[0].running=activate\r\n"));
    Press();
    HWND window = WaitForWindow("Krvn App");
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(window) != FALSE; }));

    EXPECT_TRUE(PressUntilInFront(window));
    EXPECT_EQ(RecordersAfterMarker(), 1);
}

TEST_F(KorvanedFocusTest, TogglePressedTwiceMinimizesAgain)
{
    HWND window = OpenWindow("Krvn Toggle", true);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(Start(Recorder() + " --window Krvn Toggle", "cmd[0].running=toggle\r\n"));
    ASSERT_TRUE(PressUntilInFront(window));
    Press();
    EXPECT_TRUE(WaitFor([&] { return IsIconic(window) != FALSE; }));
    EXPECT_EQ(RecordersAfterMarker(), 1);
}

TEST_F(KorvanedFocusTest, CycleVisitsEveryWindow)
{
    std::set<HWND> all;
    for (const char* title : {"Krvn One", "Krvn Two", "Krvn Three"}) all.insert(OpenWindow(title, false));
    ASSERT_EQ(all.count(nullptr), 0u);
    ASSERT_EQ(all.size(), 3u);
    ASSERT_TRUE(Start(Recorder() + " --window Krvn Extra", "cmd[0].running=cycle\r\n"));
    std::set<HWND> visited;
    HWND previous = GetForegroundWindow();
    for (int press = 0; press < 3; ++press) {
        SCOPED_TRACE(press);
        Press();
        ASSERT_TRUE(WaitFor([&] {
            HWND front = GetForegroundWindow();
            return front != previous && all.count(front);
        })) << "in front: \"" << TitleOf(GetForegroundWindow()) << "\"";
        previous = GetForegroundWindow();
        visited.insert(previous);
    }
    EXPECT_EQ(visited, all);
    EXPECT_EQ(RecordersAfterMarker(), 3);
}

// A document's command line names no program whose image could match: its
// viewer's window is found by its title.
TEST_F(KorvanedFocusTest, TitlePatternFindsADocumentsWindow)
{
    DocumentType type(folder_.Program("exec_recorder.exe"));
    ASSERT_TRUE(type.Registered());
    const std::string document = folder_.File(std::string("report") + DocumentType::kExtension);
    WriteFileText(document, "x");
    HWND other = OpenWindow("other.krvdoc - Krvn Viewer", false);
    HWND report = OpenWindow("report.krvdoc - Krvn Viewer", true);
    ASSERT_TRUE(other != nullptr && report != nullptr);
    ASSERT_TRUE(Start(document, "cmd[0].running=activate\r\ncmd[0].window=REPORT.krvdoc - *\r\n"));
    Press();
    EXPECT_TRUE(WaitFor([&] { return InFront(report); }));
}

} // namespace
