#pragma once

class CommandTable;

// Appends a top-level command for the file or folder `argument`: caption its
// base name, command line the argument as given. False, silently, when the
// argument is empty or names nothing; false after error box 101 when the base
// name cannot be a command name.
bool AddFileCommand(CommandTable& table, const char* argument);
