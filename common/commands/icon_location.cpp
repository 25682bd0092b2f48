#include "commands/icon_location.h"

#include <climits>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// A whole decimal number with an optional sign that fits an int.
bool ParseIndex(std::string_view text, int& index)
{
    text = Trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) value = -value;
    if (value > INT_MAX || value < INT_MIN) return false;
    index = static_cast<int>(value);
    return true;
}

} // namespace

bool ParseIconLocation(std::string_view text, IconLocation& location)
{
    text = Trimmed(text);
    std::string_view path = text;
    int index = 0;
    // Commas are single-byte and never the second byte of a double-byte
    // character in the code pages in use, so the search may go by byte.
    const std::size_t comma = text.rfind(',');
    if (comma != std::string_view::npos && ParseIndex(text.substr(comma + 1), index)) {
        path = Trimmed(text.substr(0, comma));
    } else {
        index = 0;
    }
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = Trimmed(path.substr(1, path.size() - 2));
    if (path.empty()) return false;
    location.path.assign(path.data(), path.size());
    location.index = index;
    return true;
}
