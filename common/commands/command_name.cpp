#include "commands/command_name.h"

#include "settings/multibyte.h"
#include "settings/settings_blank.h"

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
