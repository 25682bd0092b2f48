#include "command_edit_dialog.h"
#include "commands/hotkey_text.h"
#include "command_tree.h"
#include "platform/daemon_request.h"
#include "exec_test_support.h"
#include "commands/hotkey_text.h"
#include "resource.h"
#include "sheet_fixture.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

using namespace testing_support;

namespace {

HWND FindEditDialog()
{
    HWND found = nullptr;
    WaitFor([&] {
        found = FindWindowA("#32770", Sjis("コマンドの編集").c_str());
        return found != nullptr && IsWindowVisible(found);
    }, 5000);
    return found;
}

std::string Text(HWND dialog, int id)
{
    char text[512] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// Runs the dialog on this thread while `drive` works it from another.
INT_PTR RunDriven(CommandItem* item, const std::function<void(HWND)>& drive,
                  std::vector<TableHotkey> otherHotkeys = {})
{
    std::thread driver([&] {
        HWND dialog = FindEditDialog();
        if (dialog)
            drive(dialog);
    });
    const INT_PTR result = RunCommandEditDialog(nullptr, item, NameTakenCheck(), std::move(otherHotkeys));
    driver.join();
    return result;
}

CommandItem Sample()
{
    CommandItem item;
    item.name = "Edit";
    item.cmdline = "notepad.exe";
    item.dir = "C:\\work";
    item.envFile = "env.txt";
    item.showCmd = 3;
    item.virtualKey = 8;
    item.modifiers = 1 | 4;
    return item;
}

using Keys = std::vector<std::string>;

// The item's further keys as "field=value", in order.
Keys KeysOf(const CommandItem& item)
{
    Keys keys;
    for (const CommandKey& key : item.moreKeys)
        keys.push_back(key.field + "=" + key.value);
    return keys;
}

// Keys given as UTF-8 "field=value", stored as the programs read them.
void SetKeys(CommandItem& item, const Keys& keys)
{
    item.moreKeys.clear();
    for (const std::string& utf8 : keys) {
        const std::string key = Sjis(utf8.c_str());
        const size_t equals = key.find('=');
        item.moreKeys.push_back(CommandKey{key.substr(0, equals), key.substr(equals + 1)});
    }
}

} // namespace

TEST(CommandEditDialog, OptionControlsShowTheKeysAndOkRewritesOnlyTheChangedOnes)
{
    // A change: a running index, a title, -1 / 0 / 1 for the check boxes (-1: untouched), an icon.
    struct Change {
        int running = -1;
        const char* title = nullptr;
        int admin = -1, merge = -1;
        const char* icon = nullptr;
    };
    struct Case {
        const char* label;
        Keys keys;
        int running;            // what the controls show
        const char* title;
        bool admin, merge;
        Change change;
        Keys expected;
        const char* icon = "";
    };
    const Keys all = {".running=activate", ".window=w", ".future=x", ".runas=admin", ".cmdline.envmode=merge",
                      ".icon=i.dll,1"};
    const Keys mixed = {".Running=Toggle", ".future=x", ".window=*メモ帳", ".RUNAS=Admin", ".cmdline.envmode=MERGE",
                        ".Icon=m.dll, 3"};
    const Keys defaults = {".future=x", ".running=start", ".cmdline.envmode=replace", ".runas=user"};
    const Case cases[] = {
        {"no option", {}, 0, "", false, false, {}, {}},
        {"defaults written out and unknown keys", defaults, 0, "", false, false, {}, defaults},
        {"other letter case", mixed, 2, "*メモ帳", true, true, {}, mixed, "m.dll, 3"},
        {"a mode of a newer version", {".running=someday"}, 0, "", false, false, {}, {".running=someday"}},
        {"every option set: appended", {".future=x"}, 0, "", false, false, {3, "Doc*", 1, 1, "x.dll,2"},
         {".future=x", ".running=cycle", ".window=Doc*", ".runas=admin", ".cmdline.envmode=merge", ".icon=x.dll,2"}},
        {"every option back to its default: removed", all, 1, "w", true, true, {0, "", 0, 0, ""}, {".future=x"},
         "i.dll,1"},
        {"changed where it stands", {".a=1", ".running=start", ".b=2"}, 0, "", false, false, {1},
         {".a=1", ".running=activate", ".b=2"}},
        {"only the title changed", {".Window=old", ".runas=ADMIN"}, 0, "old", true, false, {-1, "new"},
         {".Window=new", ".runas=ADMIN"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        CommandItem item = Sample();
        SetKeys(item, c.keys);
        int running = -1;
        std::string title, icon;
        bool admin = !c.admin, merge = !c.merge;
        std::vector<std::string> choices;
        const INT_PTR result = RunDriven(&item, [&](HWND d) {
            running = static_cast<int>(SendDlgItemMessageA(d, IDC_RUNNING, CB_GETCURSEL, 0, 0));
            for (int i = 0; i < SendDlgItemMessageA(d, IDC_RUNNING, CB_GETCOUNT, 0, 0); ++i) {
                char text[128] = {};
                SendDlgItemMessageA(d, IDC_RUNNING, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                choices.push_back(text);
            }
            title = Text(d, IDC_WINDOW_TITLE);
            admin = Checked(d, IDC_RUNAS);
            merge = Checked(d, IDC_ENVMODE);
            icon = Text(d, IDC_ICON_PATH);
            SetDlgItemTextA(d, IDC_CAPTION, "Renamed");   // the other fields change the keys not
            if (c.change.running >= 0) SendDlgItemMessageA(d, IDC_RUNNING, CB_SETCURSEL, c.change.running, 0);
            if (c.change.title) SetDlgItemTextA(d, IDC_WINDOW_TITLE, c.change.title);
            if (c.change.admin >= 0) CheckDlgButton(d, IDC_RUNAS, c.change.admin);
            if (c.change.merge >= 0) CheckDlgButton(d, IDC_ENVMODE, c.change.merge);
            if (c.change.icon) SetDlgItemTextA(d, IDC_ICON_PATH, c.change.icon);
            PostMessageA(d, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(choices, (std::vector<std::string>{Sjis("新しく起動する"), Sjis("既存のウィンドウを前面に出す"),
                                                     Sjis("前面なら最小化、それ以外は前面に出す"),
                                                     Sjis("ウィンドウを順に切り替える")}));
        EXPECT_EQ(running, c.running);
        EXPECT_EQ(title, Sjis(c.title));
        EXPECT_EQ(admin, c.admin);
        EXPECT_EQ(merge, c.merge);
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(item.name, "Renamed");
        Keys expected;
        for (const std::string& key : c.expected)
            expected.push_back(Sjis(key.c_str()));
        EXPECT_EQ(KeysOf(item), expected);
    }
}

TEST(CommandEditDialog, TabOrderFollowsTheLayout)
{
    CommandItem item = Sample();
    std::vector<RECT> places;
    RunDriven(&item, [&](HWND d) {
        HWND first = GetNextDlgTabItem(d, nullptr, FALSE);
        HWND at = first;
        do {
            places.emplace_back();
            GetWindowRect(at, &places.back());
        } while ((at = GetNextDlgTabItem(d, at, FALSE)) != first && places.size() < 40);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(places.size(), 20u);   // every control but the labels and group boxes
    // Left to right within a row, rows from the top down.
    for (size_t i = 1; i < places.size(); ++i) {
        const bool sameRow = std::abs(places[i].top - places[i - 1].top) < 4;
        EXPECT_TRUE(sameRow ? places[i].left > places[i - 1].left : places[i].top > places[i - 1].top) << i;
    }
}

TEST(CommandEditDialog, FillsControlsFromTheItem)
{
    struct Case {
        int showCmd;
        int index;
        int virtualKey;
        const char* key;
    };
    const Case cases[] = {
        {3, 1, 8, "BackSpace"},   // the first of the names of 8, never "Back"
        {2, 2, 0, ""},
        {4, 0, 0x70, "F1"},       // SW_SHOWNOACTIVATE shows the normal window
        {1, 0, 0x41, "A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        CommandItem item = Sample();
        item.showCmd = c.showCmd;
        item.virtualKey = static_cast<std::uint8_t>(c.virtualKey);
        std::string key, name, cmdline;
        int index = -1, keyRows = 0, lines = 0;
        bool alt = false, shift = false, control = true, win = true;
        const INT_PTR result = RunDriven(&item, [&](HWND d) {
            key = Text(d, IDC_KEY);
            name = Text(d, IDC_CAPTION);
            cmdline = Text(d, IDC_CMDLINE);
            index = static_cast<int>(SendDlgItemMessageA(d, IDC_SHOWCMD, CB_GETCURSEL, 0, 0));
            keyRows = static_cast<int>(SendDlgItemMessageA(d, IDC_KEY, CB_GETCOUNT, 0, 0));
            lines = static_cast<int>(SendDlgItemMessageA(d, IDC_CMDLINE, CB_GETCOUNT, 0, 0));
            alt = Checked(d, IDC_ALT);
            shift = Checked(d, IDC_SHIFT);
            control = Checked(d, IDC_CONTROL);
            win = Checked(d, IDC_WIN);
            PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(key, c.key);
        EXPECT_EQ(name, "Edit");
        EXPECT_EQ(cmdline, "notepad.exe");
        EXPECT_EQ(index, c.index);
        EXPECT_EQ(keyRows, kKeyNameCount);
        EXPECT_EQ(lines, 22);
        EXPECT_TRUE(alt);
        EXPECT_TRUE(shift);
        EXPECT_FALSE(control);
        EXPECT_FALSE(win);
    }
}

TEST(CommandEditDialog, OkStoresTheControls)
{
    struct Case {
        const char* keyText;
        int virtualKey;
        int stateIndex;
        int showCmd;
    };
    const Case cases[] = {
        {"backspace", 8, 0, 1},
        {"BACKSPACE", 8, 1, 3},
        {"Ctrl+A", 0, 2, 2},      // the key box takes a key name only
        {"", 0, 0, 1},
        {"F12", 0x7B, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyText);
        CommandItem item = Sample();
        const INT_PTR result = RunDriven(&item, [&](HWND d) {
            SetDlgItemTextA(d, IDC_CAPTION, " say \"hi\"\t");   // blanks at the ends go
            SetDlgItemTextA(d, IDC_KEY, c.keyText);
            SetDlgItemTextA(d, IDC_CMDLINE, "Service:Option");
            SetDlgItemTextA(d, IDC_DIR, "D:\\");
            SetDlgItemTextA(d, IDC_ENVFILE, "");
            SendDlgItemMessageA(d, IDC_SHOWCMD, CB_SETCURSEL, c.stateIndex, 0);
            CheckDlgButton(d, IDC_ALT, BST_UNCHECKED);
            CheckDlgButton(d, IDC_CONTROL, BST_CHECKED);
            CheckDlgButton(d, IDC_WIN, BST_CHECKED);
            PostMessageA(d, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(item.name, "say \"hi\"");
        EXPECT_EQ(item.virtualKey, c.virtualKey);
        EXPECT_EQ(item.modifiers, 2u | 4u | 8u);
        EXPECT_EQ(item.cmdline, "Service:Option");
        EXPECT_EQ(item.dir, "D:\\");
        EXPECT_EQ(item.envFile, "");
        EXPECT_EQ(item.showCmd, c.showCmd);
    }
}

TEST(CommandEditDialog, BadNameKeepsTheDialogOpenAndCancelChangesNothing)
{
    CommandItem item = Sample();
    ErrorBoxes boxes;
    const INT_PTR result = RunDriven(&item, [&](HWND d) {
        SetDlgItemTextA(d, IDC_CAPTION, "a/b");
        SetDlgItemTextA(d, IDC_CMDLINE, "other.exe");
        CheckDlgButton(d, IDC_WIN, BST_CHECKED);
        SendDlgItemMessageA(d, IDC_SHOWCMD, CB_SETCURSEL, 2, 0);
        SendDlgItemMessageA(d, IDC_RUNNING, CB_SETCURSEL, 3, 0);
        CheckDlgButton(d, IDC_RUNAS, BST_CHECKED);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        boxes.WaitFor(1);
        WaitFor([] { return false; }, 100);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find(Sjis("コマンド名が正しくありません")), std::string::npos);
    const CommandItem sample = Sample();
    EXPECT_EQ(item.name, sample.name);
    EXPECT_EQ(item.cmdline, sample.cmdline);
    EXPECT_EQ(item.modifiers, sample.modifiers);
    EXPECT_EQ(item.showCmd, sample.showCmd);
    EXPECT_TRUE(item.moreKeys.empty());
}

TEST(CommandEditDialog, NoItemEndsAtOnce)
{
    EXPECT_EQ(RunCommandEditDialog(nullptr, nullptr), -1);
}

TEST_F(SheetTest, NewAndEditThroughThePage)
{
    WriteTable({"A", "A/X", "B"});
    OpenSheet();
    TreeView_SelectItem(TreeView(), FindItem("X"));
    std::thread driver([] {
        HWND d = FindEditDialog();
        SetDlgItemTextA(d, IDC_CAPTION, "New");
        PostMessageA(d, WM_COMMAND, IDOK, 0);
    });
    SendMessageA(tablePage_, WM_COMMAND, IDC_NEW, 0);
    driver.join();
    EXPECT_EQ(Shown(), "A(X New) B");
    EXPECT_EQ(TablePage().Selected(), TablePage().NodeOf(FindItem("X")));   // the new node is not selected

    std::thread editor([] {
        HWND d = FindEditDialog();
        SetDlgItemTextA(d, IDC_CAPTION, "X2");
        PostMessageA(d, WM_COMMAND, IDOK, 0);
    });
    SendMessageA(tablePage_, WM_COMMAND, IDC_EDIT, 0);
    editor.join();
    EXPECT_EQ(Shown(), "A(X2 New) B");
    ASSERT_TRUE(Press(PSBTN_OK));
    EXPECT_EQ(Saved("CmdTable", "cmd[1].caption"), "A/X2");
    EXPECT_EQ(Saved("CmdTable", "cmd[2].caption"), "A/New");
}

namespace {

// Settings files as the programs write them: a save that changes nothing
// gives them back byte for byte.
const char kPlainFile[] =
    "[Before]\r\nkept=1\r\n"
    "[CmdTable]\r\n"
    "cmd[0].caption=ツール\r\ncmd[0].cmdline=\r\ncmd[0].cmdline.dir=\r\ncmd[0].cmdline.showcmd=SW_SHOWNORMAL\r\n"
    "cmd[0].cmdline.env=\r\ncmd[0].hotkey=Ctrl+Alt+T\r\n"
    "cmd[1].caption=ツール/メモ帳\r\ncmd[1].cmdline=notepad.exe\r\ncmd[1].cmdline.dir=C:\\work\r\n"
    "cmd[1].cmdline.showcmd=SW_MAXIMIZE\r\ncmd[1].cmdline.env=env.txt\r\ncmd[1].hotkey=Shift+F1\r\n"
    "[Desktop]\r\nShowIcon=true\r\n";
const char kFileWithOptions[] =
    "[CmdTable]\r\n"
    "cmd[0].caption=ツール\r\ncmd[0].cmdline=\r\ncmd[0].cmdline.dir=\r\ncmd[0].cmdline.showcmd=SW_SHOWNORMAL\r\n"
    "cmd[0].cmdline.env=\r\ncmd[0].hotkey=\r\ncmd[0].future=x\r\ncmd[0].running=start\r\n"
    "cmd[1].caption=ツール/メモ帳\r\ncmd[1].cmdline=notepad.exe\r\ncmd[1].cmdline.dir=\r\n"
    "cmd[1].cmdline.showcmd=SW_SHOWNORMAL\r\ncmd[1].cmdline.env=env.txt\r\ncmd[1].hotkey=\r\n"
    "cmd[1].Running=Activate\r\ncmd[1].window=*メモ帳\r\ncmd[1].runas=admin\r\ncmd[1].cmdline.envmode=merge\r\n"
    "cmd[1].Future.Key=y\r\n"
    "version=3\r\n"
    "[Other]\r\ncmd[0].running=cycle\r\n";

} // namespace

TEST_F(SheetTest, ASaveKeepsEveryKeyItDoesNotChangeAndAPlainTableByteForByte)
{
    struct Case {
        const char* label;
        const char* file;
        int running;              // chosen in the edit dialog of メモ帳; -1: not opened
        const char* oldLine;      // the line that choice changes
        const char* newLine;
    };
    const Case cases[] = {
        {"plain table", kPlainFile, -1, "", ""},
        {"options and unknown keys", kFileWithOptions, -1, "", ""},
        {"options and unknown keys, one option edited", kFileWithOptions, 2, "cmd[1].Running=Activate",
         "cmd[1].Running=toggle"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        WriteLocal(c.file);
        const std::string before = LocalText();
        OpenSheet();
        if (c.running >= 0) {
            TreeView_Expand(TreeView(), FindItem("ツール"), TVE_EXPAND);
            TreeView_SelectItem(TreeView(), FindItem("メモ帳"));
            std::thread editor([&] {
                HWND d = FindEditDialog();
                SendDlgItemMessageA(d, IDC_RUNNING, CB_SETCURSEL, c.running, 0);
                PostMessageA(d, WM_COMMAND, IDOK, 0);
            });
            SendMessageA(tablePage_, WM_COMMAND, IDC_EDIT, 0);
            editor.join();
        }
        ASSERT_TRUE(Press(PSBTN_OK));
        std::string expected = before;
        if (c.running >= 0)
            expected.replace(expected.find(c.oldLine), std::strlen(c.oldLine), c.newLine);
        EXPECT_EQ(LocalText(), expected);
    }
}

namespace {

// The system's text for an error code, as a line shows it.
std::string SystemText(DWORD code)
{
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' '))
        text[--length] = '\0';
    return text;
}

// Presses Run now and waits for the line under the buttons. A box would
// hold the line back until someone closed it: a line proves there was none.
std::string PressRunNow(HWND d)
{
    SetDlgItemTextA(d, IDC_RUN_RESULT, "");
    PostMessageA(d, WM_COMMAND, IDC_RUN_NOW, 0);
    std::string line;
    WaitFor([&] { return !(line = Text(d, IDC_RUN_RESULT)).empty(); }, 10000);
    return line;
}

// Sets the modifier boxes and the key text as the user would, with the
// notifications the controls send.
void ChooseHotkey(HWND d, UINT modifiers, const std::string& key)
{
    const std::pair<int, UINT> boxes[] = {{IDC_ALT, kModAlt}, {IDC_CONTROL, kModCtrl}, {IDC_SHIFT, kModShift},
                                          {IDC_WIN, kModWin}};
    for (const auto& box : boxes) {
        CheckDlgButton(d, box.first, (modifiers & box.second) ? BST_CHECKED : BST_UNCHECKED);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(box.first, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, box.first)));
    }
    SetDlgItemTextA(d, IDC_KEY, key.c_str());
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_KEY, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_KEY)));
}

std::string KeyName(UINT key)
{
    std::string name;
    KeyToName(key, name);
    return name;
}

// A stand-in for the daemon's command window, on this thread: records the
// service lines sent to it and answers with standInReply.
LRESULT standInReply = 0;
std::vector<std::string> standInLines;

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COPYDATA)
        return DefWindowProcA(window, message, wParam, lParam);
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data->dwData == kServiceRequestTag && data->cbData > 0)
        standInLines.emplace_back(static_cast<const char*>(data->lpData), data->cbData - 1);
    return standInReply;
}

} // namespace

TEST(CommandEditDialog, RunNowRunsTheShownValuesAndSaysWhyItFailed)
{
    if (FindWindowA(kDaemonWindowClass, nullptr))
        GTEST_SKIP() << "a daemon runs in this session";
    exec_test::Recorder recorder;
    const std::string envFile = recorder.File("run.env");
    ASSERT_TRUE(WriteFileText(envFile, "KRV_RUN_NOW=shown\r\n"));
    const std::string missing = recorder.File("missing.exe");
    const std::string started = "\"" + recorder.Exe() + "\" first";
    const std::string service = "service:Hotkey.Stop";
    struct Case {
        const char* label;
        std::string cmdline, dir, envFile;
        std::string line;
        int daemon = -1;   // the stand-in daemon's answer; -1: none runs
    };
    // The recorder's start last: its log must not be there before.
    const Case cases[] = {
        {"missing program", missing, "", "",
         Sjis("「") + missing + Sjis("」を実行できませんでした: ") + SystemText(ERROR_FILE_NOT_FOUND)},
        {"missing environment file", started, "", missing + ".env",
         Sjis("環境変数ファイル「") + missing + ".env" + Sjis("」を読み込めませんでした: ") +
             SystemText(ERROR_FILE_NOT_FOUND)},
        {"nothing to run", "", "", "", Sjis("実行先が指定されていません。")},
        {"service, no daemon", service, "", "", Sjis("常駐プログラムが起動していない為、サービスを実行できません。")},
        {"service run by the daemon", service, "", "", Sjis("サービスを常駐プログラムで実行しました。"), 1},
        {"service refused by the daemon", service, "", "",
         Sjis("常駐プログラムは「service:Hotkey.Stop」を実行できませんでした。"), 0},
        {"unsaved values", started, recorder.Folder(), envFile, Sjis("実行しました。")},
    };
    WNDCLASSA wc = {};
    wc.lpfnWndProc = StandInProc;
    wc.lpszClassName = kDaemonWindowClass;
    RegisterClassA(&wc);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        standInReply = c.daemon;
        standInLines.clear();
        HWND daemon = c.daemon >= 0 ? CreateWindowExA(0, kDaemonWindowClass, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr,
                                                      nullptr, nullptr, nullptr)
                                    : nullptr;
        CommandItem item = Sample();
        std::string line;
        RunDriven(&item, [&](HWND d) {
            SetDlgItemTextA(d, IDC_CMDLINE, c.cmdline.c_str());
            SetDlgItemTextA(d, IDC_DIR, c.dir.c_str());
            SetDlgItemTextA(d, IDC_ENVFILE, c.envFile.c_str());
            SendDlgItemMessageA(d, IDC_SHOWCMD, CB_SETCURSEL, 1, 0);
            line = PressRunNow(d);
            PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        });
        if (daemon)
            DestroyWindow(daemon);
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(item.cmdline, "notepad.exe");   // run, not stored
        EXPECT_EQ(standInLines, daemon ? std::vector<std::string>{service} : std::vector<std::string>{});
        EXPECT_TRUE(&c == &cases[std::size(cases) - 1] || !recorder.HasRecord());
    }
    UnregisterClassA(kDaemonWindowClass, nullptr);
    exec_test::Record record;
    ASSERT_TRUE(recorder.WaitForRecord(record));
    EXPECT_EQ(record.commandLine, started);
    std::string folder = recorder.Folder();
    folder.pop_back();   // the current folder has no trailing backslash
    EXPECT_STRCASEEQ(record.folder.c_str(), folder.c_str());
    EXPECT_EQ(record.show, SW_SHOWMAXIMIZED);
    EXPECT_EQ(record.environment.at(0), "KRV_RUN_NOW=shown");
}

TEST(CommandEditDialog, HotkeyLineSaysWhoHoldsTheCombination)
{
    // One combination another program holds (this test), one nobody holds.
    UINT takenModifiers = 0, takenKey = 0, freeModifiers = 0, freeKey = 0;
    ASSERT_TRUE(FindFreeHotkey(takenModifiers, takenKey));
    constexpr int kHeldId = 0xB100;
    ASSERT_TRUE(RegisterHotKey(nullptr, kHeldId, takenModifiers, takenKey));
    ASSERT_TRUE(FindFreeHotkey(freeModifiers, freeKey));
    const std::string reserved = Sjis("このホットキーはシステムで予約されています。");
    const std::string freeText = Sjis("このホットキーは使用できます。");
    struct Case {
        const char* label;
        UINT modifiers;
        std::string key;
        std::string line;
    };
    const Case cases[] = {
        {"no key", kModCtrl, "", ""},
        {"F12 alone", 0, "F12", reserved},
        {"another command", kModCtrl | kModAlt, "K", Sjis("このホットキーはコマンド「ツール/メモ帳」で使われています。")},
        {"another program", takenModifiers, KeyName(takenKey), Sjis("このホットキーは他のプログラムが使用しています。")},
        {"free", freeModifiers, KeyName(freeKey), freeText},
    };
    CommandItem item = Sample();
    item.modifiers = 0;
    item.virtualKey = 0x7B;
    std::string opened, chosen;
    std::vector<std::string> lines;
    RunDriven(&item, [&](HWND d) {
        opened = Text(d, IDC_HOTKEY_STATE);
        for (const Case& c : cases) {
            ChooseHotkey(d, c.modifiers, c.key);
            lines.push_back(Text(d, IDC_HOTKEY_STATE));
        }
        // A key chosen from the list is told as well.
        ChooseHotkey(d, 0, "A");
        SendDlgItemMessageA(d, IDC_KEY, CB_SETCURSEL,
                            SendDlgItemMessageA(d, IDC_KEY, CB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>("F12")), 0);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_KEY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_KEY)));
        WaitFor([&] { return (chosen = Text(d, IDC_HOTKEY_STATE)) == reserved; }, 2000);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
    }, {{kModShift, 'Q', "ツール/別"}, {kModCtrl | kModAlt, 'K', Sjis("ツール/メモ帳")}});
    UnregisterHotKey(nullptr, kHeldId);
    EXPECT_EQ(opened, reserved);   // the item's own hotkey, at once
    ASSERT_EQ(lines.size(), std::size(cases));
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], cases[i].line) << cases[i].label;
    EXPECT_EQ(chosen, reserved);
}

TEST(CommandEditDialog, OkWithAnotherCommandsHotkeyAsksFirst)
{
    struct Case {
        const char* label;
        std::string key;
        int answer;          // 0: no question expected
        INT_PTR result;
        std::uint8_t stored;
    };
    const Case cases[] = {
        {"declined: stays open", "K", IDNO, 0, 8},
        {"accepted", "K", IDYES, 1, 'K'},
        {"a key nobody uses", "J", 0, 1, 'J'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        CommandItem item = Sample();
        std::string question;
        const INT_PTR result = RunDriven(&item, [&](HWND d) {
            ChooseHotkey(d, kModCtrl | kModAlt, c.key);
            PostMessageA(d, WM_COMMAND, IDOK, 0);
            if (!c.answer)
                return;
            HWND box = nullptr;
            WaitFor([&] { return (box = FindWindowA("#32770", Sjis("ホットキーの確認 - Korvane").c_str())) != nullptr; });
            if (!box)
                return;
            question = ReadMessageBox(box).text;
            AnswerMessageBox(box, c.answer);
            if (c.answer == IDNO) {
                WaitFor([&] { return !IsWindow(box); });
                PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
            }
        }, {{kModCtrl | kModAlt, 'K', "A/B"}});
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(item.virtualKey, c.stored);
        EXPECT_EQ(question, c.answer ? Sjis("このホットキーはコマンド「A/B」でも使われています。このまま設定しますか？") : "");
    }
}

TEST_F(SheetTest, ThePageTellsTheDialogTheOtherHotkeysAndRunsCommandsFromTheMenu)
{
    const std::string missing = dir_.File("missing.exe");
    WriteLocal("[CmdTable]\r\n"
               "cmd[0].caption=ツール\r\ncmd[0].cmdline=\r\ncmd[0].hotkey=Ctrl+Alt+T\r\n"
               "cmd[1].caption=ツール/メモ帳\r\ncmd[1].cmdline=" + missing + "\r\ncmd[1].hotkey=Shift+F1\r\n");
    OpenSheet();
    // The group's own hotkey (Ctrl+Alt+T) is not another command's.
    TreeView_SelectItem(TreeView(), FindItem("ツール"));
    std::string opened, chosen;
    std::thread editor([&] {
        HWND d = FindEditDialog();
        opened = Text(d, IDC_HOTKEY_STATE);
        ChooseHotkey(d, kModShift, "F1");
        chosen = Text(d, IDC_HOTKEY_STATE);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
    });
    SendMessageA(tablePage_, WM_COMMAND, IDC_EDIT, 0);
    editor.join();
    EXPECT_EQ(opened.find(Sjis("コマンド")), std::string::npos) << Utf8(opened);
    EXPECT_EQ(chosen, Sjis("このホットキーはコマンド「ツール/メモ帳」で使われています。"));

    // No dialog holds a line here: the failure shows in a box.
    TreeView_Expand(TreeView(), FindItem("ツール"), TVE_EXPAND);
    TreeView_SelectItem(TreeView(), FindItem("メモ帳"));
    ErrorBoxes boxes;
    SendMessageA(tablePage_, WM_COMMAND, IDC_RUN_NOW, 0);
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.Texts()[0], Sjis("「") + missing + Sjis("」を実行できませんでした: ") +
                                    SystemText(ERROR_FILE_NOT_FOUND));
}
