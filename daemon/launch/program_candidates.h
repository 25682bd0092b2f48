#pragma once

#include <string>
#include <string_view>
#include <vector>

// One way to read a command line: the program and what follows it.
struct ProgramSplit {
    std::string program;
    std::string arguments;  // blanks after the program removed
};

// The readings CreateProcess tries, in its order. A quoted first token is the
// only one. Otherwise the line is cut at each blank in turn, so
// `C:\Program Files\a b.exe x` gives `C:\Program`, `C:\Program Files\a`,
// `C:\Program Files\a b.exe` and the whole line; a path holds no quote, so
// the cuts stop at the first one. Steps by character of the code page.
std::vector<ProgramSplit> ProgramCandidates(std::string_view commandLine);
