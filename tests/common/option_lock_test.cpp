#include "platform/option_lock.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

using namespace testing_support;

namespace {

std::string Helper()
{
    return "\"" + ExeDir() + "coordination_helper.exe\"";
}

// A listener process whose hidden window records each remote-control code.
class Listener {
public:
    explicit Listener(const TempDir& dir) : file_(dir.File("codes.txt"))
    {
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, "KorvaneTestListenerReady");
        process_.Start(Helper() + " listen \"" + file_ + "\" KorvaneTestListenerReady");
        WaitForSingleObject(ready, 10000);
        CloseHandle(ready);
    }
    ~Listener()
    {
        BroadcastRemoteControl(RegisterWindowMessageA(kRemoteControlMessageName), kRemoteEndDaemon);
        if (process_.Wait(5000) == STILL_ACTIVE) process_.Kill();
    }
    std::string Codes() const { return ReadFileText(file_); }

private:
    std::string file_;
    Process process_;
};

} // namespace

TEST(OptionLockTest, AcquireStopsAndReleaseStartsTheListener)
{
    TempDir dir;
    Listener listener(dir);
    OptionLock lock;
    ASSERT_TRUE(lock.Acquire());
    EXPECT_NE(lock.Message(), 0u);
    EXPECT_EQ(lock.Message(), RegisterWindowMessageA(kRemoteControlMessageName));
    // The broadcast is synchronous: the listener has handled code 2 already.
    EXPECT_EQ(listener.Codes(), "2\r\n");
    EXPECT_TRUE(lock.Release());
    EXPECT_EQ(listener.Codes(), "2\r\n1\r\n");
}

TEST(OptionLockTest, ASecondHolderIsRefusedWithoutABroadcast)
{
    TempDir dir;
    Listener listener(dir);
    EXPECT_EQ(RunProgram(Helper() + " probe"), 0u);
    OptionLock lock;
    ASSERT_TRUE(lock.Acquire());
    EXPECT_EQ(RunProgram(Helper() + " probe"), 1u);
    // The helper's Acquire is refused: exit code 1, and no code 2 from it.
    HANDLE event = CreateEventA(nullptr, TRUE, TRUE, "KorvaneTestAcquireDone");
    EXPECT_EQ(RunProgram(Helper() + " acquire KorvaneTestAcquireDone"), 1u);
    CloseHandle(event);
    EXPECT_EQ(listener.Codes(), "2\r\n");
    OptionLock second;
    EXPECT_FALSE(second.Acquire());
}

TEST(OptionLockTest, ProbeSeesAnotherProcessHoldingTheLock)
{
    EXPECT_TRUE(ProbeOptionMutex());
    // The probe does not keep the mutex.
    EXPECT_TRUE(ProbeOptionMutex());
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, "KorvaneTestRelease");
    Process holder;
    ASSERT_TRUE(holder.Start(Helper() + " acquire KorvaneTestRelease"));
    EXPECT_TRUE(WaitFor([] { return !ProbeOptionMutex(); }, 10000));
    SetEvent(release);
    // Pump messages meanwhile: the holder's closing broadcast waits for every window.
    EXPECT_TRUE(WaitFor([&] { return holder.Wait(0) == 0; }, 10000));
    CloseHandle(release);
    EXPECT_TRUE(ProbeOptionMutex());
}

// The daemon's look at the lock opens the mutex for a moment: an editor that
// starts in that moment, after the holder ended, finds the name but no owner.
TEST(OptionLockTest, AnEditorGetsTheLockThatOnlyAProbesHandleKeepsAlive)
{
    HANDLE holderWaits = CreateEventA(nullptr, TRUE, FALSE, "KorvaneTestHolderWaits");
    HANDLE editorGoesOn = CreateEventA(nullptr, TRUE, TRUE, "KorvaneTestEditorGoesOn");
    for (bool killed : {false, true}) {
        SCOPED_TRACE(killed ? "the holder was killed" : "the holder ended");
        ResetEvent(holderWaits);
        Process holder;
        ASSERT_TRUE(holder.Start(Helper() + " acquire KorvaneTestHolderWaits"));
        ASSERT_TRUE(WaitFor([] { return !ProbeOptionMutex(); }, 10000));
        HANDLE probe = OpenMutexA(SYNCHRONIZE, FALSE, kOptionMutexName);
        ASSERT_NE(probe, nullptr);
        if (killed) holder.Kill();
        SetEvent(holderWaits);
        EXPECT_TRUE(WaitFor([&] { return holder.Wait(0) != STILL_ACTIVE; }, 10000));
        EXPECT_EQ(RunProgram(Helper() + " acquire KorvaneTestEditorGoesOn"), 0u);
        CloseHandle(probe);
    }
    CloseHandle(editorGoesOn);
    CloseHandle(holderWaits);
}

// SendMessage to every window would wait for ever on one that stopped reading
// its messages, while the editor holds the lock.
TEST(OptionLockTest, ABroadcastPassesOverAWindowThatStoppedPumping)
{
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE wake = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread sleeper([&] {
        HWND window = CreateWindowExA(0, "STATIC", nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        SetEvent(ready);
        WaitForSingleObject(wake, 30000);
        DestroyWindow(window);
    });
    WaitForSingleObject(ready, 10000);
    const DWORD start = GetTickCount();
    BroadcastRemoteControl(RegisterWindowMessageA(kRemoteControlMessageName), kRemoteStartServices);
    EXPECT_LT(GetTickCount() - start, 10000u);
    SetEvent(wake);
    sleeper.join();
    CloseHandle(wake);
    CloseHandle(ready);
}
