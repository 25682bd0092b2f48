#include "base_name.h"

#include "settings/multibyte.h"

std::string FileBaseName(const char* path)
{
    if (path == nullptr) return std::string();
    const char* name = path;
    const char* dot = nullptr;
    for (const char* p = path; *p != '\0'; p = NextChar(p)) {
        if (*p == '\\' || *p == '/' || (*p == ':' && p == path + 1)) {
            name = p + 1;
            dot = nullptr;
        } else if (*p == '.') {
            dot = p;
        }
    }
    return dot != nullptr ? std::string(name, dot) : std::string(name);
}
