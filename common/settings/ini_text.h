#pragma once

#include <functional>
#include <string>
#include <string_view>
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

// Where an edit's text goes, piece by piece: a large file is written out
// without its whole new text held in memory.
using IniSink = std::function<void(std::string_view piece)>;
// The new lines of a section, piece by piece: each call sets the next piece,
// whole lines ended by line ends, and returns false when there are no more.
using IniLines = std::function<bool(std::string_view& piece)>;
// The lines handed over as one piece.
IniLines OnePiece(std::string_view lines);

// The text with the keys of `section` replaced by the "key=value" lines (each
// ended by a line end): the first such section gets them, repeated ones (which
// no read sees) are left as they are, and a missing one is added at the end
// unless there is no key to put in it. Lines without "=" are dropped, as the
// platform does.
std::string ReplaceIniSection(std::string_view text, const char* section, std::string_view lines);
void ReplaceIniSection(std::string_view text, const char* section, const IniLines& lines, const IniSink& sink);
// The same with the old text too handed over in pieces, as a file is read
// (IniPieceReader cuts them so): each piece but the last ends at a line end,
// and the first reaches past the text's first LF, if it has one.
// `dropped`, when given, gets the old lines of the section that the new ones
// replace, in pieces of whole lines: the only text the edit does not keep.
void ReplaceIniSection(const IniLines& text, const char* section, const IniLines& lines, const IniSink& sink,
                       const IniSink& dropped = nullptr);

// The text with each key of `section` set: an existing key's first line is
// replaced in place, new keys follow the section's last line, and a missing
// section is added at the end.
std::string SetIniKeys(std::string_view text, const char* section, const std::vector<IniKeyValue>& values);
// `dropped`, when given, gets each old line whose key is set, line end included.
void SetIniKeys(std::string_view text, const char* section, const std::vector<IniKeyValue>& values,
                const IniSink& sink, const IniSink& dropped = nullptr);

// The lines of the first `section` as the platform's section read returns
// them: "key=value" (or a bare "key") with blanks trimmed, each ended by a
// NUL; blank lines and ";" comments left out.
std::string IniSectionBlock(std::string_view text, const char* section);
// The same lines one by one: the key, and the value or null for a bare key.
void ForEachIniSectionLine(std::string_view text, const char* section,
                           const std::function<void(std::string_view key, const std::string_view* value)>& f);

// A value as the platform's read of that one key returns it: one pair of
// enclosing quotes (" or ') removed. The section read keeps them.
std::string_view KeyReadValue(std::string_view value);

// False when the text holds a NUL or a stretch of lines that `validMultibyte`
// (the system code page's check) refuses. Only stretches with bytes of 0x80 or
// more are checked: every code page reads ASCII as it is.
bool IsSettingsText(std::string_view text, const std::function<bool(std::string_view)>& validMultibyte);

// About the number of lines of a text (exact unless line ends are mixed):
// room to make before a load.
std::size_t CountIniLines(std::string_view text);
