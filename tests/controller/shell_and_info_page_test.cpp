#include "program_info_page.h"
#include "resource.h"
#include "shell_extension_page.h"
#include "sheet_fixture.h"

#include <atomic>
#include <thread>

using namespace testing_support;

namespace {

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
bool Enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }
std::string Text(HWND page, int id)
{
    char text[256] = {};
    GetDlgItemTextA(page, id, text, sizeof text);
    return text;
}

} // namespace

TEST_F(SheetTest, ShellPageLoadsEachDesktopSection)
{
    struct Case {
        const char* section;
        bool hideIcons, hideTaskbar, translucent;
        int position;
        const char* percent;
    };
    const Case cases[] = {
        {"", false, false, false, 255, "100%"},   // absent opacity reads as opaque
        {"HideIcon=true\r\nTaskbarHide=false\r\nTaskbarTrans=true\r\nTaskbarTrans.Percent=300\r\n",
         true, false, true, 255, "100%"},
        {"TaskbarTrans=true\r\nTaskbarTrans.Percent=abc\r\n", false, false, true, 0, "0%"},
        // Only the lower-case words count as false: FALSE reads as true.
        {"HideIcon=FALSE\r\nTaskbarHide=0\r\nTaskbarTrans.Percent=128\r\n", true, false, false, 128, "50%"},
        {"TaskbarTrans=true\r\nTaskbarTrans.Percent=0\r\n", false, false, true, 0, "0%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section);
        WriteLocal(std::string("[Desktop]\r\n") + c.section);
        OpenSheet();
        PropSheet_SetCurSel(sheet_, nullptr, 1);
        HWND page = Page();
        ASSERT_NE(page, tablePage_);
        EXPECT_EQ(Checked(page, IDC_HIDE_ICONS), c.hideIcons);
        EXPECT_EQ(Checked(page, IDC_HIDE_TASKBAR), c.hideTaskbar);
        EXPECT_EQ(Checked(page, IDC_TRANSLUCENT), c.translucent);
        EXPECT_EQ(SendDlgItemMessageA(page, IDC_OPACITY, TBM_GETPOS, 0, 0), c.position);
        EXPECT_EQ(Text(page, IDC_CURRENT_LABEL), c.percent);
        // Wine has SetLayeredWindowAttributes: the information text is hidden.
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_TRANSLUCENT_INFO)));
        ASSERT_TRUE(Press(PSBTN_CANCEL));
        DestroyWindow(sheet_);
        sheet_ = nullptr;
    }
}

TEST_F(SheetTest, ShellPageEnableStatesFollowTheBoxes)
{
    WriteLocal("[Desktop]\r\nTaskbarTrans.Percent=200\r\n");
    OpenSheet();
    PropSheet_SetCurSel(sheet_, nullptr, 1);
    HWND page = Page();
    for (int mask = 0; mask < 4; ++mask) {
        const bool hide = mask & 1, translucent = mask & 2;
        SCOPED_TRACE(mask);
        if (Checked(page, IDC_HIDE_TASKBAR) != hide)
            SendDlgItemMessageA(page, IDC_HIDE_TASKBAR, BM_CLICK, 0, 0);
        if (Checked(page, IDC_TRANSLUCENT) != translucent) {
            // A disabled box does not take a click; set it as the user could have before.
            CheckDlgButton(page, IDC_TRANSLUCENT, translucent ? BST_CHECKED : BST_UNCHECKED);
            SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_TRANSLUCENT, BN_CLICKED), 0);
        }
        EXPECT_EQ(Enabled(page, IDC_TRANSLUCENT), !hide);
        const bool rest = !hide && translucent;
        for (int id : {IDC_OPACITY, IDC_TRANSPARENT_LABEL, IDC_CURRENT_LABEL, IDC_OPAQUE_LABEL})
            EXPECT_EQ(Enabled(page, id), rest) << id;
        EXPECT_TRUE(Enabled(page, IDC_HIDE_ICONS));
        EXPECT_TRUE(Enabled(page, IDC_HIDE_TASKBAR));
        // A disabled control keeps its state.
        EXPECT_EQ(Checked(page, IDC_TRANSLUCENT), translucent);
        EXPECT_EQ(SendDlgItemMessageA(page, IDC_OPACITY, TBM_GETPOS, 0, 0), 200);
    }
    // The label follows the thumb.
    SendDlgItemMessageA(page, IDC_OPACITY, TBM_SETPOS, TRUE, 128);
    SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 128), reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_OPACITY)));
    EXPECT_EQ(Text(page, IDC_CURRENT_LABEL), "50%");
    ASSERT_TRUE(Press(PSBTN_OK));
    EXPECT_EQ(Saved("Desktop", "TaskbarHide"), "true");
    EXPECT_EQ(Saved("Desktop", "TaskbarTrans"), "true");
    EXPECT_EQ(Saved("Desktop", "TaskbarTrans.Percent"), "128");
}

TEST_F(SheetTest, OkSavesTheDesktopSectionOnlyWhenItsPageWasOpened)
{
    WriteLocal("[Desktop]\r\nTaskbarTrans=true\r\n[CmdTable]\r\ncmd[0].caption=A\r\n");
    OpenSheet();
    ASSERT_TRUE(Press(PSBTN_OK));
    EXPECT_EQ(Saved("Desktop", "HideIcon"), "<none>");
    EXPECT_EQ(Saved("Desktop", "TaskbarTrans"), "true");
    DestroyWindow(sheet_);

    OpenSheet();
    PropSheet_SetCurSel(sheet_, nullptr, 1);
    PropSheet_SetCurSel(sheet_, nullptr, 0);
    ASSERT_TRUE(Press(PSBTN_OK));
    EXPECT_EQ(Saved("Desktop", "HideIcon"), "false");
    EXPECT_EQ(Saved("Desktop", "TaskbarHide"), "false");
    EXPECT_EQ(Saved("Desktop", "TaskbarTrans"), "true");
    // No stored opacity loaded as opaque, and is saved so.
    EXPECT_EQ(Saved("Desktop", "TaskbarTrans.Percent"), "255");
}

TEST_F(SheetTest, ShellPageWriteFailureIsReported)
{
    // A folder that does not exist: the writes fail with error 3.
    const std::string missing = dir_.File("gone\\local.ini");
    OpenSheetOn(missing);
    PropSheet_SetCurSel(sheet_, nullptr, 1);
    auto& page = *static_cast<ShellExtensionPage*>(DialogObjectOf(Page()));
    ErrorBoxes boxes;
    EXPECT_FALSE(page.StorePage());
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.Texts()[0], Sjis("シェル拡張の設定を保存できませんでした。設定ファイル ") + missing +
                                    Sjis(" に書き込めません。"));
}

TEST_F(SheetTest, InformationPageShowsTheProductVersion)
{
    WriteLocal("");
    OpenSheet();
    PropSheet_SetCurSel(sheet_, nullptr, 2);
    HWND page = Page();
    // The test program carries the same version resource as the programs.
    EXPECT_EQ(Text(page, IDC_VERSION), KORVANE_TEST_VERSION);

    // A link that no program takes shows no box (the build gives this program
    // such a web site). The shell's own box would be modal: a watcher answers
    // and counts any that comes up.
    std::atomic<bool> stop{false};
    std::atomic<int> boxes{0};
    const HWND sheet = sheet_;
    std::thread watcher([&] {
        while (!stop) {
            HWND box = nullptr;
            while ((box = FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr) {
                DWORD pid = 0;
                GetWindowThreadProcessId(box, &pid);
                if (box == sheet || pid != GetCurrentProcessId() || !IsWindowVisible(box)) continue;
                ++boxes;
                AnswerMessageBox(box, IDOK);
            }
            Sleep(50);
        }
    });
    SendMessageA(page, WM_COMMAND, IDC_WEBSITE, 0);
    stop = true;
    watcher.join();
    EXPECT_EQ(boxes, 0);
}

TEST(ProgramInfo, ReadProductVersion)
{
    ProductVersion version;
    ASSERT_TRUE(ReadProductVersion((ExeDir() + "korvopt.exe").c_str(), true, version));
    char text[64];
    snprintf(text, sizeof text, "%u.%u.%u.%u", version.major, version.minor, version.third, version.fourth);
    EXPECT_STREQ(text, KORVANE_TEST_VERSION);

    TempDir dir;
    WriteFileText(dir.File("plain.txt"), "no version here");
    EXPECT_FALSE(ReadProductVersion(dir.File("plain.txt").c_str(), true, version));
    EXPECT_FALSE(ReadProductVersion(dir.File("missing.exe").c_str(), true, version));
}

TEST(ProgramInfo, StringsOfTheLinks)
{
    char text[256] = {};
    LoadStringA(GetModuleHandleA(nullptr), IDS_MAILTO, text, sizeof text);
    // The build gives this program the address "Korvane Support+1%@例.jp".
    EXPECT_STREQ(text, "mailto:Korvane%20Support%2B1%25@%E4%BE%8B.jp?subject=Korvane");
    LoadStringA(GetModuleHandleA(nullptr), IDS_BAD_COMMAND_NAME, text, sizeof text);
    EXPECT_NE(std::string(text).find(Sjis("\"(ダブルコーテーション)、\\(バックスラッシュ")), std::string::npos);
}
