#pragma once

// What the watch of the settings files decides from their texts alone.

#include <cstdint>
#include <string>
#include <string_view>

// False when the text may have been caught while a writer was still at it:
// its last line has no line end, or holds a NUL (the rest of a file written
// into room made beforehand), and is a line the daemon takes settings from:
// a command's key in the first CmdTable section (or the start of one), any
// key of the first Desktop section, or any key before the table begins (a
// cut there lost the whole table). Such a line can be a whole hand edit
// too, but nothing in the text tells the two apart. An unended last line
// the daemon does not read (a comment, a header, a line of the table that
// belongs to no command) is accepted, as the start-up accepts it.
bool LocalTextLoadsWhole(std::string_view text);
// The same for the main settings file: its LocalSetting section.
bool MainTextLoadsWhole(std::string_view text);

// LocalSetting/Current of the main settings file's text as the platform's
// reader returns it (one pair of enclosing quotes removed); empty when missing.
std::string CurrentFromMainText(std::string_view text);

// A digest of the settings texts: a notice of a change that left them as
// they were loaded rebuilds nothing.
std::uint64_t TextDigest(std::string_view text, std::uint64_t seed = 14695981039346656037ull);

// When the watch reads the files again: once per burst of changes, a quiet
// time after the last one, and a few times more, shortly after, while a file
// cannot be read (a sync client holding it).
class ReloadTiming {
public:
    static constexpr unsigned kQuietMs = 300;
    static constexpr unsigned kRetryMs = 200;
    static constexpr unsigned kTries = 5;

    // A change was seen: the delay until the read, which each change restarts.
    unsigned Changed()
    {
        failures_ = 0;
        return kQuietMs;
    }
    // A read found a file it could not read: the delay before the next try,
    // or 0 when the watch gives up until the next change.
    unsigned Unreadable() { return ++failures_ < kTries ? kRetryMs : 0; }

private:
    unsigned failures_ = 0;
};
