#include "file_command.h"

#include "adder_resource.h"
#include "base_name.h"
#include "commands/command_name.h"
#include "commands/command_table.h"
#include "platform/message_box.h"

#include <windows.h>

bool AddFileCommand(CommandTable& table, const char* argument)
{
    // A relative argument is found from the program directory, which opening
    // the settings file has made the current directory.
    if (argument == nullptr || argument[0] == '\0') return false;
    if (GetFileAttributesA(argument) == INVALID_FILE_ATTRIBUTES) return false;

    // A file name may start with a blank, which no command name can keep.
    const std::string name = TrimCommandName(FileBaseName(argument).c_str());
    if (!IsValidCommandName(name.c_str())) {
        ShowError(nullptr, IDS_INVALID_COMMAND_NAME, name.c_str());
        return false;
    }
    Command command;
    if (!command.path.Append(name.c_str(), name.size())) return false;
    command.name = name;
    command.cmdline = argument;
    table.Append(std::move(command));
    return true;
}
