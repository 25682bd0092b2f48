#include "sheet_fixture.h"

#include "platform/message_box.h"
#include "resource.h"
#include "settings/settings_backup.h"

#include <atomic>
#include <functional>
#include <iterator>
#include <thread>

using namespace testing_support;

namespace {
const char kGroupLabel[] = ":[無効なコマンドの一覧]";
const char kNotSavable[] = "コマンドテーブルに無効又は旧式なコマンドが含まれている為変更を保存できません。"
                           "旧式コマンドは新しい形式に編集してください。";
}

TEST_F(SheetTest, CaptionPagesAndTreeAsLoaded)
{
    WriteTable({"A/B", "A", "ツール", "ツール/メモ帳", "ツール/メモ帳/設定"});
    OpenSheet();
    char caption[600] = {};
    GetWindowTextA(sheet_, caption, sizeof caption);
    EXPECT_EQ(std::string(caption), Sjis("オプションと情報:") + localPath_);

    HWND tabs = PropSheet_GetTabControl(sheet_);
    ASSERT_EQ(TabCtrl_GetItemCount(tabs), 3);
    const char* titles[] = {"コマンドテーブル", "シェル拡張", "プログラム情報"};
    for (int i = 0; i < 3; ++i) {
        char text[128] = {};
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(std::string(text), Sjis(titles[i])) << i;
    }
    EXPECT_EQ(Shown(), std::string(kGroupLabel) + "(A/B) A ツール(メモ帳(設定))");
    EXPECT_EQ(TablePage().Tree().Count(), 6u);
    // No Apply button.
    HWND apply = GetDlgItem(sheet_, 0x3021);
    EXPECT_TRUE(apply == nullptr || !IsWindowVisible(apply));
}

TEST_F(SheetTest, MissingSectionGivesEmptyTreeAndSaveWritesEmptySection)
{
    WriteLocal("[Other]\r\nx=1\r\n");
    OpenSheet();
    EXPECT_EQ(Shown(), "");
    ASSERT_TRUE(Press(PSBTN_OK));
    EXPECT_EQ(Saved("CmdTable", "cmd[0].caption"), "<none>");
    EXPECT_EQ(Saved("Other", "x"), "1");
}

TEST_F(SheetTest, SaveThenCancelLeavesTheSavedTable)
{
    WriteTable({"A", "B", "B/C"});
    OpenSheet();
    TreeView_SelectItem(TreeView(), FindItem("B"));
    SendMessageA(tablePage_, WM_COMMAND, IDC_UP, 0);
    EXPECT_EQ(Shown(), "B(C) A");
    EXPECT_EQ(TablePage().Tree().Label(*TablePage().Selected()), "B");   // the moved node stays selected
    SendMessageA(tablePage_, WM_COMMAND, IDC_SAVE, 0);
    TreeView_SelectItem(TreeView(), FindItem("A"));
    SendMessageA(tablePage_, WM_COMMAND, IDC_DELETE, 0);   // not saved
    EXPECT_EQ(Shown(), "B(C)");
    ASSERT_TRUE(Press(PSBTN_CANCEL));
    EXPECT_EQ(Saved("CmdTable", "cmd[0].caption"), "B");
    EXPECT_EQ(Saved("CmdTable", "cmd[1].caption"), "B/C");
    EXPECT_EQ(Saved("CmdTable", "cmd[1].cmdline"), "run2");
    EXPECT_EQ(Saved("CmdTable", "cmd[2].caption"), "A");
}

TEST_F(SheetTest, OkWithTheGroupOrASlashNameShows110AndStaysOpen)
{
    WriteTable({"A/B", "A"});
    OpenSheet();
    const std::string before = LocalText();
    {
        ErrorBoxes boxes;
        EXPECT_FALSE(Press(PSBTN_OK));
        ASSERT_TRUE(boxes.WaitFor(1));
        EXPECT_EQ(boxes.Texts()[0], Sjis(kNotSavable));
        EXPECT_EQ(boxes.Texts().size(), 1u);
    }
    EXPECT_EQ(Page(), tablePage_);
    EXPECT_EQ(LocalText(), before);

}

TEST_F(SheetTest, RenameRefusesTheFiveCharactersAcceptsQuotesAndTrimsBlanks)
{
    WriteTable({"A", "B"});
    OpenSheet();
    struct Case {
        const char* text;
        bool accepted;
        const char* name;   // as kept: without blanks at the ends
    };
    const Case cases[] = {
        {"a:b", false, ""}, {"a?b", false, ""}, {"a!b", false, ""}, {"a\\b", false, ""}, {"a/b", false, ""},
        {"", false, ""}, {" ", false, ""}, {"say \"hi\" 'x'", true, "say \"hi\" 'x'"}, {"表示", true, "表示"},
        {" B2\t", true, "B2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        HTREEITEM item = FindItem("B");
        if (!item)
            item = TreeView_GetNextSibling(TreeView(), TreeView_GetRoot(TreeView()));
        const std::string old = TablePage().Tree().Label(*TablePage().NodeOf(item));
        HWND edit = TreeView_EditLabel(TreeView(), item);
        ASSERT_NE(edit, nullptr);
        SetWindowTextA(edit, Sjis(c.text).c_str());
        ErrorBoxes boxes;
        TreeView_EndEditLabelNow(TreeView(), FALSE);
        const std::string now = TablePage().Tree().Label(*TablePage().NodeOf(item));
        if (c.accepted) {
            EXPECT_EQ(now, Sjis(c.name));
            EXPECT_EQ(Shown(), std::string("A ") + c.name);
            EXPECT_FALSE(boxes.WaitFor(1, 300));
        } else {
            EXPECT_EQ(now, old);
            ASSERT_TRUE(boxes.WaitFor(1));
            EXPECT_NE(boxes.Texts()[0].find(Sjis("コマンド名が正しくありません")), std::string::npos);
            EXPECT_EQ(boxes.Texts().size(), 1u);
        }
    }
    // The group's label cannot be edited.
    WriteTable({"X/Y"});
    TablePage().LoadTree();
    EXPECT_EQ(TreeView_EditLabel(TreeView(), TreeView_GetRoot(TreeView())), nullptr);
}

TEST_F(SheetTest, UpDownDeleteAndKeyboardDelete)
{
    WriteTable({"A", "A/X", "A/Y", "B/Q", "B"});
    OpenSheet();
    ASSERT_EQ(Shown(), std::string(kGroupLabel) + "(B/Q) A(X Y) B");
    TreeView_SelectItem(TreeView(), FindItem("X"));
    SendMessageA(tablePage_, WM_COMMAND, IDC_UP, 0);   // first child: nothing
    SendMessageA(tablePage_, WM_COMMAND, IDC_DOWN, 0);
    EXPECT_EQ(Shown(), std::string(kGroupLabel) + "(B/Q) A(Y X) B");
    TreeView_SelectItem(TreeView(), TreeView_GetRoot(TreeView()));
    SendMessageA(tablePage_, WM_COMMAND, IDC_DOWN, 0);   // the group never moves
    SendMessageA(tablePage_, WM_COMMAND, IDC_DELETE, 0);
    EXPECT_EQ(Shown(), std::string(kGroupLabel) + "(B/Q) A(Y X) B");

    // Delete with children, no question; deleting the last member removes the group.
    TreeView_SelectItem(TreeView(), FindItem("A"));
    NMTVKEYDOWN key = {};
    key.hdr.hwndFrom = TreeView();
    key.hdr.idFrom = 1000;
    key.hdr.code = TVN_KEYDOWN;
    key.wVKey = VK_DELETE;
    SendMessageA(tablePage_, WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&key));
    EXPECT_EQ(Shown(), std::string(kGroupLabel) + "(B/Q) B");
    TreeView_SelectItem(TreeView(), FindItem("B/Q"));
    SendMessageA(tablePage_, WM_COMMAND, IDC_DELETE, 0);
    EXPECT_EQ(Shown(), "B");
}

TEST_F(SheetTest, FailedWriteShowsAnErrorAndKeepsTheSheetOpen)
{
    // A folder that does not exist: the write fails with error 3.
    const std::string missing = dir_.File("gone\\local.ini");
    OpenSheetOn(missing);
    ErrorBoxes boxes;
    EXPECT_FALSE(Press(PSBTN_OK));
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.Texts()[0],
              Sjis("コマンドテーブルを保存できませんでした。設定ファイル ") + missing + Sjis(" に書き込めません。"));
    EXPECT_EQ(Page(), tablePage_);
}

TEST_F(SheetTest, FileHeldOpenByAnotherProgramKeepsTheSheetOpenUntilItCanBeWritten)
{
    WriteTable({"A", "B"});
    OpenSheet();
    const std::string before = LocalText();
    HANDLE held = CreateFileA(localPath_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    {
        ErrorBoxes boxes;
        EXPECT_FALSE(Press(PSBTN_OK));
        ASSERT_TRUE(boxes.WaitFor(1));
        EXPECT_EQ(boxes.Texts()[0], Sjis("コマンドテーブルを保存できませんでした。設定ファイル ") + localPath_ +
                                        Sjis(" に書き込めません。"));
    }
    EXPECT_EQ(Page(), tablePage_);
    CloseHandle(held);
    EXPECT_EQ(LocalText(), before);
    // Once the other program lets go, OK saves and closes.
    EXPECT_TRUE(Press(PSBTN_OK));
    EXPECT_EQ(Saved("CmdTable", "cmd[1].caption"), "B");
}

TEST_F(SheetTest, DoubleClickOnTheGroupNeitherOpensNorExpands)
{
    WriteTable({"A/B"});
    OpenSheet();
    HTREEITEM group = TreeView_GetRoot(TreeView());
    RECT r;
    ASSERT_TRUE(TreeView_GetItemRect(TreeView(), group, &r, TRUE));
    POINT pt = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(TreeView(), &pt);
    SetCursorPos(pt.x, pt.y);
    NMHDR header = {TreeView(), 1000, static_cast<UINT>(NM_DBLCLK)};
    EXPECT_EQ(SendMessageA(tablePage_, WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&header)), TRUE);
    EXPECT_EQ(GetWindowLongPtrA(tablePage_, DWLP_MSGRESULT), 1);
    EXPECT_EQ(FindErrorBox(), nullptr);
}

namespace {

void Mouse(DWORD flags, POINT screen)
{
    SetCursorPos(screen.x, screen.y);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = screen.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = screen.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof input);
    Sleep(60);
}

// The tree runs a loop of its own while it decides whether the button
// press starts a drag, so the input comes from another thread while this
// one pumps.
void Drag(POINT from, POINT to)
{
    std::atomic<bool> done{false};
    std::thread mouse([&] {
        Mouse(MOUSEEVENTF_LEFTDOWN, from);
        for (int step = 1; step <= 8; ++step)
            Mouse(0, POINT{from.x + (to.x - from.x) * step / 8, from.y + (to.y - from.y) * step / 8});
        Mouse(MOUSEEVENTF_LEFTUP, to);
        done = true;
    });
    WaitFor([&] { return done.load(); }, 10000);
    mouse.join();
    WaitFor([] { return false; }, 200);
}

POINT Centre(HWND tree, HTREEITEM item)
{
    RECT r = {};
    TreeView_GetItemRect(tree, item, &r, TRUE);
    POINT pt = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(tree, &pt);
    return pt;
}

} // namespace

TEST_F(SheetTest, DragAndDropWithRealMouseInput)
{
    WriteTable({"A/B", "C", "D"});
    OpenSheet();
    SetForegroundWindow(sheet_);
    ASSERT_EQ(Shown(), std::string(kGroupLabel) + "(A/B) C D");
    TreeView_Expand(TreeView(), TreeView_GetRoot(TreeView()), TVE_EXPAND);
    const POINT from = Centre(TreeView(), FindItem("A/B"));
    const POINT to = Centre(TreeView(), FindItem("D"));
    Drag(from, to);
    // The last member left the group, so the group is gone.
    EXPECT_EQ(Shown(), "C D(A/B)");

    // Its name still holds "/": saved, it would come back as A/B under A.
    const std::string before = LocalText();
    {
        ErrorBoxes boxes;
        SendMessageA(tablePage_, WM_COMMAND, IDC_SAVE, 0);
        ASSERT_TRUE(boxes.WaitFor(1));
        EXPECT_EQ(boxes.Texts()[0], Sjis(kNotSavable));
    }
    EXPECT_EQ(LocalText(), before);
    EXPECT_EQ(TablePage().Selected(), TablePage().NodeOf(FindItem("A/B")));
    HWND edit = TreeView_EditLabel(TreeView(), FindItem("A/B"));
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, "B");
    TreeView_EndEditLabelNow(TreeView(), FALSE);
    SendMessageA(tablePage_, WM_COMMAND, IDC_SAVE, 0);
    EXPECT_EQ(Saved("CmdTable", "cmd[2].caption"), "D/B");
    TreeView_SelectItem(TreeView(), nullptr);

    // Onto the empty space below the items, with no item selected: the last
    // top-level command.
    RECT client = {};
    GetClientRect(TreeView(), &client);
    POINT empty = {client.right / 2, client.bottom - 10};
    ClientToScreen(TreeView(), &empty);
    Drag(Centre(TreeView(), FindItem("C")), empty);
    EXPECT_EQ(Shown(), "D(B) C");
}

namespace {

void BeginDrag(HWND page, HWND tree, HTREEITEM item)
{
    NMTREEVIEWA drag = {};
    drag.hdr = {tree, 1000, static_cast<UINT>(TVN_BEGINDRAGA)};
    drag.itemNew.hItem = item;
    SendMessageA(page, WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&drag));
}

} // namespace

TEST_F(SheetTest, ARebuildDuringADragDropsOnTheNodeUnderTheCursor)
{
    // Rows A B C D E (C closed); the cursor stays on the fourth row.
    struct Case {
        const char* selected;
        int command;       // the button pressed while the drag goes on
        const char* shape;
    } const cases[] = {
        {"C", IDC_DELETE, "B D E(A)"},
        {"E", IDC_UP, "B C(c1 c2) E(A) D"},
        {"B", IDC_DOWN, "C(c1 c2) B D(A) E"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shape);
        WriteTable({"A", "B", "C", "C/c1", "C/c2", "D", "E"});
        if (!sheet_)
            OpenSheet();
        TablePage().LoadTree();
        BeginDrag(tablePage_, TreeView(), FindItem("A"));
        const POINT over = Centre(TreeView(), FindItem("D"));
        SetCursorPos(over.x, over.y);
        SendMessageA(tablePage_, WM_MOUSEMOVE, 0, 0);
        TreeView_SelectItem(TreeView(), FindItem(c.selected));
        SendMessageA(tablePage_, WM_COMMAND, c.command, 0);
        ReleaseCapture();   // the drop
        EXPECT_EQ(Shown(), c.shape);
    }
}

TEST_F(SheetTest, NamesTakenBySiblingsAreRefusedWithABox)
{
    const std::string taken = Sjis("同じ階層に「A」という名前のコマンドが既にあります。"
                                   "同じ階層のコマンドには別々の名前を付けてください。");
    WriteTable({"A", "A/x", "B", "B/y", "C", "C/A"});
    OpenSheet();
    const std::string shape = "A(x) B(y) C(A)";
    ASSERT_EQ(Shown(), shape);
    // Each way of naming or moving a node that would put a second A beside A.
    const std::function<void()> attempts[] = {
        [&] {
            HWND edit = TreeView_EditLabel(TreeView(), FindItem("B"));
            SetWindowTextA(edit, " A ");
            TreeView_EndEditLabelNow(TreeView(), FALSE);
        },
        [&] {
            TreeView_SelectItem(TreeView(), FindItem("B"));
            SendMessageA(tablePage_, WM_COMMAND, IDC_EDIT, 0);
        },
        [&] {
            TreeView_SelectItem(TreeView(), FindItem("C"));
            SendMessageA(tablePage_, WM_COMMAND, IDC_NEW, 0);
        },
        [&] {
            BeginDrag(tablePage_, TreeView(), TreeView_GetChild(TreeView(), FindItem("C")));
            const POINT below = Centre(TreeView(), FindItem("C"));
            SetCursorPos(below.x, below.y + 60);   // empty space: the top level
            SendMessageA(tablePage_, WM_MOUSEMOVE, 0, 0);
            ReleaseCapture();
        },
    };
    for (size_t i = 0; i < std::size(attempts); ++i) {
        SCOPED_TRACE(i);
        ErrorBoxes boxes;
        // The edit dialog, when one opens, is given the name A and then cancelled.
        std::atomic<bool> stop{false};
        std::thread dialog([&] {
            HWND d = nullptr;
            WaitFor([&] {
                d = FindWindowA("#32770", Sjis("コマンドの編集").c_str());
                return stop || (d && IsWindowVisible(d));
            });
            if (!d || stop)
                return;
            SetDlgItemTextA(d, IDC_CAPTION, "A");
            PostMessageA(d, WM_COMMAND, IDOK, 0);
            boxes.WaitFor(1);
            WaitFor([] { return false; }, 100);
            PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        });
        attempts[i]();
        const bool refused = boxes.WaitFor(1);
        stop = true;
        dialog.join();
        ASSERT_TRUE(refused);
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{taken});
        EXPECT_EQ(Shown(), shape);
    }

}

namespace {

WNDPROC g_pageProc = nullptr;
int g_menuDowns = 0;

// Chooses an item of the context menu once it is shown.
LRESULT CALLBACK ChoosingPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU && g_menuDowns > 0) {
        HWND menu = reinterpret_cast<HWND>(lParam);
        for (; g_menuDowns > 0; --g_menuDowns)
            PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    }
    return CallWindowProcA(g_pageProc, window, message, wParam, lParam);
}

} // namespace

TEST_F(SheetTest, ContextMenuDeleteDeletesTheNodeRightClicked)
{
    struct Case {
        const char* clicked;   // null: the menu key, which acts on the selection
        const char* shape;
    } const cases[] = {{"C", "A B"}, {"A", "B C"}, {nullptr, "B C"}};
    WriteTable({"A", "B", "C"});
    OpenSheet();
    g_pageProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(tablePage_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ChoosingPageProc)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clicked ? c.clicked : "menu key");
        TablePage().LoadTree();
        TreeView_SelectItem(TreeView(), FindItem("A"));
        LPARAM position = -1;
        if (c.clicked) {
            const POINT pt = Centre(TreeView(), FindItem(c.clicked));
            position = MAKELPARAM(pt.x, pt.y);
        }
        g_menuDowns = 2;   // the second item: Delete
        SendMessageA(tablePage_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(TreeView()), position);
        WaitFor([&] { return Shown() != "A B C"; }, 2000);
        EXPECT_EQ(Shown(), c.shape);
    }
    SetWindowLongPtrA(tablePage_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_pageProc));
}

// Duplicate copies a group with its children, without hotkeys; the filter
// shows matches by name, command line or hotkey with their parents, Esc in
// its box shows everything again, and OK saves the whole table whatever is shown.
TEST_F(SheetTest, DuplicateAndFilterKeepTheWholeTableForTheSave)
{
    WriteLocal("[CmdTable]\r\n"
               "cmd[0].caption=Tools\r\ncmd[0].hotkey=Ctrl+Alt+T\r\n"
               "cmd[1].caption=Tools/Editor\r\ncmd[1].cmdline=notepad.exe\r\ncmd[1].hotkey=Ctrl+Alt+E\r\n"
               "cmd[2].caption=Tools/Paint\r\ncmd[2].cmdline=mspaint.exe\r\n"
               "cmd[3].caption=Mail\r\ncmd[3].cmdline=thunder.exe -compose\r\n");
    OpenSheet();
    g_pageProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(tablePage_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ChoosingPageProc)));
    TreeView_SelectItem(TreeView(), FindItem("Tools"));
    g_menuDowns = 3;   // the third item: Duplicate
    SendMessageA(tablePage_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(TreeView()), -1);
    WaitFor([&] { return Shown() != "Tools(Editor Paint) Mail"; }, 2000);
    SetWindowLongPtrA(tablePage_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_pageProc));
    ASSERT_EQ(Shown(), "Tools(Editor Paint) Tools - コピー(Editor Paint) Mail");
    EXPECT_EQ(TablePage().Selected(), TablePage().NodeOf(FindItem("Tools - コピー")));
    SendMessageA(tablePage_, WM_COMMAND, IDC_DUPLICATE, 0);
    ASSERT_EQ(Shown(), "Tools(Editor Paint) Tools - コピー(Editor Paint) Tools - コピー - コピー(Editor Paint) Mail");
    TreeView_SelectItem(TreeView(), FindItem("Tools - コピー - コピー"));
    SendMessageA(tablePage_, WM_COMMAND, IDC_DELETE, 0);

    const struct {
        const char* text;
        const char* shown;
    } filters[] = {
        {"THUNDER", "Mail"},                                 // a command-line fragment, in either case
        {"ctrl+alt+e", "Tools(Editor)"},                     // a hotkey: the copies have none
        {"edit", "Tools(Editor) Tools - コピー(Editor)"},    // a name, with its parents
        {"コピー", "Tools - コピー"},
        {"", "Tools(Editor Paint) Tools - コピー(Editor Paint) Mail"},
    };
    HWND box = GetDlgItem(tablePage_, IDC_FILTER);
    for (const auto& f : filters) {
        SetWindowTextA(box, Sjis(f.text).c_str());
        EXPECT_EQ(Shown(), f.shown) << f.text;
    }
    SetWindowTextA(box, "edit");
    MSG escape = {box, WM_KEYDOWN, VK_ESCAPE, 0};
    EXPECT_TRUE(SendMessageA(box, WM_GETDLGCODE, VK_ESCAPE, reinterpret_cast<LPARAM>(&escape)) & DLGC_WANTALLKEYS);
    SendMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(GetWindowTextLengthA(box), 0);
    EXPECT_EQ(Shown(), "Tools(Editor Paint) Tools - コピー(Editor Paint) Mail");

    SetWindowTextA(box, "thunder");
    ASSERT_TRUE(Press(PSBTN_OK));
    const std::string saved = Utf8(LocalText());
    EXPECT_NE(saved.find("cmd[0].caption=Tools\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("cmd[1].caption=Tools/Editor\r\ncmd[1].cmdline=notepad.exe\r\n"), std::string::npos);
    EXPECT_NE(saved.find("cmd[1].hotkey=Ctrl+Alt+E\r\n"), std::string::npos);
    EXPECT_NE(saved.find("cmd[3].caption=Tools - コピー\r\n"), std::string::npos);
    EXPECT_NE(saved.find("cmd[3].hotkey=\r\ncmd[4].caption=Tools - コピー/Editor\r\ncmd[4].cmdline=notepad.exe\r\n"),
              std::string::npos);
    EXPECT_NE(saved.find("cmd[4].hotkey=\r\n"), std::string::npos);
    EXPECT_NE(saved.find("cmd[6].caption=Mail\r\n"), std::string::npos);
    EXPECT_EQ(saved.find("cmd[7]"), std::string::npos);
}

TEST_F(SheetTest, TreeShowsEachProgramsIconAndNoneForGroups)
{
    WriteLocal("[CmdTable]\r\n"
               "cmd[0].caption=Lost/One\r\ncmd[0].cmdline=notepad.exe\r\n"
               "cmd[1].caption=Tools\r\n"
               "cmd[2].caption=Tools/Editor\r\ncmd[2].cmdline=notepad.exe\r\n"
               "cmd[3].caption=Tools/Editor file\r\ncmd[3].cmdline=notepad.exe C:\\windows\\win.ini\r\n"
               "cmd[4].caption=Tools/Picked\r\ncmd[4].cmdline=notepad.exe\r\n"
               "cmd[4].icon=C:\\windows\\system32\\shell32.dll,3\r\n"
               "cmd[5].caption=Folder\r\ncmd[5].cmdline=C:\\windows\r\n");
    OpenSheet();
    HWND tree = TreeView();
    HIMAGELIST images = TreeView_GetImageList(tree, TVSIL_NORMAL);
    ASSERT_NE(images, nullptr);
    const auto imageOf = [&](const char* label) {
        TVITEMA item = {};
        item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
        item.hItem = FindItem(label);
        item.iImage = item.iSelectedImage = 12345;   // sentinel
        EXPECT_NE(item.hItem, nullptr) << label;
        EXPECT_TRUE(SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) << label;
        EXPECT_EQ(item.iSelectedImage, item.iImage) << label;
        return item.iImage;
    };
    // The view is drawn first; the icons are read right after.
    for (const char* label : {"Editor", "Editor file", "Picked", "Folder", "Tools", kGroupLabel})
        imageOf(label);
    WaitFor([&] { return imageOf("Editor file") != I_IMAGENONE && imageOf("Picked") != I_IMAGENONE; }, 2000);
    const int editor = imageOf("Editor");
    EXPECT_GE(editor, 0);
    EXPECT_LT(editor, ImageList_GetImageCount(images));
    EXPECT_EQ(imageOf("Editor file"), editor) << "one image per program";
    const int picked = imageOf("Picked");
    EXPECT_GE(picked, 0);
    EXPECT_NE(picked, editor) << "the icon key overrides the program's";
    const int folder = imageOf("Folder");
    EXPECT_GE(folder, 0);
    EXPECT_NE(folder, editor);
    EXPECT_EQ(imageOf("Tools"), I_IMAGENONE);
    EXPECT_EQ(imageOf(kGroupLabel), I_IMAGENONE);
    EXPECT_EQ(ImageList_GetImageCount(images), 3) << "one image per icon source";
}

namespace {

// The rows of the restore dialog's list: "time commands".
std::vector<std::string> RestoreRows(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_BACKUP_LIST);
    std::vector<std::string> rows;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::string row;
        for (int column = 0; column < 2; ++column) {
            char text[64] = {};
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
            row += (column ? " " : "") + std::string(text);
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST_F(SheetTest, RestoreLoadsTheChosenBackupAndOkWritesItBackingUpTheFileThatWasThere)
{
    WriteTable({"A", "B"});
    const std::string current = LocalText();
    ASSERT_TRUE(CreateDirectoryA(dir_.File("backup").c_str(), nullptr));
    ASSERT_TRUE(WriteFileText(dir_.File("backup\\local.20260101-080910-000.ini"),
                              "[CmdTable]\r\ncmd[0].caption=Old\r\ncmd[0].cmdline=old\r\n"));
    ASSERT_TRUE(WriteFileText(dir_.File("backup\\local.20260102-000000-999.ini"),
                              "[CmdTable]\r\ncmd[0].caption=X\r\ncmd[1].caption=X/Y\r\ncmd[1].cmdline=y\r\n"
                              "cmd[2].caption=Z\r\ncmd[2].cmdline=z\r\n"));
    OpenSheet();
    // Cancel, then the older backup: a dialog chooses row `row`, -1 for Cancel.
    for (const int row : {-1, 1}) {
        SCOPED_TRACE(row);
        std::vector<std::string> rows;
        std::thread chooser([&] {
            HWND d = nullptr;
            WaitFor([&] {
                d = FindWindowA("#32770", Sjis("バックアップから復元").c_str());
                return d && IsWindowVisible(d);
            });
            if (!d)
                return;
            rows = RestoreRows(d);
            if (row < 0) {
                PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            LVITEMA state = {};
            state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageA(GetDlgItem(d, IDC_BACKUP_LIST), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
            PostMessageA(d, WM_COMMAND, IDOK, 0);
        });
        SendMessageA(tablePage_, WM_COMMAND, IDC_RESTORE, 0);
        chooser.join();
        EXPECT_EQ(rows, (std::vector<std::string>{"2026/01/02 00:00:00 3", "2026/01/01 08:09:10 1"}));
        EXPECT_EQ(Shown(), row < 0 ? "A B" : "Old");
        EXPECT_EQ(LocalText(), current);
    }
    ASSERT_TRUE(Press(PSBTN_OK));
    EXPECT_EQ(Saved("CmdTable", "cmd[0].caption"), "Old");
    EXPECT_EQ(Saved("CmdTable", "cmd[0].cmdline"), "old");
    EXPECT_EQ(Saved("CmdTable", "cmd[1].caption"), "<none>");
    const std::vector<BackupFile> backups = ListBackups(localPath_);
    ASSERT_EQ(backups.size(), 3u);
    EXPECT_EQ(ReadFileText(backups.front().path), current);
}
