#include "hotkey_list.h"

#include "daemon_test_files.h"

#include <gtest/gtest.h>

using namespace daemon_test;

namespace {

HotkeyEntry Entry(HWND window, UINT modifiers, UINT key)
{
    HotkeyEntry entry;
    entry.window = window;
    entry.modifiers = modifiers;
    entry.keyCode = static_cast<unsigned char>(key);
    return entry;
}

TEST(HotkeyListTest, IdentifiersFollowPositionsUpToTheApplicationRange)
{
    HotkeyList list;
    EXPECT_EQ(list.EntryById(0), nullptr);
    EXPECT_EQ(list.EntryById(1), nullptr);
    for (std::size_t i = 1; i <= HotkeyList::kMaxEntries; ++i) {
        const HotkeyEntry* added = list.AddHotkey(Entry(nullptr, 2, 0x41));
        ASSERT_NE(added, nullptr) << i;
        ASSERT_EQ(added->identifier, static_cast<int>(i));
    }
    EXPECT_EQ(list.AddHotkey(Entry(nullptr, 2, 0x41)), nullptr);
    EXPECT_EQ(list.Count(), 0xBFFFu);
    ASSERT_NE(list.EntryById(0xBFFF), nullptr);
    EXPECT_EQ(list.EntryById(0xBFFF)->identifier, 0xBFFF);
    EXPECT_EQ(list.EntryById(0xC000), nullptr);
    EXPECT_EQ(list.EntryById(-1), nullptr);
}

TEST(HotkeyListTest, RegisterAllGoesOnPastEveryRefusal)
{
    HiddenWindow window, other;
    const FreeHotkey first = FindFreeHotkeyText(0), taken = FindFreeHotkeyText(1), last = FindFreeHotkeyText(2);
    if (!first.found || !taken.found || !last.found) GTEST_SKIP() << "no three free combinations";
    ASSERT_TRUE(RegisterHotKey(other.Handle(), 7, taken.modifiers, taken.key));

    // One combination held by another window, one given twice.
    HotkeyList list;
    list.AddHotkey(Entry(window.Handle(), first.modifiers, first.key));
    list.AddHotkey(Entry(window.Handle(), taken.modifiers, taken.key));
    list.AddHotkey(Entry(window.Handle(), first.modifiers, first.key));
    list.AddHotkey(Entry(window.Handle(), last.modifiers, last.key));
    EXPECT_EQ(list.RegisterAll(), (std::vector<int>{2, 3}));
    EXPECT_TRUE(HotkeyTaken(first.modifiers, first.key));
    EXPECT_TRUE(HotkeyTaken(last.modifiers, last.key));

    list.UnregisterAll();
    EXPECT_FALSE(HotkeyTaken(first.modifiers, first.key));
    EXPECT_FALSE(HotkeyTaken(last.modifiers, last.key));
    // Unregistering entries that were never registered leaves others' hotkeys alone.
    EXPECT_TRUE(HotkeyTaken(taken.modifiers, taken.key));
    UnregisterHotKey(other.Handle(), 7);
    EXPECT_EQ(list.RegisterAll(), std::vector<int>{3});
    list.UnregisterAll();
}

} // namespace
