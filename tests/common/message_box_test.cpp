#include "platform/message_box.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

TEST(MessageBoxTest, ShowErrorFormatsTheStringUnderTheErrorTitle)
{
    BoxAnswerer answerer(IDOK);
    EXPECT_EQ(ShowError(nullptr, 202, 7), IDOK);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].title, Ansi("エラー - Korvane"));
    EXPECT_EQ(answerer.Boxes()[0].text, Ansi("指定されたホットキーID「7」を持つコマンドが見つかりません。"));
}

TEST(MessageBoxTest, MissingStringsShowNoBox)
{
    BoxAnswerer answerer(IDOK);
    EXPECT_EQ(ShowError(nullptr, 9999, 1), 0);
    EXPECT_EQ(ShowConfirm(nullptr, 113, 9999, MB_YESNO), 0);
    EXPECT_EQ(ShowConfirm(nullptr, 9999, 110, MB_YESNO), 0);
    EXPECT_TRUE(answerer.Boxes().empty());
}

TEST(MessageBoxTest, HiddenOwnerIsNotUsed)
{
    HWND hidden = CreateWindowExA(0, "STATIC", "hidden", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hidden, nullptr);
    HWND owner = reinterpret_cast<HWND>(-1);
    bool found = false;
    const DWORD thread = GetCurrentThreadId();
    std::thread watcher([&] {
        HWND box = nullptr;
        found = WaitFor([&] { return (box = FindMessageBox(GetCurrentProcessId())) != nullptr; });
        if (found) {
            owner = GetWindow(box, GW_OWNER);
            AnswerMessageBox(box, IDOK);
        } else {
            // A box we cannot see would wait for ever: WM_QUIT ends its modal loop.
            PostThreadMessageA(thread, WM_QUIT, 0, 0);
        }
    });
    ShowError(hidden, 202, 1);
    watcher.join();
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    DestroyWindow(hidden);
    ASSERT_TRUE(found) << "no message box was found";
    EXPECT_EQ(owner, nullptr);
}

TEST(MessageBoxTest, ConfirmReturnsTheAnswer)
{
    {
        BoxAnswerer yes(IDYES);
        EXPECT_EQ(ShowConfirm(nullptr, 113, 110, MB_YESNO), IDYES);
        ASSERT_EQ(yes.Boxes().size(), 1u);
        EXPECT_EQ(yes.Boxes()[0].title, Ansi("終了の確認 - Korvane"));
        EXPECT_EQ(yes.Boxes()[0].text, Ansi("ログオフしますか?"));
    }
    BoxAnswerer no(IDNO);
    EXPECT_EQ(ShowConfirm(nullptr, 113, 110, MB_YESNO), IDNO);
}

TEST(MessageBoxTest, LongTextsAreCutNotOverrun)
{
    BoxAnswerer answerer(IDOK);
    const std::string huge(40000, 'x');
    EXPECT_EQ(ShowError(nullptr, 300, huge.c_str()), IDOK);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].text.size(), 1023u);
    EXPECT_EQ(answerer.Boxes()[0].text.substr(0, 8), Ansi("長い行: "));
}
