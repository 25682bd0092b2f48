#include "platform/option_lock.h"
#include "sheet_fixture.h"

using namespace testing_support;

namespace {

// Stands in for the daemon: a hidden top-level window that records the
// remote-control codes it receives.
class RemoteRecorder {
public:
    RemoteRecorder()
    {
        message_ = RegisterWindowMessageA(kRemoteControlMessageName);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KorvoptTestRecorder";
        RegisterClassA(&wc);
        window_ = CreateWindowA("KorvoptTestRecorder", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                wc.hInstance, nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~RemoteRecorder() { DestroyWindow(window_); }
    std::vector<unsigned> codes;
    // Whether `watched` was still shown when the services were started again.
    HWND watched = nullptr;
    bool watchedShownAtStart = false;

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        auto* self = reinterpret_cast<RemoteRecorder*>(GetWindowLongPtrA(w, GWLP_USERDATA));
        if (self && m == self->message_) {
            self->codes.push_back(static_cast<unsigned>(wp));
            if (wp == kRemoteStartServices)
                self->watchedShownAtStart = self->watched && IsWindowVisible(self->watched);
            return 0;
        }
        return DefWindowProcA(w, m, wp, lp);
    }
    UINT message_ = 0;
    HWND window_ = nullptr;
};

HWND FindSheet(const std::string& caption)
{
    HWND found = nullptr;
    WaitFor([&] {
        found = FindWindowA(nullptr, caption.c_str());
        return found != nullptr;
    }, 10000);
    return found;
}

} // namespace

TEST(KorvoptProgram, StopsTheDaemonWhileOpenAndASecondInstanceBringsItForward)
{
    ProgramFolder folder({"korvopt.exe"});
    folder.WriteMainSettings("local.ini");
    WriteFileText(folder.File("other.ini"), "[CmdTable]\r\ncmd[0].caption=A\r\n");
    RemoteRecorder daemon;

    Process first;
    ASSERT_TRUE(first.Start("\"" + folder.Program("korvopt.exe") + "\" other.ini", folder.Path()));
    // The caption names the file given on the command line, resolved in the program folder.
    HWND sheet = FindSheet(Sjis("オプションと情報:") + folder.File("other.ini"));
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(WaitFor([&] { return !daemon.codes.empty(); }));
    EXPECT_EQ(daemon.codes, (std::vector<unsigned>{kRemoteStopServices}));

    // Another window is in front when the second one starts, once the
    // sheet's own activation has come through; the second one brings the
    // open sheet forward and ends.
    WaitFor([&] { return GetForegroundWindow() == sheet; }, 2000);
    HWND other = CreateWindowA("STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(other);
    WaitFor([] { return false; }, 300);
    ASSERT_EQ(GetForegroundWindow(), other);
    Process second;
    ASSERT_TRUE(second.Start("\"" + folder.Program("korvopt.exe") + "\"", folder.Path()));
    DWORD code = STILL_ACTIVE;
    WaitFor([&] { return (code = second.Wait(0)) != STILL_ACTIVE; }, 10000);
    EXPECT_EQ(code, 1u);
    EXPECT_EQ(daemon.codes.size(), 1u);   // the second one broadcast nothing
    EXPECT_TRUE(IsWindow(sheet));
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == sheet; }, 2000));
    DestroyWindow(other);

    // Posted: the sheet's loop looks at its end only when a posted message arrives.
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    WaitFor([&] { return (code = first.Wait(0)) != STILL_ACTIVE; }, 10000);
    EXPECT_EQ(code, 0u);
    WaitFor([&] { return daemon.codes.size() >= 2; }, 2000);
    EXPECT_EQ(daemon.codes, (std::vector<unsigned>{kRemoteStopServices, kRemoteStartServices}));
    // Saved to the file of the command line: the stored command now has all its keys.
    EXPECT_NE(ReadFileText(folder.File("other.ini")).find("cmd[0].caption=A\r\ncmd[0].cmdline=\r\n"),
              std::string::npos)
        << ReadFileText(folder.File("other.ini"));
}

TEST(KorvoptProgram, OkWithTheGroupAnswers110InTheProgram)
{
    ProgramFolder folder({"korvopt.exe"});
    folder.WriteMainSettings("local.ini");
    WriteFileText(folder.File("local.ini"), "[CmdTable]\r\ncmd[0].caption=A/B\r\ncmd[1].caption=A\r\n");
    Process program;
    ASSERT_TRUE(program.Start("\"" + folder.Program("korvopt.exe") + "\"", folder.Path()));
    HWND sheet = FindSheet(Sjis("オプションと情報:") + folder.File("local.ini"));
    ASSERT_NE(sheet, nullptr);
    ErrorBoxes boxes(program.Id());
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    ASSERT_TRUE(boxes.WaitFor(1, 10000));
    EXPECT_NE(boxes.Texts()[0].find(Sjis("コマンドテーブルに無効又は旧式なコマンド")), std::string::npos);
    EXPECT_EQ(program.Wait(300), static_cast<DWORD>(STILL_ACTIVE));
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    EXPECT_EQ(program.Wait(10000), 0u);
}

TEST(KorvoptProgram, ALockHeldByAnotherEditorIsNamedInABox)
{
    ProgramFolder folder({"korvopt.exe"});
    folder.WriteMainSettings("local.ini");
    // The adder or the switcher: it holds the lock and shows no sheet.
    HANDLE held = CreateMutexA(nullptr, TRUE, kOptionMutexName);
    ASSERT_NE(held, nullptr);
    Process program;
    ASSERT_TRUE(program.Start("\"" + folder.Program("korvopt.exe") + "\"", folder.Path()));
    {
        ErrorBoxes boxes(program.Id());
        ASSERT_TRUE(boxes.WaitFor(1, 10000));
        EXPECT_EQ(boxes.Texts()[0], Sjis("他のプログラム(コマンドの追加又は設定ファイルの切り替え)が設定を変更中の為、"
                                         "オプションを開けません。そのプログラムが終了してから、もう一度実行してください。"));
    }
    EXPECT_EQ(program.Wait(10000), 1u);
    ReleaseMutex(held);
    CloseHandle(held);
}

// The sheet's own keys still close it, and the closed sheet is not taken down
// before the services start again: the end of the program removes it, since
// hiding it first costs Wine without a window manager two seconds.
TEST(KorvoptProgram, EnterSavesEscapeCancelsAndTheSheetGoesWithTheProgram)
{
    const struct {
        WPARAM key;
        bool saved;
    } cases[] = {{VK_RETURN, true}, {VK_ESCAPE, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key == VK_RETURN ? "Enter" : "Esc");
        ProgramFolder folder({"korvopt.exe"});
        folder.WriteMainSettings("local.ini");
        const std::string before = "[CmdTable]\r\ncmd[0].caption=A\r\n";
        WriteFileText(folder.File("local.ini"), before);
        RemoteRecorder daemon;
        Process program;
        ASSERT_TRUE(program.Start("\"" + folder.Program("korvopt.exe") + "\"", folder.Path()));
        HWND sheet = FindSheet(Sjis("オプションと情報:") + folder.File("local.ini"));
        ASSERT_NE(sheet, nullptr);
        daemon.watched = sheet;
        // Posted as typed keys arrive: through the program's message loop.
        PostMessageA(sheet, WM_KEYDOWN, c.key, 1);
        DWORD code = STILL_ACTIVE;
        // Waited for with the recorder's messages flowing: the broadcast waits for it.
        EXPECT_TRUE(WaitFor([&] { return (code = program.Wait(0)) != STILL_ACTIVE; }, 10000));
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(daemon.codes, (std::vector<unsigned>{kRemoteStopServices, kRemoteStartServices}));
        EXPECT_TRUE(daemon.watchedShownAtStart);
        EXPECT_EQ(ReadFileText(folder.File("local.ini")) != before, c.saved) << ReadFileText(folder.File("local.ini"));
    }
}
