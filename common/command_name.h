#pragma once

// A command name is valid when it is not empty and holds none of
// ":", "?", "!", "\" and "/" as a character of its own (the second byte of a
// double-byte character does not count).
bool IsValidCommandName(const char* text);
