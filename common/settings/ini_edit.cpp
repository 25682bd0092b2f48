// The edits of a settings text, apart from its reading: a program that only
// reads settings links none of this.
#include "settings/ini_text.h"

#include "settings/ini_lines.h"

#include <cstring>
#include <unordered_map>
#include <utility>

using namespace ini_lines;

namespace {

// The key of a line: the text before its first "=", or the whole line.
Span KeyOf(Span line)
{
    return Trim({line.begin, FindByte(line.begin, line.end, '=')});
}

// The file's own line end: bare LF when its first line ends so, else CRLF.
const char* LineEndOf(std::string_view text)
{
    const std::size_t lf = text.find('\n');
    return lf != std::string_view::npos && (lf == 0 || text[lf - 1] != '\r') ? "\n" : "\r\n";
}

void AppendKey(std::string& out, Span key, Span value, const char* eol)
{
    // The platform stores the value without its leading blanks.
    while (value.begin < value.end && IsBlank(*value.begin)) ++value.begin;
    out.append(key.begin, key.end);
    out += '=';
    out.append(value.begin, value.end);
    out += eol;
}

Span SpanOf(std::string_view s)
{
    return {s.data(), s.data() + s.size()};
}

// The edited text as it goes to the sink, with what the edit needs to know
// of it: whether its last line has its end.
class Output {
public:
    explicit Output(const IniSink& sink) : sink_(sink) {}
    void Put(std::string_view text)
    {
        if (text.empty()) return;
        sink_(text);
        lineEnded_ = text.back() == '\n' || text.back() == '\r';
    }
    void Put(const char* begin, const char* end) { Put(std::string_view(begin, static_cast<std::size_t>(end - begin))); }
    void EndLastLine(const char* eol)
    {
        if (!lineEnded_) Put(eol);
    }
    void Header(const char* section, const char* eol)
    {
        EndLastLine(eol);
        const Span name = Trim({section, section + std::strlen(section)});
        std::string header = "[";
        header.append(name.begin, name.end);
        header += ']';
        header += eol;
        Put(header);
    }

private:
    const IniSink& sink_;
    bool lineEnded_ = true;  // nothing put yet: no line to end
};

// True when the line of new keys, whose first "=" is at eq, is stored exactly
// as it stands: a key and value without the blanks the platform drops, ended
// by the file's line end.
bool StandsAsStored(const Line& line, const char* eq, const char* eol, std::size_t eolSize)
{
    const Span s = line.text;
    if (static_cast<std::size_t>(line.next - s.end) != eolSize || std::memcmp(s.end, eol, eolSize) != 0) return false;
    if (eq == s.end) return false;
    if (eq > s.begin && (IsBlank(*s.begin) || IsBlank(eq[-1]))) return false;
    return eq + 1 == s.end || !IsBlank(eq[1]);
}

// The "key=value" lines as the platform stores them; lines without "=" are
// dropped. Lines that already stand so go out in runs, as a table's text does.
void PutKeyLines(Output& out, std::string_view lines, const char* eol, std::string& scratch)
{
    const std::size_t eolSize = std::strlen(eol);
    const char* const stop = lines.data() + lines.size();
    const char* run = lines.data();
    for (const char* p = lines.data(); p < stop;) {
        const Line line = LineAt(p, stop);
        const Span s = line.text;
        const char* const eq = FindByte(s.begin, s.end, '=');
        if (!StandsAsStored(line, eq, eol, eolSize)) {
            out.Put(run, p);
            if (eq != s.end) {
                scratch.clear();
                AppendKey(scratch, Trim({s.begin, eq}), {eq + 1, s.end}, eol);
                out.Put(scratch);
            }
            run = line.next;
        }
        p = line.next;
    }
    out.Put(run, stop);
}

// True when the lines hold a line that PutKeyLines keeps.
bool HasKeyLine(std::string_view lines)
{
    const char* const stop = lines.data() + lines.size();
    for (const char* p = lines.data(); p < stop;) {
        const Line line = LineAt(p, stop);
        if (FindByte(line.text.begin, line.text.end, '=') != line.text.end) return true;
        p = line.next;
    }
    return false;
}

// The start of the next section header's line from p (a line's start) on,
// with the line and the section's name; stop when there is none. Only a "[" after nothing but blanks
// on its line can open a header, so the walk goes from one "[" to the next
// instead of line by line: a section of a table is megabytes of keys.
const char* NextHeader(const char* p, const char* stop, Line& line, Span& name)
{
    for (const char* bracket = FindByte(p, stop, '['); bracket < stop; bracket = FindByte(bracket + 1, stop, '[')) {
        const char* start = bracket;
        while (start > p && IsBlank(start[-1])) --start;
        // Lines start after CR or LF; a NUL is inside its line.
        if (start > p && start[-1] != '\n' && start[-1] != '\r') continue;
        line = LineAt(start, stop);
        if (HeaderName(line.text, name)) return start;
    }
    return stop;
}

} // namespace

void ReplaceIniSection(const IniLines& text, const char* section, const IniLines& next, const IniSink& sink,
                       const IniSink& dropped)
{
    const std::string name = Fold(Trim({section, section + std::strlen(section)}));
    Output out(sink);
    const char* eol = nullptr;
    std::string scratch;
    const auto putLines = [&](bool headed) {
        // The platform adds no section without keys: the header waits for the first.
        std::string_view lines;
        while (next(lines)) {
            if (!headed && HasKeyLine(lines)) {
                out.Header(section, eol);
                headed = true;
            }
            if (headed) PutKeyLines(out, lines, eol, scratch);
        }
    };
    // The first such section's keys run from the line after its header to
    // the next header; a repeated section is never read, and its lines stay
    // as the user wrote them rather than being lost with the old keys.
    enum { kBefore, kOldKeys, kAfter } place = kBefore;
    std::string_view piece;
    while (text(piece)) {
        if (eol == nullptr) eol = LineEndOf(piece);
        const char* p = piece.data();
        const char* const stop = p + piece.size();
        while (p < stop && place != kAfter) {
            Line header = {};
            Span headerName = {};
            const char* const at = NextHeader(p, stop, header, headerName);
            if (place == kOldKeys) {
                // The old keys are dropped up to the next header.
                if (dropped && at != p) dropped(std::string_view(p, static_cast<std::size_t>(at - p)));
                if (at != stop) place = kAfter;
                p = at;
                continue;
            }
            out.Put(p, at == stop ? stop : header.next);
            if (at == stop) break;
            p = header.next;
            if (Fold(headerName) == name) {
                out.EndLastLine(eol);
                putLines(true);
                place = kOldKeys;
            }
        }
        if (place == kAfter) out.Put(p, stop);
    }
    if (eol == nullptr) eol = "\r\n";
    if (place == kBefore) putLines(false);
}

void ReplaceIniSection(std::string_view text, const char* section, const IniLines& next, const IniSink& sink)
{
    ReplaceIniSection(OnePiece(text), section, next, sink);
}

IniLines OnePiece(std::string_view lines)
{
    return [lines, given = false](std::string_view& piece) mutable {
        piece = lines;
        return !std::exchange(given, true);
    };
}

std::string ReplaceIniSection(std::string_view text, const char* section, std::string_view lines)
{
    std::string out;
    out.reserve(text.size() + lines.size() + std::strlen(section) + 8);
    ReplaceIniSection(text, section, OnePiece(lines), [&](std::string_view piece) { out.append(piece); });
    return out;
}

void SetIniKeys(std::string_view text, const char* section, const std::vector<IniKeyValue>& values,
                const IniSink& sink, const IniSink& dropped)
{
    const char* eol = LineEndOf(text);
    // A key given twice keeps its first name and takes its last value, as
    // two writes in turn would.
    std::unordered_map<std::string, std::size_t> index;
    std::vector<std::pair<Span, Span>> unique;
    for (const IniKeyValue& v : values) {
        const Span key = Trim(SpanOf(v.key));
        const auto it = index.emplace(Fold(key), unique.size());
        if (it.second) {
            unique.emplace_back(key, SpanOf(v.value));
        } else {
            unique[it.first->second].second = SpanOf(v.value);
        }
    }
    std::vector<bool> placed(unique.size(), false);
    Output out(sink);
    std::string line;
    const auto putMissing = [&] {
        out.EndLastLine(eol);
        line.clear();
        for (std::size_t i = 0; i < unique.size(); ++i) {
            if (!placed[i]) AppendKey(line, unique[i].first, unique[i].second, eol);
        }
        out.Put(line);
    };
    // Lines go out in runs up to each place where keys change.
    const char* const textEnd = text.data() + text.size();
    const char* copied = text.data();
    const auto copyTo = [&](const char* p) {
        out.Put(copied, p);
        copied = p;
    };
    // Blank lines at the end of the section stay after the keys added to it.
    const char* heldBlanks = nullptr;
    bool inFirst = false;
    SectionWalk walk(text, section);
    while (walk.Next()) {
        const Line& current = walk.Current();
        if (walk.Header()) {
            if (inFirst) {
                copyTo(heldBlanks != nullptr ? heldBlanks : current.text.begin);
                putMissing();
                heldBlanks = nullptr;
            }
            inFirst = walk.InFirst();
            continue;
        }
        if (!inFirst) continue;
        if (Trim(current.text).Empty()) {
            if (heldBlanks == nullptr) heldBlanks = current.text.begin;
            continue;
        }
        heldBlanks = nullptr;
        const Span key = KeyOf(current.text);
        const auto it = key.Empty() ? index.end() : index.find(Fold(key));
        if (it == index.end() || placed[it->second]) continue;
        placed[it->second] = true;
        if (dropped) {
            dropped(std::string_view(current.text.begin, static_cast<std::size_t>(current.next - current.text.begin)));
        }
        // The line keeps its own end, and any bytes after a NUL in it.
        copyTo(current.text.begin);
        line.clear();
        AppendKey(line, key, unique[it->second].second, current.HasEnd() ? "" : eol);
        out.Put(line);
        out.Put(current.text.end, current.next);
        copied = current.next;
    }
    if (inFirst) {
        copyTo(heldBlanks != nullptr ? heldBlanks : textEnd);
        putMissing();
    }
    copyTo(textEnd);
    if (!walk.Seen()) {
        out.Header(section, eol);
        putMissing();
    }
}

std::string SetIniKeys(std::string_view text, const char* section, const std::vector<IniKeyValue>& values)
{
    std::string out;
    out.reserve(text.size() + values.size() * 32 + 16);
    SetIniKeys(text, section, values, [&](std::string_view piece) { out.append(piece); });
    return out;
}

