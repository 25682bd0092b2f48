#pragma once

#include <cstddef>

// Conversion of an environment file into an environment block: CR and CR LF
// end a line (one NUL), every other byte is copied, a lone LF included. Two
// NULs close the block, so an empty line ends it. `out` must hold size + 2
// bytes; returns the block's length (bytes before the two closing NULs).
size_t ConvertEnvironmentText(const char* in, size_t size, char* out);
