#include "title_pattern.h"

#include <gtest/gtest.h>

namespace {

// In code page 932 "\x83\x41" is one character whose trail byte is 'A'.
TEST(MatchTitlePattern, MatchesWholeTitlesByCharacter)
{
    struct Case {
        const char* pattern;
        const char* title;
        bool matches;
    } cases[] = {
        {"Notepad", "NOTEPAD", true},
        {"Notepad", "Notepad2", false},
        {"", "", true},
        {"", "x", false},
        {"*", "", true},
        {"**", "anything", true},
        {"*.txt - Notepad", "a.txt - Notepad", true},
        {"*.txt - Notepad", "a.txt - Notepad2", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a?c", "abbc", false},
        {"*ab", "aab", true},
        {"a*b*c", "axbyc", true},
        {"a*b", "axbyc", false},
        {"*report*", "Report.doc - Editor", true},
        // A double-byte character is one character to `?`...
        {"a?c", "a\x83\x41" "c", true},
        {"a??c", "a\x83\x41" "c", false},
        // ...its trail byte is neither a letter to fold nor a place to stop at.
        {"\x83\x61", "\x83\x41", false},
        {"*A", "\x83\x41", false},
        {"*\x83\x41", "x\x83\x41", true},
        {"\x83\x41*", "\x83\x41\x83\x41", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " | " + c.title);
        EXPECT_EQ(MatchTitlePattern(c.pattern, c.title), c.matches);
    }
}

} // namespace
