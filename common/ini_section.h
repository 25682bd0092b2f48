#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

class IniSection {
public:
    // block: "key=value" lines, each ended by a NUL, as the section read returns them.
    void Parse(const char* block, std::size_t size);
    // The value, or null when the key is missing.
    const std::string* Find(const char* key) const;
    std::size_t Size() const { return values_.size(); }

private:
    std::unordered_map<std::string, std::string> values_;
};

// The boolean words: missing, empty, "false", "null", "void" or "0" (exact
// and case-sensitive) are false; any other text is true.
bool BoolFromWord(const std::string* text);
