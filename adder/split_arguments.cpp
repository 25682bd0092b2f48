#include "split_arguments.h"

#include "settings/multibyte.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Copies the character at p (one or two bytes) and returns the next one.
const char* CopyChar(const char* p, std::string& target)
{
    const char* next = NextChar(p);
    target.append(p, next);
    return next;
}

const char* ReadProgramName(const char* p, std::string& target)
{
    bool quoted = false;
    while (*p != '\0' && (quoted || !IsBlank(*p))) {
        if (*p == '"') {
            quoted = !quoted;
            ++p;
        } else {
            p = CopyChar(p, target);
        }
    }
    return p;
}

const char* ReadArgument(const char* p, std::string& target)
{
    bool quoted = false;
    for (;;) {
        std::size_t slashes = 0;
        while (*p == '\\') {
            ++p;
            ++slashes;
        }
        bool copyQuote = true;
        if (*p == '"') {
            if (slashes % 2 == 0) {
                // Inside quotes "" stands for one mark, and still ends the quoting
                // (the older runtime's rule, which programs of this kind were built with).
                if (quoted && p[1] == '"') {
                    ++p;
                } else {
                    copyQuote = false;
                }
                quoted = !quoted;
            }
            slashes /= 2;
        }
        target.append(slashes, '\\');
        if (*p == '\0' || (!quoted && IsBlank(*p))) return p;
        if (*p == '"') {
            if (copyQuote) target += '"';
            ++p;
        } else {
            p = CopyChar(p, target);
        }
    }
}

} // namespace

std::vector<std::string> SplitArguments(const char* text)
{
    std::vector<std::string> arguments(1);
    if (text == nullptr) return arguments;
    const char* p = ReadProgramName(text, arguments[0]);
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (*p == '\0') break;
        arguments.emplace_back();
        p = ReadArgument(p, arguments.back());
    }
    return arguments;
}
