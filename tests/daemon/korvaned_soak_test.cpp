// A daemon that runs for long: thousands of hotkey presses and of stops and
// starts of its services show no box, lose no hotkey and leak nothing.
#include "daemon_test_files.h"
#include "option_lock.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace daemon_test;
using namespace testing_support;

namespace {

struct Footprint {
    DWORD handles = 0;
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    SIZE_T privateBytes = 0;
};

// Wine 8 reports no GDI or USER objects of a process (those bounds then hold
// trivially there), and a PrivateUsage of 0; the commit charge, which Windows
// reports in both fields, is PagefileUsage.
Footprint Measure(HANDLE process)
{
    Footprint f;
    f.handles = ProcessHandleCount(process);
    f.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    f.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        f.privateBytes = memory.PagefileUsage;
    }
    return f;
}

void Print(const char* when, const Footprint& f)
{
    std::printf("%s: %lu handles, %lu GDI and %lu USER objects, %lu KB private\n", when, f.handles,
                f.gdiObjects, f.userObjects, static_cast<unsigned long>(f.privateBytes / 1024));
}

// Waits until the daemon has handled what was sent before.
bool Sync(HWND daemon)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(daemon, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &result) != 0;
}

} // namespace

TEST(KorvanedSoakTest, PressesAndRestartsLoseNoHotkeyAndLeakNothing)
{
    const FreeHotkey key = FindFreeHotkeyText();
    ASSERT_TRUE(key.found);
    // The hotkey's command is a group without commands in it, which does
    // nothing; a few hundred more commands make each start build a menu.
    std::vector<Row> rows = {{"Quiet", "", key.text}};
    for (int g = 0; g < 10; ++g) {
        const std::string group = "G" + std::to_string(g);
        rows.push_back({group, "", ""});
        for (int i = 0; i < 30; ++i) rows.push_back({group + "/c" + std::to_string(i), "c.exe", ""});
    }
    ProgramFolder folder({"korvaned.exe"});
    folder.WriteMainSettings("local.ini");
    ASSERT_TRUE(WriteFileText(folder.File("local.ini"), LocalSettings(rows)));
    Process daemon;
    ASSERT_TRUE(daemon.Start("\"" + folder.Program("korvaned.exe") + "\"", folder.Path()));
    const HWND window = WaitForDaemonStartUp();
    ASSERT_NE(window, nullptr);
    BoxAnswerer boxes(IDOK, daemon.Id());

    // Ten presses and one stop and start, a thousand times; the first rounds
    // warm up the allocators and the platform's caches.
    constexpr int kRounds = 1000, kWarmUp = 50, kPresses = 10;
    Footprint before;
    for (int round = 0; round < kRounds; ++round) {
        if (round == kWarmUp) before = Measure(daemon.Handle());
        for (int press = 0; press < kPresses; ++press) PressHotkey(key.modifiers, key.key);
        ASSERT_TRUE(Sync(window));
        ASSERT_TRUE(SendRemoteCode(window, kRemoteStopServices));
        ASSERT_TRUE(SendRemoteCode(window, kRemoteStartServices));
        if (round % 100 == 0) {
            ASSERT_TRUE(HotkeyTaken(key.modifiers, key.key)) << "round " << round;
        }
    }
    ASSERT_TRUE(Sync(window));
    const Footprint after = Measure(daemon.Handle());
    Print("after the warm-up", before);
    Print("at the end", after);

    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_TRUE(HotkeyTaken(key.modifiers, key.key));
    EXPECT_GT(before.handles, 0u);  // counted, so that the bound can fail
    EXPECT_LE(after.handles, before.handles + 16);
    EXPECT_LE(after.gdiObjects, before.gdiObjects + 8);
    EXPECT_LE(after.userObjects, before.userObjects + 8);
    EXPECT_LE(after.privateBytes, before.privateBytes + 2 * 1024 * 1024);
    EndDaemon(daemon);
    EXPECT_EQ(daemon.Wait(0), 0u);
}
