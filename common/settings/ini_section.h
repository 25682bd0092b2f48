#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The lines of one section as the section read returns them. The block is
// kept as one copy with offsets into it: tables of tens of thousands of
// keys would otherwise leave two small allocations per key behind in the
// heap after every load.
class IniSection {
public:
    // block: "key=value" lines, each ended by a NUL, up to an empty line or
    // the end. Replaces what was parsed before.
    void Parse(const char* block, std::size_t size);
    // The lines of the first `section` of a settings file's text, as the
    // section read would return them (one pass, no block between).
    // `keepCase` keeps the keys as written: such a section is only walked
    // with ForEach, since Find compares lower-case keys.
    void ParseText(std::string_view text, const char* section, bool keepCase = false);
    // The value, or null when the key is missing. Keys match without regard
    // to ASCII case; of repeated keys the first counts.
    const char* Find(const char* key) const;
    std::size_t Size() const { return entries_.size(); }

    // Each line in stored order with its key in ASCII lower case (unless
    // parsed to keep it); f returns nothing. Repeated keys are all passed.
    template <typename F>
    void ForEach(F&& f) const
    {
        for (const Entry& e : entries_) f(text_.data() + e.key, text_.data() + e.value);
    }

private:
    struct Entry {
        std::uint32_t key;    // offsets of NUL-ended texts in text_
        std::uint32_t value;
    };
    std::string text_;
    std::vector<Entry> entries_;
    // Entries by key, stored order among equal keys; made by the first Find.
    mutable std::vector<std::uint32_t> sorted_;
};

// The boolean words: missing, empty, "false", "null", "void" or "0" (exact
// and case-sensitive) are false; any other text is true.
bool BoolFromWord(const std::string* text);
