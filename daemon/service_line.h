#pragma once

#include <memory>

// Service command lines: "Service:Name args" or "TesselService:\Name args".
// Platform-free, so it builds and is tested on the host as well.

// The text right after a service prefix at the very start of `cmdline`
// (compared without regard to ASCII case), or null for any other line.
const char* MatchServicePrefix(const char* cmdline);

// True when the two texts are equal apart from the case of A-Z.
bool EqualsIgnoreAsciiCase(const char* a, const char* b);

// The tokens of a service line: one copy of the text cut by NULs, and one
// vector of pointers into it (null-terminated, like a C argv).
class ServiceTokens {
public:
    int Count() const { return count_; }
    char** Vector() const { return vector_.get(); }

private:
    friend bool SplitServiceLine(const char* text, ServiceTokens& tokens);
    std::unique_ptr<char[]> copy_;
    std::unique_ptr<char*[]> vector_;
    int count_ = 0;
};

// Splits at blanks outside quotes, stepping by multibyte character; a run of
// blanks separates once, at its last blank. False only when memory runs out
// (or the text is too long to count), leaving `tokens` empty.
bool SplitServiceLine(const char* text, ServiceTokens& tokens);
