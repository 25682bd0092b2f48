#pragma once

#include <string>

// A command name is valid when it is not empty, holds none of
// ":", "?", "!", "\" and "/" as a character of its own (the second byte of a
// double-byte character does not count), and has no blank at either end:
// the profile read drops such blanks, and a name that read back otherwise
// would cut its children off from it.
bool IsValidCommandName(const char* text);

// The name the user meant: the text without blanks at either end.
std::string TrimCommandName(const char* text);
