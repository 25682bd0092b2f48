#include "command_line_path.h"

#include "multibyte.h"

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
