#include "command_set.h"

#include "daemon_test_files.h"
#include "settings/settings_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace daemon_test;
using namespace testing_support;

namespace {

std::vector<std::string> Texts(HMENU menu)
{
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[512] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        texts.push_back(text);
    }
    return texts;
}

// The build must have handed out exactly the expected identifiers (worked
// out by each test from its table), and every lookup finds the first command
// that holds one, nothing for identifiers below 1.
void ExpectIdentifiersAndLookups(CommandSet& set, const std::vector<int>& menuIds, const std::vector<int>& hotkeyIds)
{
    CommandTable& commands = set.Commands();
    ASSERT_EQ(commands.Size(), menuIds.size());
    std::map<int, std::size_t> byMenu, byHotkey;
    for (std::size_t p = 0; p < menuIds.size(); ++p) {
        ASSERT_EQ(commands[p].menuId, menuIds[p]) << p;
        ASSERT_EQ(commands[p].hotkeyId, hotkeyIds[p]) << p;
        if (menuIds[p] > 0) byMenu.emplace(menuIds[p], p);
        if (hotkeyIds[p] > 0) byHotkey.emplace(hotkeyIds[p], p);
    }
    const auto first = [&commands](const std::map<int, std::size_t>& found, int id) -> Command* {
        const auto it = found.find(id);
        return it != found.end() ? &commands[it->second] : nullptr;
    };
    std::vector<int> ids = {INT_MIN, INT_MAX};
    for (int id = -2; id <= static_cast<int>(commands.Size()) + 2; ++id) ids.push_back(id);
    for (int id : ids) {
        ASSERT_EQ(set.FindByMenuId(id), first(byMenu, id)) << id;
        ASSERT_EQ(set.FindByHotkeyId(id), first(byHotkey, id)) << id;
    }
}

class CommandSetTest : public ::testing::Test {
protected:
    // Builds from a local settings file with the given text (none: no file).
    std::unique_ptr<CommandSet> Build(const std::string* text)
    {
        const std::string path = dir_.File("local.ini");
        if (text != nullptr) {
            EXPECT_TRUE(WriteFileText(path, *text));
        }
        SettingsFile file;
        EXPECT_TRUE(file.Open(path.c_str()));
        return BuildCommandSet(window_.Handle(), file);
    }
    std::unique_ptr<CommandSet> Build(const std::vector<Row>& rows)
    {
        const std::string text = LocalSettings(rows);
        return Build(&text);
    }

    TempDir dir_;
    HiddenWindow window_;
    BoxAnswerer boxes_{IDOK};
};

TEST_F(CommandSetTest, IdentifiersMenuTextAndLookups)
{
    const FreeHotkey first = FindFreeHotkeyText(0), second = FindFreeHotkeyText(1);
    ASSERT_TRUE(first.found && second.found);
    auto set = Build({{"A", "", first.text}, {"A/B", "x.exe", ""}, {"C", "y.exe", second.text},
                      {"D", "z.exe", "Ctrl+"}});
    ASSERT_NE(set, nullptr);
    CommandTable& commands = set->Commands();
    ASSERT_EQ(commands.Size(), 4u);
    const int menuIds[] = {1, 2, 3, 4};
    const int hotkeyIds[] = {1, kNoId, 2, kNoId};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(commands[i].menuId, menuIds[i]) << i;
        EXPECT_EQ(commands[i].hotkeyId, hotkeyIds[i]) << i;
    }
    EXPECT_EQ(set->FindByMenuId(2), &commands[1]);
    EXPECT_EQ(set->FindByHotkeyId(2), &commands[2]);
    for (int id : {0, -1, 3, 5}) {
        EXPECT_EQ(set->FindByHotkeyId(id), nullptr) << id;
        if (id != 3) {
            EXPECT_EQ(set->FindByMenuId(id), nullptr) << id;
        }
    }

    HMENU root = set->Menu().Root();
    // A modifier without a key shows just the prefix in the accelerator column.
    EXPECT_EQ(Texts(root), (std::vector<std::string>{"A\t" + first.text, "C\t" + second.text, "D\tCtrl+"}));
    EXPECT_EQ(Texts(GetSubMenu(root, 0)), std::vector<std::string>{"B\t"});
    EXPECT_TRUE(HotkeyTaken(first.modifiers, first.key));
    EXPECT_TRUE(HotkeyTaken(second.modifiers, second.key));
    EXPECT_TRUE(boxes_.Boxes().empty());

    set.reset();
    EXPECT_FALSE(IsMenu(root));
    EXPECT_FALSE(HotkeyTaken(first.modifiers, first.key));
    EXPECT_FALSE(HotkeyTaken(second.modifiers, second.key));
}

TEST_F(CommandSetTest, LookupsAreThePlainSearchOnRandomTables)
{
    std::vector<std::string> free;
    for (int i = 0; i < 8; ++i) {
        const FreeHotkey hotkey = FindFreeHotkeyText(i);
        ASSERT_TRUE(hotkey.found);
        free.push_back(hotkey.text);
    }
    std::mt19937 random(20261209);
    // Groups nest, come before or after their children or not at all.
    // Hotkeys without a key or unreadable get no identifier; in the first
    // table one is given twice, refused at registration (one box) and still
    // holds its identifier.
    const std::string names[] = {"A", "B", "a", "C"};
    const std::string hotkeys[] = {"", "", "", "", "Ctrl+", "Nonsense"};
    for (int table = 0; table < 6; ++table) {
        SCOPED_TRACE(table);
        std::vector<Row> rows(std::uniform_int_distribution<std::size_t>(1, 300)(random));
        for (Row& row : rows) {
            const int depth = std::uniform_int_distribution<int>(1, 3)(random);
            for (int level = 0; level < depth; ++level) {
                row.caption += (level ? "/" : "") + names[random() % 4];
            }
            row.cmdline = random() % 3 ? "x.exe" : "";
            row.hotkey = hotkeys[random() % 6];
            if (random() % 8 == 0) row.hotkey = free[random() % free.size()];
        }
        for (std::size_t i = 0; i < rows.size(); ++i) {
            for (std::size_t j = 0; j < i; ++j) {
                if (!rows[i].hotkey.empty() && rows[j].hotkey == rows[i].hotkey) rows[i].hotkey.clear();
            }
        }
        if (table == 0) {
            rows.push_back({"Twice", "x.exe", free[0]});
            rows.push_back({"Twice", "y.exe", free[0]});
        }
        // Menu identifiers follow the positions; hotkey identifiers count
        // the rows whose hotkey names a key.
        std::vector<int> menuIds, hotkeyIds;
        int nextHotkeyId = 1;
        for (const Row& row : rows) {
            menuIds.push_back(static_cast<int>(menuIds.size()) + 1);
            const bool hasKey = std::find(free.begin(), free.end(), row.hotkey) != free.end();
            hotkeyIds.push_back(hasKey ? nextHotkeyId++ : kNoId);
        }
        auto set = Build(rows);
        ASSERT_NE(set, nullptr);
        ExpectIdentifiersAndLookups(*set, menuIds, hotkeyIds);
    }
    EXPECT_EQ(boxes_.Boxes().size(), 1u);
}

TEST_F(CommandSetTest, ParentsLaterInTheTableLeaveTheChildAtTheTop)
{
    auto set = Build({{"A/B", "b.exe", ""}, {"A", "", ""}, {"A/C", "c.exe", ""}, {"a/D", "d.exe", ""}});
    HMENU root = set->Menu().Root();
    EXPECT_EQ(Texts(root), (std::vector<std::string>{"B\t", "A\t", "D\t"}));
    EXPECT_EQ(Texts(GetSubMenu(root, 1)), std::vector<std::string>{"C\t"});
    EXPECT_EQ(set->Commands()[2].menuId, 3);
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(CommandSetTest, EveryHotkeyThatCanBeRegisteredIsAndOneBoxNamesTheRefused)
{
    const FreeHotkey first = FindFreeHotkeyText(0), taken = FindFreeHotkeyText(1), last = FindFreeHotkeyText(2);
    ASSERT_TRUE(first.found && taken.found && last.found);
    HiddenWindow other;
    ASSERT_TRUE(RegisterHotKey(other.Handle(), 1, taken.modifiers, taken.key));

    // A combination held by another program and one given twice (the second
    // time twice more): each refused combination is named once, in table order.
    auto set = Build({{"X", "x.exe", first.text}, {"Y", "y.exe", taken.text}, {"X2", "x.exe", first.text},
                      {"Z", "z.exe", last.text}, {"X3", "x.exe", first.text}});
    ASSERT_TRUE(boxes_.WaitForBoxes(1));
    const std::vector<BoxText> seen = boxes_.Boxes();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, Ansi("エラー - Korvane"));
    EXPECT_EQ(seen[0].text, Ansi("ホットキー「") + taken.text + Ansi("、") + first.text +
                                Ansi("」をシステムに登録できません。多くの場合、指定された組み合わせの"
                                     "ホットキーは、既に他のアプリケーションにより使用されています。"));
    // The set counts as built: every command has its identifiers.
    EXPECT_EQ(set->Commands()[4].hotkeyId, 5);
    EXPECT_EQ(GetMenuItemCount(set->Menu().Root()), 5);
    EXPECT_TRUE(HotkeyTaken(first.modifiers, first.key));
    EXPECT_TRUE(HotkeyTaken(last.modifiers, last.key));

    set.reset();
    EXPECT_FALSE(HotkeyTaken(first.modifiers, first.key));
    EXPECT_FALSE(HotkeyTaken(last.modifiers, last.key));
    UnregisterHotKey(other.Handle(), 1);
}

// The browser, media and launch keys are keys like any other: stored by
// name, registered, and given back by that name.
TEST_F(CommandSetTest, MediaKeysAreRegisteredByName)
{
    const UINT modifiers = MOD_CONTROL | MOD_ALT | MOD_SHIFT;
    if (HotkeyTaken(modifiers, VK_MEDIA_PLAY_PAUSE)) GTEST_SKIP() << "the combination is held elsewhere";
    auto set = Build({{"Play", "player.exe", "Ctrl+Alt+Shift+MediaPlayPause"}});
    ASSERT_EQ(set->Commands()[0].virtualKey, VK_MEDIA_PLAY_PAUSE);
    EXPECT_EQ(set->Commands()[0].hotkeyId, 1);
    EXPECT_TRUE(HotkeyTaken(modifiers, VK_MEDIA_PLAY_PAUSE));
    EXPECT_NE(set->Commands().ToText().find("cmd[0].hotkey=Ctrl+Shift+Alt+MediaPlayPause\r\n"), std::string::npos);
    set.reset();
    EXPECT_FALSE(HotkeyTaken(modifiers, VK_MEDIA_PLAY_PAUSE));
}

TEST_F(CommandSetTest, MissingEmptyAndDamagedFilesGiveNoErrors)
{
    const std::string hugeCaption = std::string(900, 'W') + "/" + std::string(3000, 'V');
    const std::string empty;
    const std::string garbage = std::string("\xff\xfe[CmdTable\r\ncmd[0].caption\r\n=\x01\x02\r\n[[[]]]\r\n", 34) +
                                std::string(2000, '\x81');
    const std::string hugeText = LocalSettings({{hugeCaption, "x.exe", "Ctrl+NoSuchKey"},
                                                {"//A//", "", ""},
                                                {"A/", "a.exe", "Ctrl+Alt"}});
    struct Case {
        const char* what;
        const std::string* text;
        int rootItems;
    } cases[] = {
        {"missing file", nullptr, 0},
        {"empty file", &empty, 0},
        {"garbage", &garbage, 0},
        {"huge caption and empty levels", &hugeText, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileA(dir_.File("local.ini").c_str());
        auto set = Build(c.text);
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(GetMenuItemCount(set->Menu().Root()), c.rootItems);
        EXPECT_EQ(set->Hotkeys().Count(), 0u);
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

// The generated table: groups of ten commands, every one with the same hotkey.
std::string ManyCommands(int count, const std::string& hotkey)
{
    std::string text = "[CmdTable]\r\n";
    text.reserve(static_cast<std::size_t>(count) * 96);
    for (int i = 0; i < count; ++i) {
        const std::string key = "cmd[" + std::to_string(i) + "]";
        const std::string group = "G" + std::to_string(i / 10);
        text += key + ".caption=" + (i % 10 == 0 ? group : group + "/c" + std::to_string(i)) + "\r\n";
        text += key + ".cmdline=x.exe\r\n" + key + ".hotkey=" + hotkey + "\r\n";
    }
    return text;
}

TEST_F(CommandSetTest, TensOfThousandsOfCommandsHitTheLimitsWithoutHanging)
{
    struct Case {
        int count;
        bool hotkeys;
        int menuItems;       // items of all levels
        size_t boxes;
    } cases[] = {
        // 10,000 equal hotkeys: the second registration is refused (182).
        {10000, true, 10000, 1},
        // 70,000: the hotkey list is full at its 49,152nd entry (180); the
        // menu is still filled and the entries in the list registered (182).
        {70000, true, 65534, 2},
        // Without hotkeys the menu identifiers run out after 65,534 items.
        {66000, false, 65534, 0},
    };
    const FreeHotkey free = FindFreeHotkeyText(0);
    ASSERT_TRUE(free.found);
    size_t boxesBefore = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        const std::string text = ManyCommands(c.count, c.hotkeys ? free.text : std::string());
        const auto start = std::chrono::steady_clock::now();
        auto set = Build(&text);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("build of %d commands: %.2f s\n", c.count, seconds);
        RecordProperty("build_seconds_" + std::to_string(c.count), std::to_string(seconds));
        ASSERT_EQ(set->Commands().Size(), static_cast<size_t>(c.count));
        int items = 0;
        for (const Command& command : set->Commands()) items += command.menuId > 0 ? 1 : 0;
        EXPECT_EQ(items, c.menuItems);
        // Commands past the last identifier hold 0, which no menu choice
        // names; those past a full hotkey list have no hotkey identifier.
        std::vector<int> menuIds, hotkeyIds;
        for (int p = 0; p < c.count; ++p) {
            menuIds.push_back(p < MenuTree::kLastIdentifier ? p + 1 : 0);
            hotkeyIds.push_back(c.hotkeys && p < static_cast<int>(HotkeyList::kMaxEntries) ? p + 1 : kNoId);
        }
        ExpectIdentifiersAndLookups(*set, menuIds, hotkeyIds);
        ASSERT_TRUE(boxes_.WaitForBoxes(boxesBefore + c.boxes));
        boxesBefore += c.boxes;
        EXPECT_LT(seconds, 120.0);
    }
    const std::vector<BoxText> seen = boxes_.Boxes();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].text.find(Ansi("ホットキー「") + free.text + Ansi("」")), 0u);
    EXPECT_EQ(seen[1].text, Ansi("コマンド「c49151」に割り当てられているホットキー「") + free.text +
                                Ansi("」を読み込めません。深刻な空きメモリ容量不足か、プログラミングミスです。"));
    EXPECT_EQ(seen[2].text, seen[0].text);
    EXPECT_FALSE(HotkeyTaken(free.modifiers, free.key));
}

} // namespace
