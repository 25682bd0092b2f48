// Apart from the load, so that a program that only loads the table links
// no writer of settings files.
#include "commands/command_table.h"

#include "settings/settings_file.h"

bool CommandTable::Save(SettingsFile& file) const
{
    // Written in pieces of about 64 KB from one buffer: the text of tens of
    // thousands of commands is never in memory whole.
    return file.WriteSectionLines(kCmdTableSection, TextPieces(64 * 1024));
}
