#include "title_pattern.h"

#include "settings/multibyte.h"

#include <cstring>

namespace {

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whole characters only: a trail byte is never compared with a single-byte
// character, and only single-byte letters are folded (trail bytes include 'A'-'Z').
bool SameChar(const char* a, const char* b)
{
    const std::size_t length = static_cast<std::size_t>(NextChar(a) - a);
    if (length != static_cast<std::size_t>(NextChar(b) - b)) return false;
    if (length == 1) return FoldAscii(*a) == FoldAscii(*b);
    return std::memcmp(a, b, length) == 0;
}

} // namespace

bool MatchTitlePattern(const char* pattern, const char* title)
{
    // Greedy with one point of return: on a mismatch the last `*` takes one
    // more character. Linear in practice, never exponential.
    const char* afterStar = nullptr;
    const char* starTaken = nullptr;
    while (*title != '\0') {
        if (*pattern == '*') {
            afterStar = ++pattern;
            starTaken = title;
        } else if (*pattern != '\0' && (*pattern == '?' || SameChar(pattern, title))) {
            pattern = NextChar(pattern);
            title = NextChar(title);
        } else if (afterStar != nullptr) {
            starTaken = NextChar(starTaken);
            pattern = afterStar;
            title = starTaken;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}
