#include "command_name.h"

#include "multibyte.h"

#include <cstring>

bool IsValidCommandName(const char* text)
{
    if (text == nullptr || *text == '\0') return false;
    const char* begin = text;
    const char* end = text + std::strlen(text);
    TrimBlanks(begin, end);
    if (begin != text || *end != '\0') return false;
    for (const char* p = text; *p != '\0'; p = NextChar(p)) {
        if (std::strchr(":?!\\/", *p) != nullptr) return false;
    }
    return true;
}

std::string TrimCommandName(const char* text)
{
    if (text == nullptr) return std::string();
    const char* end = text + std::strlen(text);
    TrimBlanks(text, end);
    return std::string(text, end);
}

bool IsSettingsBlank(char c)
{
    // The reader also takes ^Z (the DOS end of file) for a blank. None of
    // these is ever the second byte of a double-byte character.
    return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a';
}

void TrimBlanks(const char*& begin, const char*& end)
{
    // The blanks the settings files' reader removes around a value, so that a
    // caption reads back as it was split.
    while (begin < end && IsSettingsBlank(*begin)) ++begin;
    while (end > begin && IsSettingsBlank(end[-1])) --end;
}
