#include "command_builder.h"
#include "commands/command_table.h"
#include "commands/hotkey_text.h"
#include "settings/ini_section.h"
#include "commands/show_cmd.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

IniSection SectionOfLines(const std::vector<std::string>& lines)
{
    std::string block;
    for (const std::string& line : lines) {
        block += line;
        block += '\0';
    }
    block += '\0';
    IniSection section;
    section.Parse(block.data(), block.size());
    return section;
}

} // namespace

TEST(CmdTableKeyTest, FormsTheStoredKeyNames)
{
    EXPECT_EQ(CmdTableKey(0, ".caption"), "cmd[0].caption");
    EXPECT_EQ(CmdTableKey(12, ".cmdline.showcmd"), "cmd[12].cmdline.showcmd");
    EXPECT_EQ(CmdTableKey(70000, ".hotkey"), "cmd[70000].hotkey");
}

TEST(CommandTableFormatTest, WritesSixLinesPerCommandInOrder)
{
    CommandTable table;
    table.Append(MakeCommand("Tools", ""));
    Command editor = MakeCommand("Tools/Editor", "notepad.exe", 0x45, 3);
    editor.dir = "C:\\";
    editor.showCmd = 12;
    editor.envFile = "env.txt";
    table.Append(editor);
    const std::vector<std::string> lines = table.ToLines();
    const std::vector<std::string> expected = {
        "cmd[0].caption=Tools",
        "cmd[0].cmdline=",
        "cmd[0].cmdline.dir=",
        "cmd[0].cmdline.showcmd=SW_SHOWNORMAL",
        "cmd[0].cmdline.env=",
        "cmd[0].hotkey=",
        "cmd[1].caption=Tools/Editor",
        "cmd[1].cmdline=notepad.exe",
        "cmd[1].cmdline.dir=C:\\",
        "cmd[1].cmdline.showcmd=SW_SHOWNORMAL",
        "cmd[1].cmdline.env=env.txt",
        "cmd[1].hotkey=Ctrl+Alt+E",
    };
    EXPECT_EQ(lines, expected);
}

// A hand-edited table with gaps in its numbering: the commands after a gap
// load too, in the order of their indexes, from a section and from a text.
TEST(CommandTableFormatTest, LoadGoesOnAcrossGapsAndEmptyCaptions)
{
    const struct {
        std::vector<std::string> lines;
        std::vector<std::string> names;
    } cases[] = {
        {{"cmd[0].caption=A", "cmd[1].caption=B", "cmd[3].caption=D"}, {"A", "B", "D"}},
        {{"cmd[0].caption=", "cmd[1].caption=B"}, {"B"}},
        {{"cmd[0].cmdline=x.exe", "cmd[2].caption=C"}, {"C"}},
        {{"cmd[7].caption=H", "cmd[4000000000].caption=Far", "cmd[2].caption=C", "cmd[7].cmdline=h.exe"},
         {"C", "H", "Far"}},
        // Values count as stored: two quotation marks are a caption, not an empty one.
        {{"cmd[0].caption=\"\"", "cmd[1].caption=B"}, {"\"\"", "B"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.front());
        CommandTable fromSection;
        fromSection.LoadFrom(SectionOfLines(c.lines));
        std::string text = "[CmdTable]\r\n";
        for (const std::string& line : c.lines) text += line + "\r\n";
        CommandTable fromText;
        fromText.LoadFromText(text);
        for (const CommandTable* table : {&fromSection, &fromText}) {
            std::vector<std::string> names;
            for (const Command& command : *table) names.push_back(command.name);
            EXPECT_EQ(names, c.names);
        }
    }
}

TEST(CommandTableFormatTest, LoadDecodesEveryField)
{
    CommandTable table;
    table.LoadFrom(SectionOfLines({
        "CMD[0].Caption=A/B/C",
        "cmd[0].cmdline=  \"C:\\Program Files\\app.exe\" \"%1\"  ",
        "cmd[0].cmdline.dir=C:\\work",
        "cmd[0].cmdline.showcmd=sw_showmaximized",
        "cmd[0].cmdline.env=vars.env",
        "cmd[0].hotkey=ctrl+alt+e",
        "cmd[1].caption=Partial",
        "cmd[1].cmdline.showcmd=nonsense",
        "cmd[1].hotkey=Ctrl+NoSuchKey",
    }));
    ASSERT_EQ(table.Size(), 2u);
    const Command& a = table[0];
    EXPECT_EQ(JoinPath(a.path), "A/B/C");
    EXPECT_EQ(a.path.Count(), 3u);
    EXPECT_EQ(a.name, "C");
    // Blanks around the value go, its quotation marks stay.
    EXPECT_EQ(a.cmdline, "\"C:\\Program Files\\app.exe\" \"%1\"");
    EXPECT_EQ(a.dir, "C:\\work");
    EXPECT_EQ(a.showCmd, 3);
    EXPECT_EQ(a.envFile, "vars.env");
    EXPECT_EQ(a.virtualKey, 0x45);
    EXPECT_EQ(a.modifiers, 3);
    EXPECT_EQ(a.menuId, kNoId);
    EXPECT_EQ(a.hotkeyId, kNoId);

    const Command& b = table[1];
    EXPECT_EQ(b.showCmd, 1);
    EXPECT_EQ(b.virtualKey, 0);
    EXPECT_EQ(b.modifiers, 2);
    const std::vector<std::string> lines = table.ToLines();
    EXPECT_EQ(lines[3], "cmd[0].cmdline.showcmd=SW_MAXIMIZE");
    EXPECT_EQ(lines[11], "cmd[1].hotkey=Ctrl+");
}

TEST(CommandTableFormatTest, SaveThenLoadGivesTheSameTable)
{
    CommandTable table;
    table.Append(MakeCommand("ツール", ""));
    table.Append(MakeCommand("ツール/メモ帳", "\"C:\\Program Files\\memo.exe\" \"%1\"", 0x4E, 10));
    table.Append(MakeCommand("Quoted", "'single'", 0x70, 0));
    table.Append(MakeCommand("Service", "Service:Hotkey.Restart"));
    CommandTable loaded;
    loaded.LoadFrom(SectionOfLines(table.ToLines()));
    ASSERT_EQ(loaded.Size(), table.Size());
    for (std::size_t i = 0; i < table.Size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(JoinPath(loaded[i].path), JoinPath(table[i].path));
        EXPECT_EQ(loaded[i].name, table[i].name);
        EXPECT_EQ(loaded[i].cmdline, table[i].cmdline);
        EXPECT_EQ(loaded[i].virtualKey, table[i].virtualKey);
        EXPECT_EQ(loaded[i].modifiers, table[i].modifiers);
    }
}

// Hand-edited captions must survive the next save: a command saved with an
// empty caption would end every later load there, and a parent that reads
// back without its blank would lose its children.
TEST(CommandTableFormatTest, HandEditedCaptionsLoseNoCommandOnSave)
{
    const std::vector<std::string> stored = {
        "cmd[0].caption=Tools ",  "cmd[0].cmdline=",
        "cmd[1].caption=//",      "cmd[1].cmdline=slashes.exe",
        "cmd[2].caption=Tools /Editor", "cmd[2].cmdline=editor.exe",
        "cmd[3].caption=/",       "cmd[3].cmdline=slash.exe",
        "cmd[4].caption=Last",    "cmd[4].cmdline=last.exe",
    };
    CommandTable first;
    first.LoadFrom(SectionOfLines(stored));
    ASSERT_EQ(first.Size(), 5u);
    CommandTable second;
    second.LoadFrom(SectionOfLines(first.ToLines()));
    ASSERT_EQ(second.Size(), 5u);
    EXPECT_EQ(second[1].cmdline, "slashes.exe");
    EXPECT_EQ(second[4].cmdline, "last.exe");
    EXPECT_TRUE(IsParentPath(second[0].path, second[2].path));
    EXPECT_EQ(second.ToLines(), first.ToLines());
}

namespace {

// The load as six lookups by key per command, for every index the random
// sections use; an index without a caption holds no command.
CommandTable LoadByLookups(const IniSection& section)
{
    CommandTable table;
    for (std::size_t i = 0; i < 12; ++i) {
        const char* caption = section.Find(CmdTableKey(i, ".caption").c_str());
        if (caption == nullptr || caption[0] == '\0') continue;
        Command c;
        SplitCaption(caption, c.path, c.name);
        if (const char* v = section.Find(CmdTableKey(i, ".cmdline").c_str())) c.cmdline = v;
        if (const char* v = section.Find(CmdTableKey(i, ".cmdline.dir").c_str())) c.dir = v;
        const char* show = section.Find(CmdTableKey(i, ".cmdline.showcmd").c_str());
        c.showCmd = show ? ShowCmdFromName(show) : 1;
        if (const char* v = section.Find(CmdTableKey(i, ".cmdline.env").c_str())) c.envFile = v;
        if (const char* v = section.Find(CmdTableKey(i, ".hotkey").c_str())) ParseHotkey(v, c.virtualKey, c.modifiers);
        table.Append(std::move(c));
    }
    return table;
}

// The six fields of every command; `further` adds the further keys and the
// lines of no command.
std::string Describe(const CommandTable& table, bool further = false)
{
    CommandTable shown = table;
    if (!further) {
        for (Command& c : shown) c.moreKeys.clear();
        shown.SetOtherLines({});
    }
    std::string out;
    for (const std::string& line : shown.ToLines()) out += line + "\n";
    return out;
}

std::string LowerAscii(std::string text)
{
    for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

} // namespace

TEST(CommandTableFormatTest, LoadEqualsLookupsByKeyOnRandomSections)
{
    // Keys in other letter case, repeated, out of order, with leading zeros,
    // blanks or unknown fields, and indexes with gaps.
    const char* const prefixes[] = {"cmd[", "CMD[", "Cmd[", " cmd[", "cmd[0", "cmd[+", "cmd [", "x"};
    const char* const fields[] = {".caption", ".cmdline", ".cmdline.dir", ".cmdline.showcmd", ".cmdline.env",
                                  ".hotkey", ".CAPTION", ".Hotkey", ".caption ", ".other", ""};
    const char* const values[] = {"A", "A/B", "", " B ", "A/B/C", "SW_HIDE", "Ctrl+Alt+E", "\"q\"", "Shift+"};
    std::mt19937 random(8);
    for (int t = 0; t < 300; ++t) {
        std::vector<std::string> lines;
        const int count = static_cast<int>(random() % 40);
        for (int n = 0; n < count; ++n) {
            // Mostly well-formed keys of low indexes, so that tables load.
            const bool plain = random() % 4 != 0;
            std::string key = plain ? "cmd[" : prefixes[random() % 8];
            key += std::to_string(random() % (plain ? 6 : 12)) + "]" + fields[random() % (plain ? 6 : 11)];
            lines.push_back(key + "=" + values[random() % 9]);
        }
        const IniSection section = SectionOfLines(lines);
        CommandTable loaded;
        loaded.LoadFrom(section);
        const std::string expected = Describe(LoadByLookups(section));
        ASSERT_EQ(Describe(loaded), expected) << "section " << t;
        // Straight from the file's text: in order or not, the same table.
        std::string text = "[CmdTable]\r\n";
        for (const std::string& line : lines) text += line + "\r\n";
        CommandTable fromText;
        fromText.LoadFromText(text);
        ASSERT_EQ(Describe(fromText), expected) << "section " << t;
        // Both loads keep the same further keys and lines; the section read
        // gives keys in lower case.
        ASSERT_EQ(LowerAscii(Describe(fromText, true)), LowerAscii(Describe(loaded, true))) << "section " << t;
    }
}

namespace {

// A command's six lines formed the plain way, key by key.
std::string PlainLines(std::size_t i, const Command& c)
{
    const auto line = [&](const char* field, std::string value) {
        for (char& ch : value) {
            if (ch == '\r' || ch == '\n' || ch == '\0') ch = ' ';
        }
        return CmdTableKey(i, field) + "=" + value + "\r\n";
    };
    std::string hotkey;
    FormatHotkey(c.virtualKey, c.modifiers, hotkey);
    return line(".caption", JoinPath(c.path)) + line(".cmdline", c.cmdline) + line(".cmdline.dir", c.dir) +
           line(".cmdline.showcmd", ShowCmdToName(c.showCmd)) + line(".cmdline.env", c.envFile) +
           line(".hotkey", hotkey);
}

} // namespace

TEST(CommandTableFormatTest, TextInPiecesIsTheTextFormedKeyByKey)
{
    const char* const texts[] = {"", "a", "メモ帳", " blank ", "line\r\nbreak", "tab\tin", "q\"%1\""};
    std::mt19937 random(11);
    CommandTable table;
    std::string expected;
    for (std::size_t i = 0; i < 300; ++i) {
        Command c;
        const int levels = static_cast<int>(random() % 3);
        for (int n = 0; n <= levels; ++n) c.path.Append(n == levels ? "leaf\nx" : texts[1 + random() % 3]);
        c.cmdline = random() % 2 ? std::string("nul\0x", 5) : texts[random() % 7];
        c.dir = texts[random() % 7];
        c.envFile = texts[random() % 7];
        c.showCmd = static_cast<int>(random() % 14) - 1;
        if (random() % 5 == 0) {
            c.virtualKey = 0x41 + static_cast<int>(random() % 26);
            c.modifiers = static_cast<int>(random() % 16);
        }
        expected += PlainLines(i, c);
        table.Append(std::move(c));
    }
    EXPECT_EQ(table.ToText(), expected);
    // Pieces of any size join to the same text, each one whole commands.
    for (std::size_t limit : {1u, 100u, 5000u}) {
        std::string joined, piece;
        for (std::size_t next = 0; next < table.Size();) {
            piece.clear();
            next = table.AppendText(next, limit, piece);
            ASSERT_TRUE(piece.compare(0, 4, "cmd[") == 0);
            joined += piece;
        }
        EXPECT_EQ(joined, expected) << limit;
    }
}

// Keys this version does not know, and the options, belong to their command
// and go where it goes; a table with none of them saves as it always did.
TEST(CommandTableFormatTest, FurtherKeysAndLinesOfNoCommandAreKeptInOrder)
{
    const std::string six = "cmd[0].caption=A\r\ncmd[0].cmdline=a.exe\r\ncmd[0].cmdline.dir=\r\n"
                            "cmd[0].cmdline.showcmd=SW_SHOWNORMAL\r\ncmd[0].cmdline.env=\r\ncmd[0].hotkey=\r\n";
    const struct {
        const char* name;
        std::string section;
        std::string saved;
    } cases[] = {
        {"in order", six + "cmd[0].Future=x\r\ncmd[0].running=activate\r\nVersion=2\r\nbare\r\n",
         six + "cmd[0].Future=x\r\ncmd[0].running=activate\r\nVersion=2\r\nbare\r\n"},
        // Before its caption, across a dropped index and a gap: renumbered with its command.
        {"out of order", "cmd[4].window=*Memo*\r\ncmd[1].other=dropped\r\n"
                         "cmd[4].caption=A\r\ncmd[4].cmdline=a.exe\r\n",
         six + "cmd[0].window=*Memo*\r\n"},
        {"none", six, six},
    };
    for (const auto& c : cases) {
        CommandTable table;
        table.LoadFromText("[CmdTable]\r\n" + c.section);
        EXPECT_EQ(table.ToText(), c.saved) << c.name;
    }

    Command command;
    command.moreKeys = {{".Future", "x"}, {".RUNNING", "toggle"}, {".running", "cycle"}};
    EXPECT_EQ(ParseRunningMode(CommandOption(command, kRunningField)), RunningMode::kToggle);
    SetCommandOption(command, kRunningField, "activate");  // in place, the repeat kept
    SetCommandOption(command, kWindowField, "Line\r\nbreak");
    CommandTable table;
    table.Append(command);
    table[0].path = {};
    SplitCaption("B", table[0].path, table[0].name);
    const std::string text = table.ToText();
    EXPECT_NE(text.find("cmd[0].Future=x\r\ncmd[0].RUNNING=activate\r\ncmd[0].running=cycle\r\n"
                        "cmd[0].window=Line  break\r\n"),
              std::string::npos)
        << text;
    SetCommandOption(command, kRunningField, "");  // the default stores nothing
    ASSERT_EQ(command.moreKeys.size(), 2u);
    EXPECT_EQ(command.moreKeys[1].field, kWindowField);
    EXPECT_EQ(ParseRunningMode("Cycle"), RunningMode::kCycle);
    EXPECT_EQ(ParseRunningMode("later"), RunningMode::kStart);
    EXPECT_TRUE(RunsAsAdmin("Admin"));
    EXPECT_TRUE(MergesEnvironment("merge"));
    EXPECT_FALSE(MergesEnvironment("replace"));
}
