// The command table in a settings file: whatever the file holds, the table
// loaded from its CmdTable section is saved into the file's text, loads back
// equal from there, and saving it again changes nothing. The load straight
// from the file's text gives the table the section read gives.
#include "commands/command_table.h"
#include "settings/ini_section.h"
#include "settings/ini_text.h"

#include "fuzz_text.h"

#include <cstring>

namespace {

CommandTable LoadTable(const std::string& fileText)
{
    const std::string block = IniSectionBlock(fileText, kCmdTableSection);
    IniSection section;
    section.Parse(block.data(), block.size());
    CommandTable table;
    table.LoadFrom(section);
    return table;
}

std::string Lower(std::string text)
{
    for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

// Further keys compare without letter case: the section read gives lower-case keys.
bool SameCommand(const Command& a, const Command& b)
{
    if (a.moreKeys.size() != b.moreKeys.size()) return false;
    for (std::size_t i = 0; i < a.moreKeys.size(); ++i) {
        if (Lower(a.moreKeys[i].field) != Lower(b.moreKeys[i].field) || a.moreKeys[i].value != b.moreKeys[i].value) {
            return false;
        }
    }
    return JoinPath(a.path) == JoinPath(b.path) && a.name == b.name && a.cmdline == b.cmdline &&
           a.dir == b.dir && a.showCmd == b.showCmd && a.envFile == b.envFile &&
           a.virtualKey == b.virtualKey && a.modifiers == b.modifiers;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string file(reinterpret_cast<const char*>(data), size);
    const CommandTable loaded = LoadTable(file);
    CommandTable direct;
    direct.LoadFromText(file);
    FUZZ_CHECK(direct.Size() == loaded.Size());
    for (std::size_t i = 0; i < loaded.Size(); ++i) FUZZ_CHECK(SameCommand(loaded[i], direct[i]));

    const std::string lines = loaded.ToText();
    std::size_t count = 0;
    for (std::size_t at = lines.find("\r\n"); at != std::string::npos; at = lines.find("\r\n", at + 2)) ++count;
    std::size_t expected = loaded.OtherLines().size();
    for (const Command& c : loaded) expected += 6 + c.moreKeys.size();
    FUZZ_CHECK(count == expected);
    FUZZ_CHECK(direct.OtherLines().size() == loaded.OtherLines().size());
    FUZZ_CHECK(std::strlen(lines.c_str()) == lines.size());

    const std::string saved = ReplaceIniSection(file, kCmdTableSection, lines);
    const CommandTable reloaded = LoadTable(saved);
    FUZZ_CHECK(reloaded.Size() == loaded.Size());
    for (std::size_t i = 0; i < loaded.Size(); ++i) FUZZ_CHECK(SameCommand(loaded[i], reloaded[i]));
    FUZZ_CHECK(reloaded.ToText() == lines);
    FUZZ_CHECK(ReplaceIniSection(saved, kCmdTableSection, reloaded.ToText()) == saved);
    return 0;
}
