#pragma once

#include <string>
#include <vector>

// Splits a command line into arguments by the C runtime's argv rules. The
// first argument follows the rule for a program name (quotation marks toggle
// quoting, backslashes are plain); the others the rules for backslash runs
// and doubled quotation marks. A double-byte character is copied whole: its
// second byte is never a blank, a backslash or a quotation mark.
// An empty text gives one empty argument.
std::vector<std::string> SplitArguments(const char* text);
