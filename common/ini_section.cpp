#include "ini_section.h"

#include "command_name.h"

#include <algorithm>
#include <cstring>

namespace {

std::string LowerAscii(const char* begin, const char* end)
{
    std::string s(begin, end);
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

} // namespace

void IniSection::Parse(const char* block, std::size_t size)
{
    const char* p = block;
    const char* const stop = block + size;
    // One bucket array for the whole block: growing it line by line rehashes
    // every key again and again.
    values_.reserve(values_.size() + static_cast<std::size_t>(std::count(block, stop, '\0')));
    while (p < stop && *p != '\0') {
        const char* lineEnd = static_cast<const char*>(std::memchr(p, '\0', stop - p));
        if (lineEnd == nullptr) lineEnd = stop;
        const char* eq = static_cast<const char*>(std::memchr(p, '=', lineEnd - p));
        const char* keyBegin = p;
        const char* keyEnd = eq ? eq : lineEnd;
        TrimBlanks(keyBegin, keyEnd);
        if (keyBegin < keyEnd) {
            const char* valueBegin = eq ? eq + 1 : lineEnd;
            const char* valueEnd = lineEnd;
            TrimBlanks(valueBegin, valueEnd);
            std::string value(valueBegin, valueEnd);
            values_.emplace(LowerAscii(keyBegin, keyEnd), std::move(value));
        }
        p = lineEnd + 1;
    }
}

const std::string* IniSection::Find(const char* key) const
{
    auto it = values_.find(LowerAscii(key, key + std::strlen(key)));
    return it == values_.end() ? nullptr : &it->second;
}

bool BoolFromWord(const std::string* text)
{
    if (text == nullptr || text->empty()) return false;
    for (const char* word : {"false", "null", "void", "0"}) {
        if (*text == word) return false;
    }
    return true;
}
