// The whole road of a new user, walked in the portable package as it was
// unpacked from the zip (the Wine session's set-up unpacks it afresh): its
// own first-run settings, the real programs, nothing prepared but the test's
// own commands.
#include "commands/command_table.h"
#include "daemon_test_files.h"
#include "exec_test_support.h"
#include "resource.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <prsht.h>

#include <string>

using namespace daemon_test;
using namespace exec_test;
using namespace testing_support;

namespace {

constexpr UINT kTrayMessage = WM_USER + 1;

std::string UnpackedFolder()
{
    char full[MAX_PATH] = {};
    GetFullPathNameA((ExeDir() + "..\\package-road\\Korvane\\").c_str(), sizeof full, full, nullptr);
    return full;
}

// The road changes the package's settings (the switcher makes another file
// current), so each run walks a copy of it as unpacked: a second run in the
// same session meets the package as a new user does.
bool CopyTree(const std::string& from, const std::string& to)
{
    if (!CreateDirectoryA(to.c_str(), nullptr)) return false;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((from + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        ok = ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                  ? CopyTree(from + name + "\\", to + name + "\\")
                  : CopyFileA((from + name).c_str(), (to + name).c_str(), TRUE) != FALSE) &&
             ok;
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return ok;
}

std::string WithoutSlash(std::string path)
{
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

// Appends a command to the package's local settings file, as the controller stores it.
bool AppendCommand(const std::string& settings, const std::string& caption, const std::string& cmdline,
                   const std::string& dir, const std::string& envFile, const std::string& hotkey)
{
    SettingsFile file;
    CommandTable table;
    if (!file.Open(settings.c_str()) || !table.Load(file)) return false;
    const std::size_t i = table.Size();
    bool ok = file.WriteString(kCmdTableSection, CmdTableKey(i, ".caption").c_str(), caption.c_str());
    ok = file.WriteString(kCmdTableSection, CmdTableKey(i, ".cmdline").c_str(), cmdline.c_str()) && ok;
    ok = file.WriteString(kCmdTableSection, CmdTableKey(i, ".cmdline.dir").c_str(), dir.c_str()) && ok;
    ok = file.WriteString(kCmdTableSection, CmdTableKey(i, ".cmdline.showcmd").c_str(), "SW_SHOWNORMAL") && ok;
    ok = file.WriteString(kCmdTableSection, CmdTableKey(i, ".cmdline.env").c_str(), envFile.c_str()) && ok;
    return file.WriteString(kCmdTableSection, CmdTableKey(i, ".hotkey").c_str(), hotkey.c_str()) && ok;
}

struct TitleSearch {
    std::string prefix;
    HWND found;
};

BOOL CALLBACK FindTitleProc(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<TitleSearch*>(lParam);
    char title[512] = {};
    GetWindowTextA(window, title, sizeof title);
    if (IsWindowVisible(window) && std::string(title).compare(0, search->prefix.size(), search->prefix) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window whose title starts with the text; null when none came in time.
HWND WaitForTitle(const std::string& prefix)
{
    TitleSearch search = {prefix, nullptr};
    WaitFor([&] {
        EnumWindows(FindTitleProc, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    }, 15000);
    return search.found;
}

// Fills the edit dialog of the controller as a user types into it.
void TypeCommand(HWND dialog, const std::string& caption, const std::string& cmdline, const FreeHotkey& key)
{
    SetDlgItemTextA(dialog, IDC_CAPTION, caption.c_str());
    SetDlgItemTextA(dialog, IDC_CMDLINE, cmdline.c_str());
    const struct {
        int id;
        UINT bit;
    } boxes[] = {{IDC_CONTROL, MOD_CONTROL}, {IDC_ALT, MOD_ALT}, {IDC_SHIFT, MOD_SHIFT}, {IDC_WIN, MOD_WIN}};
    for (const auto& box : boxes) {
        SendDlgItemMessageA(dialog, box.id, BM_SETCHECK, (key.modifiers & box.bit) ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    SetDlgItemTextA(dialog, IDC_KEY, key.text.substr(key.text.rfind('+') + 1).c_str());
}

// Waits for the record of the recorder copy `exe` and removes it for the next step.
bool Ran(const std::string& exe, Record& record)
{
    const bool ok = exec_test::WaitForRecord(exe + ".log", record);
    DeleteFileA((exe + ".log").c_str());
    return ok;
}

// Presses the hotkey and waits for the record of the recorder copy `exe`.
bool PressedRan(const FreeHotkey& key, const std::string& exe, Record& record)
{
    PressHotkey(key.modifiers, key.key);
    return Ran(exe, record);
}

TEST(PackageRoad, ANewUserRunsEveryProgramOfTheUnpackedPackage)
{
    ASSERT_TRUE(FileExists(UnpackedFolder() + "korvaned.exe")) << UnpackedFolder();
    TempDir run;
    const std::string folder = run.File("Korvane\\");
    ASSERT_TRUE(CopyTree(UnpackedFolder(), folder));
    FreeHotkey first = FindFreeHotkeyText(0);
    FreeHotkey added = FindFreeHotkeyText(1);
    FreeHotkey second = FindFreeHotkeyText(2);
    FreeHotkey exit = FindFreeHotkeyText(3);
    if (!first.found || !added.found || !second.found || !exit.found) GTEST_SKIP() << "no four free hotkeys";

    {
        SCOPED_TRACE("the first start makes the table from the example the code page can show");
        ASSERT_FALSE(FileExists(folder + "local.ini"));
        Process firstRun;
        ASSERT_TRUE(firstRun.Start("\"" + folder + "korvaned.exe\"", folder));
        ASSERT_NE(WaitForDaemonStartUp(), nullptr);
        EXPECT_EQ(FindMessageBox(firstRun.Id()), nullptr);  // the example's own hotkeys all registered
        EndDaemon(firstRun);
        EXPECT_EQ(ReadFileText(folder + "local.ini"), ReadFileText(folder + "example-ja.ini"));
    }

    Recorder recorder;
    const std::string env = recorder.File("road.env");
    ASSERT_TRUE(WriteFileText(env, "ROAD=package\r\n"));
    ASSERT_TRUE(AppendCommand(folder + "local.ini", "Recorder", "\"" + recorder.Exe() + "\" hotkey",
                              WithoutSlash(recorder.Folder()), env, first.text));

    // Started from its folder as the Start menu does; the tray icon ends its start-up.
    Process daemon;
    ASSERT_TRUE(daemon.Start("\"" + folder + "korvaned.exe\"", folder));
    HWND window = WaitForDaemonStartUp();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(FindMessageBox(daemon.Id()), nullptr);  // the example's own hotkeys all registered
    ASSERT_TRUE(HotkeyTaken(first.modifiers, first.key));

    {
        SCOPED_TRACE("a hotkey runs the recorder in its folder with its environment");
        Record record;
        ASSERT_TRUE(PressedRan(first, recorder.Exe(), record));
        EXPECT_EQ(record.commandLine, "\"" + recorder.Exe() + "\" hotkey");
        EXPECT_EQ(record.folder, WithoutSlash(recorder.Folder()));
        ASSERT_FALSE(record.environment.empty());
        EXPECT_EQ(record.environment[0], "ROAD=package");
    }
    {
        SCOPED_TRACE("the tray icon's menu runs its last item, the recorder");
        PostMessageA(window, kTrayMessage, 1, WM_RBUTTONDOWN);
        ASSERT_TRUE(ChooseMenuItem(daemon.Id(), VK_UP));
        Record record;
        ASSERT_TRUE(Ran(recorder.Exe(), record));
        EXPECT_EQ(record.commandLine, "\"" + recorder.Exe() + "\" hotkey");
    }
    {
        SCOPED_TRACE("a double click opens the controller, whose edit dialog adds a command");
        PostMessageA(window, kTrayMessage, 1, WM_LBUTTONDBLCLK);
        HWND sheet = WaitForTitle(Ansi("オプションと情報:"));
        ASSERT_NE(sheet, nullptr);
        HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        ASSERT_NE(page, nullptr);
        PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_NEW, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_NEW)));
        HWND edit = WaitForTitle(Ansi("コマンドの編集"));
        ASSERT_NE(edit, nullptr);
        TypeCommand(edit, "Added", "\"" + recorder.Exe() + "\" added", added);
        PostMessageA(edit, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(edit); }));
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(sheet); }, 10000));
        // The daemon takes the new table when the controller lets go of the lock.
        ASSERT_TRUE(WaitForHotkeyState(added, true));
        Record record;
        ASSERT_TRUE(PressedRan(added, recorder.Exe(), record));
        EXPECT_EQ(record.commandLine, "\"" + recorder.Exe() + "\" added");
    }
    {
        SCOPED_TRACE("a file sent to the adder becomes the menu's last item");
        const std::string sent = recorder.File("sent.exe");
        ASSERT_TRUE(CopyFileA(recorder.Exe().c_str(), sent.c_str(), FALSE));
        EXPECT_EQ(RunProgram("\"" + folder + "korvadd.exe\" \"" + sent + "\"", 15000), 0u);
        PostMessageA(window, kTrayMessage, 1, WM_RBUTTONDOWN);
        ASSERT_TRUE(ChooseMenuItem(daemon.Id(), VK_UP));
        Record record;
        ASSERT_TRUE(Ran(sent, record));
        EXPECT_EQ(record.commandLine, sent);
    }
    {
        SCOPED_TRACE("the switcher's dialog makes a second settings file current");
        ASSERT_TRUE(WriteFileText(folder + "second.ini",
                                  LocalSettings({{"Second", "\"" + recorder.Exe() + "\" second", second.text},
                                                 {"Exit", "Service:Exit", exit.text}})));
        Process switcher;
        ASSERT_TRUE(switcher.Start("\"" + folder + "korvswt.exe\"", folder));
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (dialog = FindMessageBox(switcher.Id())) != nullptr; }, 10000));
        // Its one edit box takes the path.
        SetWindowTextA(FindWindowExA(dialog, nullptr, "Edit", nullptr), "second.ini");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(switcher.Wait(15000), 0u);
        ASSERT_TRUE(WaitForHotkeyState(second, true));
        EXPECT_TRUE(WaitForHotkeyState(first, false));
        Record record;
        ASSERT_TRUE(PressedRan(second, recorder.Exe(), record));
        EXPECT_EQ(record.commandLine, "\"" + recorder.Exe() + "\" second");
    }
    {
        SCOPED_TRACE("Service:Exit answered Yes ends the daemon");
        BoxAnswerer boxes(IDYES, daemon.Id());
        PressHotkey(exit.modifiers, exit.key);
        EXPECT_EQ(daemon.Wait(15000), 0u);
        EXPECT_EQ(boxes.Boxes().size(), 1u);
    }
    EndDaemon(daemon);
}

} // namespace
