#include "command_name.h"

#include "multibyte.h"

#include <cstring>

namespace {

// Neither is ever the second byte of a double-byte character.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

bool IsValidCommandName(const char* text)
{
    if (text == nullptr || *text == '\0') return false;
    if (IsBlank(text[0]) || IsBlank(text[std::strlen(text) - 1])) return false;
    for (const char* p = text; *p != '\0'; p = NextChar(p)) {
        if (std::strchr(":?!\\/", *p) != nullptr) return false;
    }
    return true;
}

std::string TrimCommandName(const char* text)
{
    if (text == nullptr) return std::string();
    const char* end = text + std::strlen(text);
    while (IsBlank(*text)) ++text;
    while (end > text && IsBlank(end[-1])) --end;
    return std::string(text, end);
}
