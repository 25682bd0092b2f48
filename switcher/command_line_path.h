#pragma once

#include <string>

// The path to make current from the switcher's command line: the whole line,
// without surrounding blanks and without one pair of enclosing quotation marks.
// The marks must go here: the profile write keeps a quoted value quoted, and
// a quoted path names no file for the programs that read it back.
std::string PathFromCommandLine(const char* text);
