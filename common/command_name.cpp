#include "command_name.h"

#include "multibyte.h"

#include <cstring>

bool IsValidCommandName(const char* text)
{
    if (text == nullptr || *text == '\0') return false;
    for (const char* p = text; *p != '\0'; p = NextChar(p)) {
        if (std::strchr(":?!\\/", *p) != nullptr) return false;
    }
    return true;
}
