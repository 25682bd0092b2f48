#pragma once

#include <string>

// The file-name part of a path as the C runtime's path split gives it: the
// last component after any drive, "\" or "/", without its last extension.
// C:\data\report.final.txt gives report.final; C:\dir\.profile gives "".
// Steps by character, so a double-byte character ending in 0x5C is no separator.
std::string FileBaseName(const char* path);
