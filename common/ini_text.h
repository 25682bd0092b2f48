#pragma once

#include <string>
#include <vector>

// Edits of the text of an INI file that read back through the platform's
// profile calls as the platform's own writes would have left the file.
// Section names match without regard to ASCII case, blanks around them
// ignored; of repeated sections the first decides, as the platform's reader
// does. Lines that are not touched keep their bytes; lines added end with
// the file's line end (CRLF unless the file uses bare LF).

struct IniKeyValue {
    std::string key;
    std::string value;
};

// The text with the keys of `section` replaced by the "key=value" lines (each
// ended by a line end): the first such section gets them, repeated ones (which
// no read sees) are left as they are, and a missing one is added at the end
// unless there is no key to put in it. Lines without "=" are dropped, as the
// platform does.
std::string ReplaceIniSection(const std::string& text, const char* section, const std::string& lines);

// The text with each key of `section` set: an existing key's first line is
// replaced in place, new keys follow the section's last line, and a missing
// section is added at the end.
std::string SetIniKeys(const std::string& text, const char* section, const std::vector<IniKeyValue>& values);

// The lines of the first `section` as the platform's section read returns
// them: "key=value" (or a bare "key") with blanks trimmed, each ended by a
// NUL; blank lines and ";" comments left out.
std::string IniSectionBlock(const std::string& text, const char* section);
