// The programs as a user of an English system meets them: every box, dialog
// and page in English, and no label cut. The whole program runs in an English
// locale (code page 1252); the Japanese suite shows that a Japanese system
// sees the texts as before.
#include "daemon_test_files.h"
#include "platform/option_lock.h"
#include "test_support.h"

#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace daemon_test;
using namespace testing_support;

namespace {

std::string TextOf(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool IsAscii(const std::string& text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// The labels, buttons and check boxes of a dialog whose text does not fit
// them in the English dialogs' font, and those with text that is not English.
// The font is made here: another process's font handle means nothing in this one.
struct TextCheck {
    HFONT font;
    std::vector<std::string> cut;
    std::vector<std::string> notEnglish;
};

BOOL CALLBACK CheckControl(HWND control, LPARAM param)
{
    TextCheck& check = *reinterpret_cast<TextCheck*>(param);
    char cls[32] = "";
    GetClassNameA(control, cls, sizeof cls);
    const std::string text = TextOf(control);
    const bool isStatic = lstrcmpiA(cls, "Static") == 0, isButton = lstrcmpiA(cls, "Button") == 0;
    if (text.empty() || !IsWindowVisible(control) || (!isStatic && !isButton)) return TRUE;
    if (!IsAscii(text)) check.notEnglish.push_back(text);

    RECT client;
    GetClientRect(control, &client);
    LONG width = client.right;
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    UINT format = DT_CALCRECT | DT_WORDBREAK;
    if (isButton) {
        format = DT_CALCRECT | DT_SINGLELINE;
        switch (style & BS_TYPEMASK) {
        case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON:
            if (!(style & BS_PUSHLIKE)) width -= GetSystemMetrics(SM_CXMENUCHECK) + 4;
            break;
        case BS_GROUPBOX:
            width -= 16;
            break;
        default:
            width -= 6;  // the button's edges
        }
    }
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, check.font);
    RECT need = {0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &need, format);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    const bool fits = need.right <= width && ((style & BS_TYPEMASK) == BS_GROUPBOX || need.bottom <= client.bottom);
    if (!fits) check.cut.push_back(text);
    return TRUE;
}

TextCheck CheckTexts(HWND dialog)
{
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    TextCheck check{CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Shell Dlg"),
                    {}, {}};
    if (!IsAscii(TextOf(dialog))) check.notEnglish.push_back(TextOf(dialog));
    EnumChildWindows(dialog, CheckControl, reinterpret_cast<LPARAM>(&check));
    DeleteObject(check.font);
    return check;
}

void ExpectEnglishAndWhole(HWND dialog)
{
    ASSERT_NE(dialog, nullptr);
    const TextCheck check = CheckTexts(dialog);
    EXPECT_TRUE(check.cut.empty()) << "cut: \"" << (check.cut.empty() ? "" : check.cut[0]) << "\" and "
                                   << (check.cut.empty() ? 0 : check.cut.size() - 1) << " more";
    EXPECT_TRUE(check.notEnglish.empty()) << "not English: " << (check.notEnglish.empty() ? "" : check.notEnglish[0]);
}

// A visible dialog of the process with the given caption (any when empty).
HWND WaitForDialog(DWORD process, const std::string& caption)
{
    HWND found = nullptr;
    WaitFor([&] {
        found = nullptr;
        for (HWND w = GetTopWindow(nullptr); w != nullptr && found == nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            char cls[8] = "";
            GetClassNameA(w, cls, sizeof cls);
            if (owner == process && IsWindowVisible(w) && lstrcmpA(cls, "#32770") == 0 &&
                (caption.empty() || TextOf(w).compare(0, caption.size(), caption) == 0)) {
                found = w;
            }
        }
        return found != nullptr;
    }, 10000);
    return found;
}

// The screen rectangles of the tray icons that may be the daemon's. Windows
// says where its icon is; Wine 8 does not implement Shell_NotifyIconGetRect,
// but shows each icon as a window of its own in its standalone tray.
std::vector<RECT> TrayIconRects(HWND daemon)
{
    NOTIFYICONIDENTIFIER id = {};
    id.cbSize = sizeof id;
    id.hWnd = daemon;
    id.uID = 1;
    RECT rect = {};
    if (SUCCEEDED(Shell_NotifyIconGetRect(&id, &rect))) return {rect};
    std::vector<RECT> rects;
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    for (HWND icon = FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr); tray != nullptr && icon != nullptr;
         icon = FindWindowExA(tray, icon, "__winex11_tray_icon", nullptr)) {
        if (GetWindowRect(icon, &rect)) rects.push_back(rect);
    }
    return rects;
}

// Rests the mouse on each of those icons in turn until a tooltip shows the
// text; returns the last text shown.
std::string HoverTrayIcon(HWND daemon, const std::string& expected)
{
    std::string shown;
    for (const RECT& icon : TrayIconRects(daemon)) {
        const int x = (icon.left + icon.right) / 2, y = (icon.top + icon.bottom) / 2;
        SetCursorPos(x - 1, y);
        SetCursorPos(x, y);
        if (WaitFor([&] { return (shown = ShownTooltipText()) == expected; }, 3000)) break;
    }
    SetCursorPos(0, GetSystemMetrics(SM_CYSCREEN) / 2);
    return shown;
}

class EnglishTest : public ::testing::Test {
protected:
    EnglishTest() : folder_({"korvaned.exe", "korvopt.exe", "korvswt.exe"})
    {
        folder_.WriteMainSettings("local.ini");
        WriteFileText(folder_.File("local.ini"),
                      LocalSettings({{"Tools", "", ""},
                                     {"Tools/Editor", "notepad.exe", ""},
                                     {"Broken", "Service:NoSuchService", ""},
                                     {"Quit", "Service:Exit", ""}}));
    }

    ProgramFolder folder_;
};

TEST_F(EnglishTest, TheSwitcherSpeaksEnglish)
{
    Process switcher;
    ASSERT_TRUE(switcher.Start("\"" + folder_.Program("korvswt.exe") + "\"", folder_.Path()));
    HWND dialog = WaitForDialog(switcher.Id(), "");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(TextOf(dialog), "Choose the Settings File");
    ExpectEnglishAndWhole(dialog);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(switcher.Wait(), 0u);

    // A box, with the common error title.
    Process tooLong;
    ASSERT_TRUE(tooLong.Start("\"" + folder_.Program("korvswt.exe") + "\" " + std::string(300, 'x'), folder_.Path()));
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindMessageBox(tooLong.Id())) != nullptr; }, 10000));
    const BoxText text = ReadMessageBox(box);
    EXPECT_EQ(text.title, "Error - Korvane");
    EXPECT_EQ(text.text.rfind("The path is too long", 0), 0u) << text.text;
    AnswerMessageBox(box, IDOK);
    EXPECT_EQ(tooLong.Wait(), 3u);
}

TEST_F(EnglishTest, TheControllersPagesAndDialogsSpeakEnglish)
{
    Process controller;
    ASSERT_TRUE(controller.Start("\"" + folder_.Program("korvopt.exe") + "\"", folder_.Path()));
    HWND sheet = WaitForDialog(controller.Id(), "Options and Information: ");
    ASSERT_NE(sheet, nullptr);
    const char* const pages[] = {"Command Table", "Shell Extension", "Program Information"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(pages[i]);
        SendMessageA(sheet, PSM_SETCURSEL, i, 0);
        HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(TextOf(page), pages[i]);
        ExpectEnglishAndWhole(page);
    }

    SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    HWND tree = GetDlgItem(page, 1000);
    auto first = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    ASSERT_NE(first, nullptr);
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(first));
    PostMessageA(page, WM_COMMAND, 1003, 0);  // Edit...
    HWND edit = WaitForDialog(controller.Id(), "Edit Command");
    ExpectEnglishAndWhole(edit);
    if (edit != nullptr) PostMessageA(edit, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(edit); }));
    PostMessageA(page, WM_COMMAND, 1063, 0);  // Restore...
    HWND restore = WaitForDialog(controller.Id(), "Restore from a Backup");
    ExpectEnglishAndWhole(restore);
    if (restore != nullptr) PostMessageA(restore, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(restore); }));
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    EXPECT_EQ(controller.Wait(), 0u);
}

TEST_F(EnglishTest, TheDaemonsTrayTipAndBoxesSpeakEnglish)
{
    Process daemon;
    ASSERT_TRUE(daemon.Start("\"" + folder_.Program("korvaned.exe") + "\"", folder_.Path()));
    HWND window = WaitForDaemonStartUp();
    ASSERT_NE(window, nullptr);
    // The start-up probe wrote a tip of its own: the services' stop and start
    // set the daemon's tips again.
    for (const auto code : {kRemoteStopServices, kRemoteStartServices}) {
        ASSERT_TRUE(SendRemoteCode(window, code));
        const std::string tip = code == kRemoteStopServices ? "Korvane: services stopped"
                                                             : "Korvane: double-click for Options and Information";
        EXPECT_EQ(HoverTrayIcon(window, tip), tip);
    }
    PostMessageA(window, WM_COMMAND, 3, 0);  // the third command, "Broken"
    HWND box = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (box = FindMessageBox(daemon.Id())) != nullptr; }));
    if (box != nullptr) {
        const BoxText text = ReadMessageBox(box);
        EXPECT_EQ(text.title, "Error - Korvane");
        EXPECT_EQ(text.text, "The command \"Broken\" cannot be run. It calls \"Service:NoSuchService\", which is not "
                             "a built-in service. This is usually a spelling mistake.");
        AnswerMessageBox(box, IDOK);
    }
    ASSERT_TRUE(WaitFor([&] { return FindMessageBox(daemon.Id()) == nullptr; }));
    // A service's question: declined, the daemon keeps running.
    PostMessageA(window, WM_COMMAND, 4, 0);  // "Quit"
    EXPECT_TRUE(WaitFor([&] { return (box = FindMessageBox(daemon.Id())) != nullptr; }));
    if (box != nullptr) {
        const BoxText text = ReadMessageBox(box);
        EXPECT_EQ(text.title, "Confirm - Korvane");
        EXPECT_EQ(text.text, "Do you really want to exit Korvane? Every service it provides stops when it exits.");
        AnswerMessageBox(box, IDNO);
    }
    EXPECT_EQ(daemon.Wait(500), STILL_ACTIVE);
    EndDaemon(daemon);
}

// The portable folder's first start on a system whose code page cannot show
// Japanese makes the table from the English example.
TEST_F(EnglishTest, TheFirstStartMakesTheTableFromTheEnglishExample)
{
    DeleteFileA(folder_.File("local.ini").c_str());
    WriteFileText(folder_.File("example-ja.ini"), "[CmdTable]\r\ncmd[0].caption=ja\r\n");
    WriteFileText(folder_.File("example-en.ini"), "[CmdTable]\r\ncmd[0].caption=en\r\n");
    Process daemon;
    ASSERT_TRUE(daemon.Start("\"" + folder_.Program("korvaned.exe") + "\"", folder_.Path()));
    EXPECT_NE(WaitForDaemonStartUp(), nullptr);
    EndDaemon(daemon);
    EXPECT_EQ(ReadFileText(folder_.File("local.ini")), "[CmdTable]\r\ncmd[0].caption=en\r\n");
}

// The programs speak the system code page: Japanese asked for on a system
// that cannot show it gives English.
TEST_F(EnglishTest, JapaneseAskedForOnAnotherCodePageGivesEnglish)
{
    WriteFileText(folder_.File("_setting.ini"), ReadFileText(folder_.File("_setting.ini")) + "[Language]\r\nUI=ja\r\n");
    Process switcher;
    ASSERT_TRUE(switcher.Start("\"" + folder_.Program("korvswt.exe") + "\"", folder_.Path()));
    HWND dialog = WaitForDialog(switcher.Id(), "");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(TextOf(dialog), "Choose the Settings File");
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(switcher.Wait(), 0u);
}

} // namespace
