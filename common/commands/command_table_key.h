#pragma once

// The keys of the CmdTable section, shared by its load and its text.

#include <cstddef>
#include <cstring>

namespace command_table_key {

// "cmd[" index "]" into a buffer of 32 bytes; its length. Formed by hand:
// six keys a command, at every load and save.
inline std::size_t FormatIndexKey(std::size_t index, char* out)
{
    char digits[24];
    char* const end = digits + sizeof digits;
    char* p = end;
    do {
        *--p = static_cast<char>('0' + index % 10);
        index /= 10;
    } while (index != 0);
    const std::size_t n = static_cast<std::size_t>(end - p);
    std::memcpy(out, "cmd[", 4);
    std::memcpy(out + 4, p, n);
    out[4 + n] = ']';
    return n + 5;
}

// The fields of a command, and their keys' ends as they are written, "="
// included, in the same order.
enum Field { kCaption, kCmdline, kDir, kShowCmd, kEnv, kHotkey, kFieldCount };
constexpr const char* kFieldKeys[kFieldCount] = {".caption=", ".cmdline=", ".cmdline.dir=", ".cmdline.showcmd=",
                                                 ".cmdline.env=", ".hotkey="};

} // namespace command_table_key
