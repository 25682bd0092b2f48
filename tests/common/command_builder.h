#pragma once

#include "commands/command.h"

// A command as the tests need it: a caption, a command line and a hotkey.
inline Command MakeCommand(const char* caption, const char* cmdline, int key = 0, int modifiers = 0)
{
    Command c;
    SplitCaption(caption, c.path, c.name);
    c.cmdline = cmdline;
    c.virtualKey = key;
    c.modifiers = modifiers;
    return c;
}
