#pragma once

// Letter case of ASCII alone: keys, service names and option values are
// ASCII words, and a double-byte character's second byte must never fold.

#include <string_view>

inline char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal but for the case of ASCII letters, byte for byte otherwise.
inline bool EqualsAsciiNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}
