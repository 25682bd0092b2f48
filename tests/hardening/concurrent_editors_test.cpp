// Editing programs started all at once while the daemon runs: they take turns
// through the option mutex, the refused ones touch nothing, and every save
// builds on the complete table of the one before.
#include "daemon_test_files.h"
#include "editor_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace testing_support;
using namespace editor_test;

namespace {

// The text a save writes for a table of these lines.
std::string SavedText(const Lines& lines)
{
    std::string text = "[CmdTable]\r\n";
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

Lines OneCommand(const std::string& caption, const std::string& hotkey)
{
    return {"cmd[0].caption=" + caption, "cmd[0].cmdline=" + caption + ".exe", "cmd[0].cmdline.dir=",
            "cmd[0].cmdline.showcmd=SW_SHOWNORMAL", "cmd[0].cmdline.env=", "cmd[0].hotkey=" + hotkey};
}

FILETIME WriteTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

bool SameTime(const FILETIME& a, const FILETIME& b)
{
    return CompareFileTime(&a, &b) == 0;
}

struct Editor {
    bool adder;
    std::string argument;   // the adder's file, or the file the switcher makes current
    std::string target;     // the switcher's file: local.ini or other.ini
    std::unique_ptr<Process> process = std::make_unique<Process>();
    DWORD code = STILL_ACTIVE;
    ULONGLONG ended = 0;
};

TEST(ConcurrentEditors, TwentyEditorsTakeTurnsAndTheDaemonLoadsTheLastSavedTable)
{
    const daemon_test::FreeHotkey localKey = daemon_test::FindFreeHotkeyText(0);
    const daemon_test::FreeHotkey otherKey = daemon_test::FindFreeHotkeyText(1);
    ASSERT_TRUE(localKey.found && otherKey.found);
    ProgramFolder folder({"korvaned.exe", "korvadd.exe", "korvswt.exe"});
    // Every command runs a copy of the recorder named after its caption,
    // which leaves "<caption>.exe.log" behind when the daemon runs it.
    const auto recorder = [&](const std::string& caption) {
        const std::string exe = folder.File(caption + ".exe");
        EXPECT_TRUE(CopyFileA((ExeDir() + "exec_recorder.exe").c_str(), exe.c_str(), FALSE));
        return exe;
    };
    recorder("Local");
    recorder("Other");
    folder.WriteMainSettings("local.ini");
    // Each file's own command carries its own hotkey: the daemon's hotkeys
    // show which file it loaded.
    std::map<std::string, Lines> tables = {{"local.ini", OneCommand("Local", localKey.text)},
                                           {"other.ini", OneCommand("Other", otherKey.text)}};
    for (const auto& table : tables) ASSERT_TRUE(WriteFileText(folder.File(table.first), SavedText(table.second)));
    std::map<std::string, FILETIME> times;
    for (const char* name : {"_setting.ini", "local.ini", "other.ini"}) times[name] = WriteTime(folder.File(name));

    Process daemon;
    ASSERT_TRUE(daemon.Start("\"" + folder.Program("korvaned.exe") + "\"", folder.Path()));
    ASSERT_NE(daemon_test::WaitForDaemonStartUp(), nullptr);
    EXPECT_TRUE(daemon_test::WaitForHotkeyState(localKey, true));
    RemoteListener listener;
    // Each refused editor says why in a box; the daemon shows none.
    BoxAnswerer boxes(IDOK, 0);
    const std::string refused = Sjis("Korvane の設定を編集する別のプログラム（オプションなど）が開いているため、");

    // Eight switchers, each naming one of the two files in a spelling of its
    // own, so that the main file shows which one wrote it; twelve adders,
    // each adding a file of its own.
    std::vector<Editor> editors(20);
    for (int i = 0; i < 20; ++i) {
        Editor& e = editors[i];
        e.adder = i % 5 != 1 && i % 5 != 3;
        if (e.adder) {
            e.argument = recorder("e" + std::to_string(i));
        } else {
            e.target = i % 2 ? "other.ini" : "local.ini";
            e.argument = "s" + std::to_string(i) + "\\..\\" + e.target;
        }
    }
    for (Editor& e : editors) {
        ASSERT_TRUE(StartProgram(*e.process, folder.Program(e.adder ? "korvadd.exe" : "korvswt.exe"), e.argument));
    }
    // Pumping: the editors' broadcasts wait for the listener.
    EXPECT_TRUE(WaitFor([&] {
        return std::all_of(editors.begin(), editors.end(),
                           [](const Editor& e) { return WaitForSingleObject(e.process->Handle(), 0) == WAIT_OBJECT_0; });
    }, 120000));

    std::vector<Editor*> holders;
    for (Editor& e : editors) {
        e.code = e.process->Wait(0);
        FILETIME created, ended, kernel, user;
        GetProcessTimes(e.process->Handle(), &created, &ended, &kernel, &user);
        e.ended = (static_cast<ULONGLONG>(ended.dwHighDateTime) << 32) | ended.dwLowDateTime;
        EXPECT_TRUE(e.code == 0 || e.code == 1) << e.argument << ": " << e.code;
        if (e.code == 0) holders.push_back(&e);
    }
    ASSERT_FALSE(holders.empty());
    // One holder at a time: each one's stop and start of the services came
    // before the next one's; the refused ones broadcast nothing.
    std::vector<unsigned> turns;
    for (std::size_t i = 0; i < holders.size(); ++i) turns.insert(turns.end(), {2u, 1u});
    // When the turns do not add up, every editor's exit code and end say
    // which one failed, and when (a crash ends with its exception code).
    // Wine 8 has once crashed a starting editor inside its own gdi32, which
    // had no GDI handle table in that process.
    std::string ends;
    const ULONGLONG first = std::min_element(editors.begin(), editors.end(), [](const Editor& a, const Editor& b) {
        return a.ended < b.ended;
    })->ended;
    for (const Editor& e : editors) {
        ends += " " + e.argument.substr(e.argument.rfind('\\') + 1) + ":" + std::to_string(e.code) + "@" +
                std::to_string((e.ended - first) / 10000) + "ms";
    }
    EXPECT_EQ(listener.Codes(), turns) << "editors, code and end:" << ends;

    // The holders in the order of their turns: each one's save builds on the
    // complete table that the one before it saved.
    std::sort(holders.begin(), holders.end(), [](const Editor* a, const Editor* b) { return a->ended < b->ended; });
    std::string order;
    for (const Editor* e : holders) order += " " + e->argument.substr(e->argument.rfind('\\') + 1);
    std::printf("%zu of 20 took a turn, in this order:%s\n", holders.size(), order.c_str());
    std::string current = "local.ini", currentText = "local.ini";
    std::map<std::string, bool> written;
    for (const Editor* e : holders) {
        if (!e->adder) {
            current = e->target;
            currentText = e->argument;
            written["_setting.ini"] = true;
            continue;
        }
        Lines& table = tables[current];
        const std::string name = e->argument.substr(e->argument.rfind('\\') + 1);
        const Lines added = AddedLines(static_cast<int>(table.size() / 6), name.substr(0, name.size() - 4), e->argument);
        table.insert(table.end(), added.begin(), added.end());
        written[current] = true;
    }
    EXPECT_EQ(ReadProfile(folder.File("_setting.ini"), "LocalSetting", "Current"), currentText);
    for (const auto& table : tables) {
        SCOPED_TRACE(table.first);
        EXPECT_EQ(ReadFileText(folder.File(table.first)), SavedText(table.second));
    }
    // A file that no holder saved was not touched at all.
    for (const auto& time : times) {
        if (!written[time.first]) {
            EXPECT_TRUE(SameTime(WriteTime(folder.File(time.first)), time.second)) << time.first;
        }
    }

    // The daemon runs its services on the table of the file now current,
    // as it was last saved: its hotkeys are that file's, and the last item
    // of its menu runs the table's last command.
    const bool local = current == "local.ini";
    EXPECT_TRUE(daemon_test::WaitForHotkeyState(localKey, local));
    EXPECT_TRUE(daemon_test::WaitForHotkeyState(otherKey, !local));
    const std::string last = tables[current][tables[current].size() - 6];
    const std::string lastRan = folder.File(last.substr(last.find('=') + 1) + ".exe.log");
    // The tray's notification: icon 1 in wParam, the mouse message in lParam.
    PostMessageA(daemon_test::FindDaemonWindow(), WM_USER + 1, 1, WM_RBUTTONDOWN);
    EXPECT_TRUE(daemon_test::ChooseMenuItem(daemon.Id(), VK_UP));
    EXPECT_TRUE(WaitFor([&] { return FileExists(lastRan); }, 10000)) << lastRan;
    for (const BoxText& box : boxes.Boxes()) {
        EXPECT_EQ(box.text.rfind(refused, 0), 0u) << box.text;
    }
    daemon_test::EndDaemon(daemon);
    EXPECT_EQ(daemon.Wait(0), 0u);
}

} // namespace
