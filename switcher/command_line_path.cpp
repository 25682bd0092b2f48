#include "command_line_path.h"

#include "settings/multibyte.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::string PathFromCommandLine(const char* text)
{
    if (text == nullptr) return std::string();
    while (IsBlank(*text)) ++text;
    // The end of the text without trailing blanks, found by character so that
    // no second byte of a double-byte character is taken for a blank or a mark.
    const char* end = text;
    for (const char* p = text; *p != '\0'; p = NextChar(p)) {
        if (!IsBlank(*p)) end = NextChar(p);
    }
    // Quotation marks are stored with the path: the profile read drops the
    // one enclosing pair. Only a bare pair means no path at all.
    if (end == text + 2 && text[0] == '"' && text[1] == '"') return std::string();
    return std::string(text, end);
}

std::string PathAsRead(const std::string& stored)
{
    const std::string path = PathFromCommandLine(stored.c_str());
    // Neither mark can be the second byte of a double-byte character.
    const bool quoted = path.size() >= 2 && (path[0] == '"' || path[0] == '\'') && path.back() == path[0];
    return quoted ? path.substr(1, path.size() - 2) : path;
}
