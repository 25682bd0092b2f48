#include "service_line.h"

#include "settings/ascii_case.h"
#include "settings/multibyte.h"

#include <climits>
#include <initializer_list>
#include <cstring>
#include <new>

namespace {

// The length of `prefix` when `text` starts with it, ignoring ASCII case; else 0.
size_t PrefixLength(const char* text, const char* prefix)
{
    size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return 0;
    }
    return i;
}

enum class Quote { kNone, kSingle, kDouble };

// Walks the text once; calls cut(p) for every separator blank.
template <typename Cut>
void ForEachSeparator(char* text, Cut cut)
{
    Quote quote = Quote::kNone;
    for (char* p = text; *p != '\0';) {
        char* next = const_cast<char*>(NextChar(p));
        // A two-byte character is never a quote or a blank, whatever its trail byte.
        if (next - p == 1) {
            switch (quote) {
            case Quote::kNone:
                if (*p == '\'') {
                    quote = Quote::kSingle;
                } else if (*p == '"') {
                    quote = Quote::kDouble;
                } else if (*p == ' ' && *next != ' ') {
                    cut(p);
                }
                break;
            case Quote::kSingle:
                if (*p == '\'') quote = Quote::kNone;
                break;
            case Quote::kDouble:
                if (*p == '"') quote = Quote::kNone;
                break;
            }
        }
        p = next;
    }
}

} // namespace

const char* MatchServicePrefix(const char* cmdline)
{
    if (cmdline == nullptr) return nullptr;
    for (const char* prefix : {"Service:", "TesselService:\\"}) {
        if (size_t n = PrefixLength(cmdline, prefix)) return cmdline + n;
    }
    return nullptr;
}

bool EqualsIgnoreAsciiCase(const char* a, const char* b)
{
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (AsciiLower(*a) != AsciiLower(*b)) return false;
    }
    return *a == *b;
}

bool SplitServiceLine(const char* text, ServiceTokens& tokens)
{
    tokens = ServiceTokens();
    size_t length = std::strlen(text);
    if (length >= static_cast<size_t>(INT_MAX)) return false;
    std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
    if (!copy) return false;
    std::memcpy(copy.get(), text, length + 1);

    size_t separators = 0;
    ForEachSeparator(copy.get(), [&](char*) { ++separators; });
    std::unique_ptr<char*[]> vector(new (std::nothrow) char*[separators + 2]);
    if (!vector) return false;

    size_t count = 0;
    vector[count++] = copy.get();
    ForEachSeparator(copy.get(), [&](char* p) {
        *p = '\0';
        vector[count++] = p + 1;
    });
    vector[count] = nullptr;

    tokens.copy_ = std::move(copy);
    tokens.vector_ = std::move(vector);
    tokens.count_ = static_cast<int>(count);
    return true;
}
