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
    const char* last = nullptr;
    for (const char* p = text; *p != '\0'; p = NextChar(p)) {
        if (!IsBlank(*p)) {
            last = p;
            end = NextChar(p);
        }
    }
    if (last != nullptr && last != text && *text == '"' && *last == '"' && end == last + 1) {
        return std::string(text + 1, last);
    }
    return std::string(text, end);
}
