// The CmdTable section: whatever section a file holds, the table loaded from
// it saves to lines that load back into the same table, and saving that
// table again writes the same lines.
#include "command_table.h"
#include "ini_section.h"

#include "fuzz_text.h"

#include <cstring>
#include <vector>

namespace {

// The lines as the platform's section read returns them: each ended by a
// NUL, one more NUL after the last.
std::string Block(const std::vector<std::string>& lines)
{
    std::string block;
    for (const std::string& line : lines) {
        block += line;
        block.push_back('\0');
    }
    block.push_back('\0');
    return block;
}

CommandTable LoadTable(const std::string& block)
{
    IniSection section;
    section.Parse(block.data(), block.size());
    CommandTable table;
    table.LoadFrom(section);
    return table;
}

bool SameCommand(const Command& a, const Command& b)
{
    return JoinPath(a.path) == JoinPath(b.path) && a.name == b.name && a.cmdline == b.cmdline &&
           a.dir == b.dir && a.showCmd == b.showCmd && a.envFile == b.envFile &&
           a.virtualKey == b.virtualKey && a.modifiers == b.modifiers;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A file's lines: a line break ends a line, as in the file the block came from.
    std::string block(reinterpret_cast<const char*>(data), size);
    for (char& c : block) {
        if (c == '\n' || c == '\r') c = '\0';
    }
    block.append(2, '\0');

    const CommandTable loaded = LoadTable(block);
    const std::vector<std::string> saved = loaded.ToLines();
    FUZZ_CHECK(saved.size() == loaded.Size() * 6);
    for (const std::string& line : saved) {
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
        FUZZ_CHECK(std::strlen(line.c_str()) == line.size());
    }

    const CommandTable reloaded = LoadTable(Block(saved));
    FUZZ_CHECK(reloaded.Size() == loaded.Size());
    for (std::size_t i = 0; i < loaded.Size(); ++i) FUZZ_CHECK(SameCommand(loaded[i], reloaded[i]));
    FUZZ_CHECK(reloaded.ToLines() == saved);
    return 0;
}
