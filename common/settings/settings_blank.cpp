#include "settings/settings_blank.h"

bool IsSettingsBlank(char c)
{
    // The reader also takes ^Z (the DOS end of file) for a blank. None of
    // these is ever the second byte of a double-byte character.
    return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a';
}

void TrimBlanks(const char*& begin, const char*& end)
{
    while (begin < end && IsSettingsBlank(*begin)) ++begin;
    while (end > begin && IsSettingsBlank(end[-1])) --end;
}
