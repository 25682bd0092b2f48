#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

// Longest value one key read returns: the per-key read buffer holds 1024 characters.
constexpr std::size_t kMaxValueLength = 1023;

// The keys of one INI section, read in one call and looked up as the per-key
// profile read would find them: key names without regard to ASCII case, the
// first of duplicate keys winning, blanks around key and value removed, one
// pair of enclosing quotation marks removed, values cut to kMaxValueLength.
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

// The cleaned value of one raw line value (blanks, quotes, length).
std::string CleanProfileValue(const char* begin, const char* end);

// The text to write so that a profile read gives `value` back: the read
// removes one pair of enclosing quotation marks, so a value that itself
// begins and ends with the same mark (such as "C:\a b.exe" "%1") gets one
// more pair.
std::string ProfileValueText(const std::string& value);

// The boolean words: missing, empty, "false", "null", "void" or "0" (exact
// and case-sensitive) are false; any other text is true.
bool BoolFromWord(const std::string* text);
