#include "command_edit_dialog.h"
#include "hotkey_text.h"
#include "command_tree.h"
#include "resource.h"
#include "sheet_fixture.h"

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
INT_PTR RunDriven(CommandItem* item, const std::function<void(HWND)>& drive)
{
    std::thread driver([&] {
        HWND dialog = FindEditDialog();
        if (dialog)
            drive(dialog);
    });
    const INT_PTR result = RunCommandEditDialog(nullptr, item);
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

} // namespace

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
