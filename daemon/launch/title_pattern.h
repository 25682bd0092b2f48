#pragma once

// True when the whole title matches the pattern: `*` stands for any run of
// characters, `?` for exactly one, a double-byte character of the code page
// counting as one; every other character matches itself, ASCII letters
// without regard to case.
bool MatchTitlePattern(const char* pattern, const char* title);
