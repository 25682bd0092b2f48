#include "settings/ini_section.h"

#include "settings/ascii_case.h"
#include "settings/ini_text.h"
#include "settings/settings_blank.h"

#include <algorithm>
#include <cstring>

namespace {

void Trim(char*& begin, char*& end)
{
    while (begin < end && IsSettingsBlank(*begin)) ++begin;
    while (end > begin && IsSettingsBlank(end[-1])) --end;
}

} // namespace

void IniSection::Parse(const char* block, std::size_t size)
{
    entries_.clear();
    sorted_.clear();
    // One NUL more, so that the last line ends even in a block cut without one.
    text_.assign(block, size);
    text_.push_back('\0');
    char* const base = &text_[0];
    char* p = base;
    char* const stop = base + size;
    while (p < stop && *p != '\0') {
        char* lineEnd = static_cast<char*>(std::memchr(p, '\0', static_cast<std::size_t>(stop - p)));
        if (lineEnd == nullptr) lineEnd = stop;
        char* eq = static_cast<char*>(std::memchr(p, '=', static_cast<std::size_t>(lineEnd - p)));
        char* keyBegin = p;
        char* keyEnd = eq ? eq : lineEnd;
        Trim(keyBegin, keyEnd);
        if (keyBegin < keyEnd) {
            char* valueBegin = eq ? eq + 1 : lineEnd;
            char* valueEnd = lineEnd;
            Trim(valueBegin, valueEnd);
            // Both ends become NULs in place: the key's end is the "=" or a
            // blank before it, the value's is the line's NUL or a blank.
            *valueEnd = '\0';
            *keyEnd = '\0';
            for (char* c = keyBegin; c < keyEnd; ++c) *c = AsciiLower(*c);
            entries_.push_back({static_cast<std::uint32_t>(keyBegin - base), static_cast<std::uint32_t>(valueBegin - base)});
        }
        p = lineEnd + 1;
    }
}

void IniSection::ParseText(std::string_view text, const char* section, bool keepCase)
{
    entries_.clear();
    sorted_.clear();
    text_.clear();
    // Room for the whole file: pages never written cost nothing.
    text_.reserve(text.size() + 1);
    ForEachIniSectionLine(text, section, [this, keepCase](std::string_view key, const std::string_view* value) {
        // Lines without a key are left out, as Parse leaves them.
        if (key.empty()) return;
        const std::size_t keyAt = text_.size();
        text_.append(key);
        if (!keepCase) {
            for (std::size_t i = keyAt; i < text_.size(); ++i) text_[i] = AsciiLower(text_[i]);
        }
        text_ += '\0';
        const std::size_t valueAt = text_.size();
        if (value != nullptr) text_.append(*value);
        text_ += '\0';
        entries_.push_back({static_cast<std::uint32_t>(keyAt), static_cast<std::uint32_t>(valueAt)});
    });
}

const char* IniSection::Find(const char* key) const
{
    // Sorted at the first lookup: a table's load walks the lines in order
    // and never looks a key up.
    if (sorted_.size() != entries_.size()) {
        sorted_.resize(entries_.size());
        for (std::uint32_t i = 0; i < sorted_.size(); ++i) sorted_[i] = i;
        std::stable_sort(sorted_.begin(), sorted_.end(), [this](std::uint32_t a, std::uint32_t b) {
            return std::strcmp(text_.data() + entries_[a].key, text_.data() + entries_[b].key) < 0;
        });
    }
    std::string lower(key);
    for (char& c : lower) c = AsciiLower(c);
    auto it = std::lower_bound(sorted_.begin(), sorted_.end(), lower, [this](std::uint32_t e, const std::string& k) {
        return std::strcmp(text_.data() + entries_[e].key, k.c_str()) < 0;
    });
    if (it == sorted_.end() || lower != text_.data() + entries_[*it].key) return nullptr;
    return text_.data() + entries_[*it].value;
}

bool BoolFromWord(const std::string* text)
{
    if (text == nullptr || text->empty()) return false;
    for (const char* word : {"false", "null", "void", "0"}) {
        if (*text == word) return false;
    }
    return true;
}
