#include "commands/command_path.h"

#include "settings/settings_blank.h"

#include <cstdlib>
#include <cstring>
#include <utility>

CommandPath::CommandPath(const CommandPath& other)
{
    if (other.text_ == nullptr) return;
    text_ = static_cast<char*>(std::malloc(other.length_ + 1));
    if (text_ == nullptr) return;
    std::memcpy(text_, other.text_, other.length_ + 1);
    length_ = other.length_;
    count_ = other.count_;
}

CommandPath::CommandPath(CommandPath&& other) noexcept
    : text_(std::exchange(other.text_, nullptr)),
      length_(std::exchange(other.length_, 0)),
      count_(std::exchange(other.count_, 0))
{
}

CommandPath& CommandPath::operator=(CommandPath other) noexcept
{
    swap(*this, other);
    return *this;
}

CommandPath::~CommandPath()
{
    std::free(text_);
}

void swap(CommandPath& a, CommandPath& b) noexcept
{
    std::swap(a.text_, b.text_);
    std::swap(a.length_, b.length_);
    std::swap(a.count_, b.count_);
}

void CommandPath::Clear()
{
    std::free(text_);
    text_ = nullptr;
    length_ = 0;
    count_ = 0;
}

bool CommandPath::Append(const char* text, std::size_t length)
{
    if (text == nullptr) return false;
    if (length == 0) length = std::strlen(text);
    return AppendBytes(text, length);
}

bool CommandPath::AppendBytes(const char* text, std::size_t length)
{
    // A NUL inside the given range would split the level in two.
    const void* nul = std::memchr(text, '\0', length);
    if (nul != nullptr) length = static_cast<const char*>(nul) - text;
    if (length > 0xFFFFFF00u - length_) return false;
    const std::size_t grown = length_ + length + 2;
    char* block = static_cast<char*>(std::realloc(text_, grown));
    if (block == nullptr) return false;
    std::memcpy(block + length_, text, length);
    block[length_ + length] = '\0';
    block[length_ + length + 1] = '\0';
    text_ = block;
    length_ += static_cast<std::uint32_t>(length + 1);
    ++count_;
    return true;
}

bool CommandPath::AssignPacked(const char* packed, std::size_t length, std::uint32_t count)
{
    if (length > 0xFFFFFF00u) return false;
    char* block = static_cast<char*>(std::malloc(length + 1));
    if (block == nullptr) return false;
    std::memcpy(block, packed, length);
    block[length] = '\0';
    std::free(text_);
    text_ = block;
    length_ = static_cast<std::uint32_t>(length);
    count_ = count;
    return true;
}

const char* CommandPath::Level(std::uint32_t n) const
{
    if (n >= count_) return nullptr;
    const char* p = text_;
    for (std::uint32_t i = 0; i < n; ++i) p += std::strlen(p) + 1;
    return p;
}

std::string_view CommandPath::Prefix(std::uint32_t levels) const
{
    if (levels >= count_) return std::string_view(text_, length_);
    return std::string_view(text_, static_cast<std::size_t>(Level(levels) - text_));
}

std::uint32_t CommonLevels(const CommandPath& a, const CommandPath& b)
{
    const std::uint32_t shorter = a.Count() < b.Count() ? a.Count() : b.Count();
    const char* pa = a.Level(0);
    const char* pb = b.Level(0);
    std::uint32_t equal = 0;
    while (equal < shorter && std::strcmp(pa, pb) == 0) {
        pa += std::strlen(pa) + 1;
        pb += std::strlen(pb) + 1;
        ++equal;
    }
    return equal;
}

bool IsParentPath(const CommandPath& parent, const CommandPath& child)
{
    if (child.Count() < 2 || parent.Count() != child.Count() - 1) return false;
    return CommonLevels(parent, child) == parent.Count();
}

void SplitCaption(const char* caption, CommandPath& path, std::string& name)
{
    path.Clear();
    name.clear();
    if (caption == nullptr) return;
    // The levels are packed here first and the path made in one allocation:
    // a load splits tens of thousands of captions. Packed, a caption is at
    // most one byte longer (a NUL for each level where "/" stood, one more).
    char local[256];
    std::string large;
    const std::size_t size = std::strlen(caption);
    char* packed = local;
    if (size + 2 > sizeof local) {
        large.resize(size + 2);
        packed = &large[0];
    }
    std::size_t used = 0;
    std::uint32_t count = 0;
    for (const char* start = caption;;) {
        const char* slash = std::strchr(start, '/');
        const char* end = slash ? slash : start + std::strlen(start);
        // The profile read drops blanks at the ends of a caption, so a parent
        // saved with one would lose its children: no level keeps them.
        const char* begin = start;
        TrimBlanks(begin, end);
        const std::size_t length = static_cast<std::size_t>(end - begin);
        if (length > 0) {
            std::memcpy(packed + used, begin, length);
            packed[used + length] = '\0';
            used += length + 1;
            ++count;
            name.assign(begin, length);
        }
        if (slash == nullptr) break;
        start = slash + 1;
    }
    if (count > 0 && !path.AssignPacked(packed, used, count)) name.clear();
    // A caption of nothing but "/" keeps its text as its one level: a command
    // without a level would be saved with an empty caption, where every later
    // load stops, and the commands after it would be lost.
    if (path.Empty() && *caption != '\0' && path.Append(caption)) name = caption;
}

std::string JoinPath(const CommandPath& path)
{
    std::string caption;
    caption.reserve(path.Length());
    for (std::uint32_t i = 0; i < path.Count(); ++i) {
        if (i > 0) caption += '/';
        caption += path.Level(i);
    }
    return caption;
}
