#pragma once

#include <string>

// The path to make current from the switcher's command line: the whole line,
// without surrounding blanks, quotation marks and all (the profile read drops
// one enclosing pair). A bare "" is no path.
std::string PathFromCommandLine(const char* text);

// The path that reading the stored text back through the profile functions
// gives: without surrounding blanks and one enclosing pair of matching
// quotation marks ('"' or "'").
std::string PathAsRead(const std::string& stored);
