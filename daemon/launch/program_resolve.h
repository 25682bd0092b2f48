#pragma once

#include "program_candidates.h"

#include <string_view>

// The program a command line starts, as the platform finds it: the readings
// of ProgramCandidates in CreateProcess's order, each looked up on the search
// path with ".exe" added when it has no extension; failing that, a bare name
// in the shell's App Paths (the user's, then the machine's). `program` is the
// full long path, empty when nothing is found. Looked up only when a command
// runs: it touches the disk and the registry.
ProgramSplit ResolveProgram(std::string_view commandLine);
