#include "reload_check.h"

#include "settings/ascii_case.h"
#include "settings/ini_lines.h"
#include "settings/ini_text.h"

#include <cstring>

using namespace ini_lines;

namespace {

// Where the last line of a text lies, as the platform's reader sees it.
enum class Place {
    kBeforeFirst,  // before the first of the two sections asked for
    kFirst,        // in the first instance of the first section
    kSecond,       // in the first instance of the second section
    kElsewhere,
};

struct LastLine {
    Place place = Place::kBeforeFirst;
    bool header = false;
    Span text = {nullptr, nullptr};
};

// `second` may be null.
LastLine FindLastLine(std::string_view text, const char* first, const char* second)
{
    const std::string firstName = Fold({first, first + std::strlen(first)});
    const std::string secondName = second != nullptr ? Fold({second, second + std::strlen(second)}) : std::string();
    bool firstSeen = false, secondSeen = false;
    LastLine last;
    const char* const stop = text.data() + text.size();
    for (const char* p = text.data(); p < stop;) {
        const Line line = LineAt(p, stop);
        p = line.next;
        Span name;
        last.text = line.text;
        last.header = HeaderName(line.text, name);
        if (!last.header) continue;
        const std::string folded = Fold(name);
        if (folded == firstName) {
            last.place = firstSeen ? Place::kElsewhere : Place::kFirst;
            firstSeen = true;
        } else if (second != nullptr && folded == secondName) {
            last.place = secondSeen ? Place::kElsewhere : Place::kSecond;
            secondSeen = true;
        } else {
            last.place = firstSeen ? Place::kElsewhere : Place::kBeforeFirst;
        }
    }
    return last;
}

// The bytes after the last line end.
std::string_view Unended(std::string_view text)
{
    const std::size_t end = text.find_last_of("\r\n");
    return end == std::string_view::npos ? text : text.substr(end + 1);
}

// A key that is, or may be the start of, a command's key "cmd[n].field".
bool MayBeCommandKey(Span key)
{
    constexpr char kStart[] = "cmd[";
    for (std::size_t i = 0; i < 4 && key.begin + i < key.end; ++i) {
        if (AsciiLower(key.begin[i]) != kStart[i]) return false;
    }
    return true;
}

// The last line, when unended, is one whose cut would change what the
// daemon loads. `commandKeysOnly`: in the first section only the commands'
// keys count.
bool UnendedLineIsTaken(std::string_view text, const char* first, const char* second, bool commandKeysOnly)
{
    const std::string_view unended = Unended(text);
    if (unended.empty()) return false;
    if (unended.find('\0') != std::string_view::npos) return true;
    const LastLine last = FindLastLine(text, first, second);
    if (last.header) return false;
    const Span line = Trim(last.text);
    if (line.Empty() || *line.begin == ';') return false;
    if (last.place == Place::kElsewhere) return false;
    if (last.place != Place::kFirst || !commandKeysOnly) return true;
    return MayBeCommandKey(Trim({line.begin, FindByte(line.begin, line.end, '=')}));
}

} // namespace

bool LocalTextLoadsWhole(std::string_view text)
{
    return !UnendedLineIsTaken(text, "CmdTable", "Desktop", true);
}

bool MainTextLoadsWhole(std::string_view text)
{
    return !UnendedLineIsTaken(text, "LocalSetting", nullptr, false);
}

std::string CurrentFromMainText(std::string_view text)
{
    std::string current;
    bool found = false;
    ForEachIniSectionLine(text, "LocalSetting", [&](std::string_view key, const std::string_view* value) {
        if (found || value == nullptr || !EqualsAsciiNoCase(key, "Current")) return;
        found = true;
        current.assign(KeyReadValue(*value));
    });
    return current;
}

std::uint64_t TextDigest(std::string_view text, std::uint64_t seed)
{
    std::uint64_t digest = seed;
    for (const char c : text) {
        digest ^= static_cast<unsigned char>(c);
        digest *= 1099511628211ull;
    }
    return digest;
}
