#include "commands/command_table.h"

#include "settings/ini_section.h"
#include "settings/settings_file.h"

// One section read instead of six reads per command: per-key reads parse the
// file again and again (seconds for a few thousand commands).
bool CommandTable::Load(const SettingsFile& file)
{
    if (file.ReadText([this](std::string_view text) { LoadFromText(text); })) return true;
    IniSection section;
    if (file.ReadSection(kCmdTableSection, section)) LoadFrom(section);
    return true;
}
