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

void TrimBlanks(const char*& begin, const char*& end)
{
    // The blanks the settings files' reader removes around a value, so that a
    // caption reads back as it was split. None is ever the second byte of a
    // double-byte character.
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (begin < end && blank(*begin)) ++begin;
    while (end > begin && blank(end[-1])) --end;
}
