#include "commands/hotkey_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

TEST(KeyNameTableTest, HasItsRowsAndCodes)
{
    std::set<int> codes;
    for (const KeyNameRow& row : KeyNameTable) {
        codes.insert(row.code);
        EXPECT_LT(std::strlen(row.name), 32u);
        EXPECT_GT(std::strlen(row.name), 0u);
    }
    EXPECT_EQ(kKeyNameCount, 172);
    EXPECT_EQ(codes.size(), 160u);
    // The stored spellings, letter for letter, and aliases after the first
    // name; the browser, media and launch keys come after every older row,
    // so that the controller's list keeps its older entries where they were.
    EXPECT_STREQ(KeyNameTable[0].name, "LButton");
    EXPECT_STREQ(KeyNameTable[153].name, "OemClear");
    EXPECT_STREQ(KeyNameTable[154].name, "BrowserBack");
    EXPECT_STREQ(KeyNameTable[kKeyNameCount - 1].name, "LaunchApp2");
    for (int code = 0xA6; code <= 0xB7; ++code) {
        std::string text;
        ASSERT_TRUE(FormatHotkey(code, kModCtrl | kModAlt, text)) << code;
        int key = 0;
        int modifiers = 0;
        EXPECT_TRUE(ParseHotkey(text.c_str(), key, modifiers)) << text;
        EXPECT_EQ(key, code) << text;
        EXPECT_EQ(modifiers, kModCtrl | kModAlt) << text;
    }
    EXPECT_EQ(KeyFromName("mediaplaypause"), 0xB3);
    EXPECT_EQ(KeyFromName("Commna"), 0xBC);
    EXPECT_EQ(KeyFromName("Seperator"), 0x6C);
    EXPECT_EQ(KeyFromName("SubTract"), 0x6D);
    EXPECT_EQ(KeyFromName("NextDown"), 0x22);
    EXPECT_EQ(KeyFromName("MODECHANGE"), 0x1F);
    EXPECT_EQ(KeyFromName("Hangul"), 0x15);
    EXPECT_EQ(KeyFromName("Kanji"), 0x19);
    // Two codes share "NonConvert": the first row wins when reading.
    EXPECT_EQ(KeyFromName("NonConvert"), 0x1D);
    std::string name;
    EXPECT_TRUE(KeyToName(0x1E, name));
    EXPECT_EQ(name, "NonConvert");
}

TEST(KeyFromNameTest, NeedsADelimiterAfterTheName)
{
    const struct {
        const char* text;
        int code;
        int consumed;
    } cases[] = {
        {"F10", 0x79, 3},      {"F1", 0x70, 2},        {"F1+", 0x70, 2},      {"f24 ", 0x87, 3},
        {"backspace", 0x08, 9}, {"BACK", 0x08, 4},     {"Oem102", 0xE2, 6},   {"Oem1", 0xBA, 4},
        {"Num0", 0x60, 4},     {"Spc", 0x20, 3},       {"Enter", 0x0D, 5},    {"Oem10", 0, 0},
        {"F25", 0, 0},         {"", 0, 0},             {"Ab", 0, 0},          {"EscX", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const char* after = "untouched";
        const char* before = after;
        EXPECT_EQ(KeyFromName(c.text, &after), c.code);
        if (c.code != 0) {
            EXPECT_EQ(after, c.text + c.consumed);
        } else {
            EXPECT_EQ(after, before);
        }
    }
    EXPECT_EQ(KeyFromName(nullptr), 0);
}

TEST(FormatHotkeyTest, WritesModifiersInFixedOrderThenTheFirstName)
{
    const struct {
        int key;
        int modifiers;
        const char* text;
        bool named;
    } cases[] = {
        {0x45, kModAlt | kModCtrl, "Ctrl+Alt+E", true},
        {0x45, 15, "Win+Ctrl+Shift+Alt+E", true},
        {0, 0, "", false},
        {0, kModCtrl, "Ctrl+", false},
        {0x0D, 0, "Return", true},
        {0x15, 0, "Kana", true},
        {0x91, 0, "ScrollLock", true},
        {0xBC, 0, "Commna", true},
        {0x10, kModShift, "Shift+", false},   // Shift itself has no name
        {0x145, 0, "E", true},                // only the low 8 bits count
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string target = "old text";
        EXPECT_EQ(FormatHotkey(c.key, c.modifiers, target), c.named);
        EXPECT_EQ(target, c.text);
    }
}

TEST(ParseHotkeyTest, ReadsWordsInAnyOrderAndCase)
{
    const struct {
        const char* text;
        bool whole;
        int key;
        int modifiers;
    } cases[] = {
        {"ctrl+alt+e", true, 0x45, 3},
        {"CONTROL+Alt+E", true, 0x45, 3},
        {"Ctl+Alt+E", true, 0x45, 3},
        {" Ctrl+ Alt+ E", true, 0x45, 3},
        {"Windows+R", true, 0x52, 8},
        {"Win+R", true, 0x52, 8},
        {"", true, 0, 0},
        {"Ctrl+", true, 0, 2},
        {"A+Ctrl", true, 0x41, 2},
        {"F10", true, 0x79, 0},
        {"Back", true, 0x08, 0},
        {"NonConvert", true, 0x1D, 0},
        {"A+B", true, 0x42, 0},              // a second key replaces the first
        {"Shift+Alt+Win+Ctrl+Num5", true, 0x65, 15},
        // Faults keep what was read before them.
        {"Ctrl +E", false, 0, 2},
        {"Ctrl+E ", false, 0x45, 2},
        {"Alternate+X", false, 0, 1},
        {"Ctrl+NoSuchKey", false, 0, 2},
        {"Ctrl++E", false, 0, 2},
        {"\x95\x5c", false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int key = -7, modifiers = -7;
        EXPECT_EQ(ParseHotkey(c.text, key, modifiers), c.whole);
        EXPECT_EQ(key, c.key);
        EXPECT_EQ(modifiers, c.modifiers);
    }
}

TEST(ParseHotkeyTest, NullLeavesOutputsAlone)
{
    int key = 5, modifiers = 6;
    EXPECT_FALSE(ParseHotkey(nullptr, key, modifiers));
    EXPECT_EQ(key, 5);
    EXPECT_EQ(modifiers, 6);
}

TEST(ParseHotkeyTest, EveryNamedCodeRoundTrips)
{
    // Every combination written for a named code reads back to the same value.
    for (const KeyNameRow& row : KeyNameTable) {
        for (int modifiers = 0; modifiers < 16; ++modifiers) {
            std::string text;
            ASSERT_TRUE(FormatHotkey(row.code, modifiers, text));
            int key = 0, mods = 0;
            ASSERT_TRUE(ParseHotkey(text.c_str(), key, mods)) << text;
            EXPECT_EQ(key, KeyFromName(row.name)) << text;
            EXPECT_EQ(mods, modifiers) << text;
        }
    }
}
