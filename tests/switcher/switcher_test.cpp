#include "editor_test_support.h"
#include "switcher_exit_codes.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using namespace testing_support;
using namespace editor_test;

namespace {

const char kMainSettings[] =
    "[LocalSetting]\r\n"
    "Current=old.ini\r\n"
    "[ProgramInfo]\r\n"
    "Daemon.Path=C:\\Korvane\\korvaned.exe\r\n"
    "Controller.Path=C:\\Korvane\\korvopt.exe\r\n"
    "Switcher.Path=C:\\Korvane\\korvswt.exe\r\n";

constexpr int kPathEdit = 102;
constexpr int kBrowseButton = 103;

class SwitcherTest : public ::testing::Test {
protected:
    SwitcherTest() : folder_({"korvswt.exe"}) { WriteFileText(Main(), kMainSettings); }

    std::string Main() const { return folder_.File("_setting.ini"); }
    std::string Current() const { return ReadProfile(Main(), "LocalSetting", "Current"); }

    void ExpectProgramPathsKept() const
    {
        EXPECT_EQ(ReadProfile(Main(), "ProgramInfo", "Daemon.Path"), "C:\\Korvane\\korvaned.exe");
        EXPECT_EQ(ReadProfile(Main(), "ProgramInfo", "Controller.Path"), "C:\\Korvane\\korvopt.exe");
        EXPECT_EQ(ReadProfile(Main(), "ProgramInfo", "Switcher.Path"), "C:\\Korvane\\korvswt.exe");
    }

    bool Start(const std::string& args = std::string())
    {
        return StartProgram(switcher_, folder_.Program("korvswt.exe"), args);
    }

    // The switcher's dialog 101, once it is shown.
    HWND WaitForSwitchDialog() { return WaitForDialog(switcher_.Id(), Sjis("設定ファイルの選択")); }

    static void Press(HWND dialog, int id)
    {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }

    static std::string Text(HWND dialog, int id)
    {
        char text[1024] = {};
        GetDlgItemTextA(dialog, id, text, sizeof text);
        return text;
    }

    ProgramFolder folder_;
    RemoteListener listener_;
    Process switcher_;
};

struct CommandLineCase {
    const char* label;
    std::string args;
    std::string current;   // as the profile functions read it back
};

// English chosen in the main settings file on a Japanese system.
TEST_F(SwitcherTest, EnglishChosenInTheSettingsIsSpokenOnAJapaneseSystem)
{
    WriteFileText(Main(), std::string(kMainSettings) + "[Language]\r\nUI=en\r\n");
    ASSERT_TRUE(Start());
    HWND dialog = WaitForDialog(switcher_.Id(), "Choose the Settings File");
    ASSERT_NE(dialog, nullptr);
    Press(dialog, IDCANCEL);
    EXPECT_EQ(WaitPumping(switcher_), static_cast<DWORD>(kExitDone));
}

TEST_F(SwitcherTest, APathOnTheCommandLineBecomesCurrentWithoutADialog)
{
    const CommandLineCase cases[] = {
        {"absolute path", "C:\\settings\\work.ini", "C:\\settings\\work.ini"},
        {"taken whole with its blanks", "C:\\My Settings\\work.ini", "C:\\My Settings\\work.ini"},
        {"quotation marks around it", "\"C:\\My Settings\\work.ini\"", "C:\\My Settings\\work.ini"},
        {"relative path", "sub\\my.ini", "sub\\my.ini"},
        {"double-byte path", Sjis("C:\\設定\\表示.ini"), Sjis("C:\\設定\\表示.ini")},
    };
    for (const CommandLineCase& c : cases) {
        SCOPED_TRACE(c.label);
        WriteFileText(Main(), kMainSettings);
        Process switcher;
        ASSERT_TRUE(StartProgram(switcher, folder_.Program("korvswt.exe"), c.args));
        // A dialog would keep it running until the time is up.
        EXPECT_EQ(WaitPumping(switcher), static_cast<DWORD>(kExitDone));
        EXPECT_EQ(Current(), c.current);
        // Stored whole, marks and all: the profile read drops the one pair.
        EXPECT_NE(ReadFileText(Main()).find("Current=" + c.args + "\r\n"), std::string::npos);
        ExpectProgramPathsKept();
    }
    EXPECT_EQ(listener_.Codes(), (std::vector<unsigned>{2, 1, 2, 1, 2, 1, 2, 1, 2, 1}));
}

TEST_F(SwitcherTest, MissingProgramPathsAreWrittenEmpty)
{
    WriteFileText(Main(), "[LocalSetting]\r\nCurrent=old.ini\r\n");
    ASSERT_TRUE(Start("new.ini"));
    EXPECT_EQ(WaitPumping(switcher_), static_cast<DWORD>(kExitDone));
    EXPECT_EQ(Current(), "new.ini");
    for (const char* key : {"Daemon.Path", "Controller.Path", "Switcher.Path"}) {
        EXPECT_EQ(ReadProfile(Main(), "ProgramInfo", key), "") << key;
    }
}

struct DialogCase {
    const char* label;
    std::string typed;
    std::string current;
};

TEST_F(SwitcherTest, OkWritesTheTypedText)
{
    const DialogCase cases[] = {
        {"relative path", "sub\\my.ini", "sub\\my.ini"},
        {"empty edit box", "", ""},
        // As Explorer's "Copy as path" gives it.
        {"quotation marks around it", "\"C:\\My Settings\\a.ini\"", "C:\\My Settings\\a.ini"},
    };
    for (const DialogCase& c : cases) {
        SCOPED_TRACE(c.label);
        WriteFileText(Main(), kMainSettings);
        Process switcher;
        ASSERT_TRUE(StartProgram(switcher, folder_.Program("korvswt.exe"), ""));
        HWND dialog = WaitForDialog(switcher.Id(), Sjis("設定ファイルの選択"));
        ASSERT_NE(dialog, nullptr);
        // The current setting is not shown.
        EXPECT_EQ(Text(dialog, kPathEdit), "");
        SetDlgItemTextA(dialog, kPathEdit, c.typed.c_str());
        Press(dialog, IDOK);
        EXPECT_EQ(WaitPumping(switcher), static_cast<DWORD>(kExitDone));
        EXPECT_EQ(Current(), c.current);
        ExpectProgramPathsKept();
    }
}

TEST_F(SwitcherTest, ASwitchChangesTheCurrentLineAloneAndNoTable)
{
    // Keys of newer versions in the main settings file, and a table with
    // options and unknown keys in the settings files it names.
    const std::string main = std::string(kMainSettings) + "Language=ja\r\n[Future]\r\nx=1\r\n";
    const std::string table =
        "[CmdTable]\r\ncmd[0].caption=A\r\ncmd[0].cmdline=\r\ncmd[0].cmdline.dir=\r\n"
        "cmd[0].cmdline.showcmd=SW_SHOWNORMAL\r\ncmd[0].cmdline.env=\r\ncmd[0].hotkey=\r\n"
        "cmd[0].running=cycle\r\ncmd[0].future=x\r\nversion=3\r\n";
    WriteFileText(Main(), main);
    WriteFileText(folder_.File("old.ini"), table);
    WriteFileText(folder_.File("new.ini"), table);
    ASSERT_TRUE(Start("new.ini"));
    EXPECT_EQ(WaitPumping(switcher_), static_cast<DWORD>(kExitDone));
    std::string expected = main;
    expected.replace(expected.find("Current=old.ini"), 15, "Current=new.ini");
    EXPECT_EQ(ReadFileText(Main()), expected);
    EXPECT_EQ(ReadFileText(folder_.File("old.ini")), table);
    EXPECT_EQ(ReadFileText(folder_.File("new.ini")), table);
}

TEST_F(SwitcherTest, CancelTouchesNothingButRestartsTheServices)
{
    ASSERT_TRUE(Start());
    HWND dialog = WaitForSwitchDialog();
    ASSERT_NE(dialog, nullptr);
    // The services are stopped while the dialog is open.
    EXPECT_EQ(listener_.Codes(), std::vector<unsigned>{2});
    SetDlgItemTextA(dialog, kPathEdit, "typed.ini");
    Press(dialog, IDCANCEL);
    EXPECT_EQ(WaitPumping(switcher_), static_cast<DWORD>(kExitDone));
    EXPECT_EQ(ReadFileText(Main()), kMainSettings);
    EXPECT_EQ(listener_.Codes(), (std::vector<unsigned>{2, 1}));
}

TEST_F(SwitcherTest, ClosingTheWindowIsCancel)
{
    ASSERT_TRUE(Start());
    HWND dialog = WaitForSwitchDialog();
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextA(dialog, kPathEdit, "typed.ini");
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(WaitPumping(switcher_), static_cast<DWORD>(kExitDone));
    EXPECT_EQ(ReadFileText(Main()), kMainSettings);
}

// The file name box of the file-open dialog: a combo box on Windows (cmb13),
// an edit box in Wine (edt1).
std::string FileNameOf(HWND fileDialog)
{
    for (int id : {0x47C, 0x480}) {
        if (GetDlgItem(fileDialog, id) != nullptr) {
            char text[MAX_PATH] = {};
            GetDlgItemTextA(fileDialog, id, text, sizeof text);
            return text;
        }
    }
    return "<no file name box>";
}

TEST_F(SwitcherTest, BrowseWithAMissingNameOpensWithoutAnInitialName)
{
    ASSERT_TRUE(Start());
    HWND dialog = WaitForSwitchDialog();
    ASSERT_NE(dialog, nullptr);
    const std::string missing = folder_.File("nothere.ini");
    SetDlgItemTextA(dialog, kPathEdit, missing.c_str());
    Press(dialog, kBrowseButton);
    HWND fileDialog = WaitForDialog(switcher_.Id(), Sjis("ファイルの選択"));
    ASSERT_NE(fileDialog, nullptr);
    EXPECT_TRUE(GetParent(fileDialog) == dialog || GetWindow(fileDialog, GW_OWNER) == dialog);
    EXPECT_EQ(FileNameOf(fileDialog), "");
    Press(fileDialog, IDCANCEL);
    // A cancelled choice leaves the edit box as it was.
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(fileDialog); }));
    EXPECT_EQ(Text(dialog, kPathEdit), missing);
    Press(dialog, IDCANCEL);
    EXPECT_EQ(WaitPumping(switcher_), static_cast<DWORD>(kExitDone));
    EXPECT_EQ(ReadFileText(Main()), kMainSettings);
}

TEST_F(SwitcherTest, BrowsePicksAnExistingFileIntoTheEditBox)
{
    const std::string chosen = folder_.File("work.ini");
    WriteFileText(chosen, "[CmdTable]\r\n");
    ASSERT_TRUE(Start());
    HWND dialog = WaitForSwitchDialog();
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextA(dialog, kPathEdit, chosen.c_str());
    Press(dialog, kBrowseButton);
    HWND fileDialog = WaitForDialog(switcher_.Id(), Sjis("ファイルの選択"));
    ASSERT_NE(fileDialog, nullptr);
    // An existing file is offered as the first choice.
    EXPECT_NE(FileNameOf(fileDialog).find("work.ini"), std::string::npos);
    SetDlgItemTextA(dialog, kPathEdit, "");
    Press(fileDialog, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(fileDialog); }));
    EXPECT_EQ(_stricmp(Text(dialog, kPathEdit).c_str(), chosen.c_str()), 0) << Text(dialog, kPathEdit);
    Press(dialog, IDOK);
    EXPECT_EQ(WaitPumping(switcher_), static_cast<DWORD>(kExitDone));
    EXPECT_EQ(_stricmp(Current().c_str(), chosen.c_str()), 0) << Current();
}

TEST_F(SwitcherTest, EndsWithCode1AndChangesNothingWhileAnotherEditorRunsSayingWhy)
{
    HeldOptionMutex other;
    ASSERT_TRUE(other.Held());
    for (const char* args : {"", "C:\\settings\\work.ini"}) {
        SCOPED_TRACE(args);
        ASSERT_TRUE(Start(args));
        BoxAnswerer answerer(IDOK, switcher_.Id());
        EXPECT_EQ(WaitPumping(switcher_), static_cast<DWORD>(kExitLocked));
        const std::vector<BoxText> boxes = answerer.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, Sjis("エラー - Korvane"));
        EXPECT_EQ(boxes[0].text, Sjis("Korvane の設定を編集する別のプログラム（オプションなど）が開いているため、"
                                      "現在の設定ファイルは変更されませんでした。"
                                      "そのプログラムを閉じてから、もう一度やり直してください。"));
    }
    EXPECT_EQ(ReadFileText(Main()), kMainSettings);
    EXPECT_TRUE(listener_.Codes().empty());
}

struct LongPathCase {
    const char* label;
    std::string path;
    bool fits;
};

TEST_F(SwitcherTest, APathTooLongToNameAFileIsRefusedWithABox)
{
    // Judged by the full path the programs open, as the profile read gives
    // the value back: the program folder counts, the enclosing marks do not.
    const std::size_t room = 259 - folder_.Path().size();
    const std::string quoted = "\"C:\\" + std::string(252, 'q') + ".ini\"";
    const LongPathCase cases[] = {
        {"absolute", "C:\\" + std::string(300, 'a'), false},
        {"relative, too long under the program folder", std::string(room + 1, 'r'), false},
        {"relative, just fits", std::string(room, 'r'), true},
        {"quoted, fits without its marks", quoted, true},
    };
    const std::string refusal =
        Sjis("指定されたパスは長すぎるため、設定ファイルとして使えません（完全なパスで 259 バイトまで）。"
             "現在の設定ファイルは変更されませんでした。");
    for (const LongPathCase& c : cases) {
        SCOPED_TRACE(c.label);
        WriteFileText(Main(), kMainSettings);
        ASSERT_TRUE(Start(c.path));
        BoxAnswerer answerer(IDOK, switcher_.Id());
        EXPECT_EQ(WaitPumping(switcher_), static_cast<DWORD>(c.fits ? kExitDone : kExitPathRefused));
        const std::vector<BoxText> boxes = answerer.Boxes();
        if (c.fits) {
            EXPECT_TRUE(boxes.empty());
            EXPECT_NE(ReadFileText(Main()).find("Current=" + c.path + "\r\n"), std::string::npos);
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, refusal);
            EXPECT_EQ(ReadFileText(Main()), kMainSettings);
        }
    }

    // In the dialog the box leaves the dialog open to mend the path.
    WriteFileText(Main(), kMainSettings);
    ASSERT_TRUE(Start());
    HWND dialog = WaitForSwitchDialog();
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextA(dialog, kPathEdit, std::string(300, 'x').c_str());
    Press(dialog, IDOK);
    HWND box = WaitForDialog(switcher_.Id(), Sjis("エラー - Korvane"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ReadMessageBox(box).text, refusal);
    AnswerMessageBox(box, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_TRUE(IsWindowVisible(dialog));
    Press(dialog, IDCANCEL);
    EXPECT_EQ(WaitPumping(switcher_), static_cast<DWORD>(kExitDone));
    EXPECT_EQ(ReadFileText(Main()), kMainSettings);
}

TEST_F(SwitcherTest, ReportsAMainSettingsFileThatCannotBeWritten)
{
    const std::string format = Sjis("メイン設定ファイル「%s」に書き込めません。現在の設定ファイルは変更されませんでした。");
    const std::string expected = format.substr(0, format.find("%s")) + Main() + format.substr(format.find("%s") + 2);
    {
        LockedFile lock(Main());
        ASSERT_TRUE(lock.Locked());
        ASSERT_TRUE(Start("C:\\settings\\work.ini"));
        BoxAnswerer answerer(IDOK, switcher_.Id());
        EXPECT_EQ(WaitPumping(switcher_), static_cast<DWORD>(kExitSaveFailed));
        const std::vector<BoxText> boxes = answerer.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, Sjis("エラー - Korvane"));
        EXPECT_EQ(boxes[0].text, expected);
    }
    EXPECT_EQ(ReadFileText(Main()), kMainSettings);
    // The daemon is started again all the same.
    EXPECT_EQ(listener_.Codes(), (std::vector<unsigned>{2, 1}));
}

} // namespace
