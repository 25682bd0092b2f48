#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The levels of a command's caption, packed into one block: each level is
// followed by a NUL, and one more NUL follows the last.
class CommandPath {
public:
    CommandPath() = default;
    CommandPath(const CommandPath& other);
    CommandPath(CommandPath&& other) noexcept;
    CommandPath& operator=(CommandPath other) noexcept;
    ~CommandPath();

    // Appends one level; length 0 means up to the end of the text.
    // False when memory runs out; the path is then unchanged.
    bool Append(const char* text, std::size_t length = 0);
    // Replaces the levels with `count` levels packed as Prefix gives them,
    // each with its NUL. False when memory runs out; the path is then unchanged.
    bool AssignPacked(const char* packed, std::size_t length, std::uint32_t count);
    // The n-th level (from 0), or null when n >= Count().
    const char* Level(std::uint32_t n) const;

    // The packed bytes of the first `levels` levels, each with its NUL: equal
    // views mean equal levels, and "a/b" never meets "a\0b". Valid until the
    // path changes.
    std::string_view Prefix(std::uint32_t levels) const;

    std::uint32_t Count() const { return count_; }
    std::uint32_t Length() const { return length_; }
    bool Empty() const { return count_ == 0; }
    void Clear();

    friend void swap(CommandPath& a, CommandPath& b) noexcept;

private:
    bool AppendBytes(const char* text, std::size_t length);

    char* text_ = nullptr;
    std::uint32_t length_ = 0;
    std::uint32_t count_ = 0;
};

// Number of equal leading levels, compared byte for byte.
std::uint32_t CommonLevels(const CommandPath& a, const CommandPath& b);

// True when `parent` is the parent of `child` by the parent rule.
bool IsParentPath(const CommandPath& parent, const CommandPath& child);

// Splits a caption at each "/" into levels; `name` becomes the last level.
// Blanks at the ends of a level go, and empty levels (from "//", or a "/" at
// either end of a hand-edited caption) are dropped, so every level of a path
// is non-empty; a caption of nothing but "/" and blanks is one level as it stands.
void SplitCaption(const char* caption, CommandPath& path, std::string& name);

// The levels joined by "/".
std::string JoinPath(const CommandPath& path);
