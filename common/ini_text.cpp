#include "ini_text.h"

#include "multibyte.h"

#include <cstring>
#include <unordered_map>
#include <utility>

namespace {

// The platform's reader also takes ^Z (the DOS end of file) for a blank.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a';
}

struct Span {
    const char* begin;
    const char* end;
    bool Empty() const { return begin == end; }
};

Span Trim(Span s)
{
    while (s.begin < s.end && IsBlank(*s.begin)) ++s.begin;
    while (s.end > s.begin && IsBlank(s.end[-1])) --s.end;
    return s;
}

// One line of the text: its bytes without the line end, and where the next
// one starts. The reader ends lines at CR, LF or CRLF.
struct Line {
    Span text;
    const char* next;
    bool HasEnd() const { return next != text.end; }
};

Line LineAt(const char* p, const char* stop)
{
    const char* end = p;
    while (end < stop && *end != '\r' && *end != '\n') ++end;
    const char* next = end;
    if (next < stop && *next == '\r') ++next;
    if (next < stop && *next == '\n') ++next;
    // A NUL ends the line's text, as it ends every name and value the reader
    // compares or returns; the bytes after it stay in the file untouched.
    const char* nul = static_cast<const char*>(std::memchr(p, '\0', static_cast<std::size_t>(end - p)));
    return {{p, nul != nullptr ? nul : end}, next};
}

// ASCII letters fold; the bytes of a double-byte character compare exactly
// (their trail bytes can look like letters).
std::string Fold(Span s)
{
    std::string folded(s.begin, s.end);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(folded[i]);
        if (IsLeadByte(c)) {
            ++i;
        } else if (c >= 'A' && c <= 'Z') {
            folded[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

// The section name of a header line "[name]" (text after the last "]" is
// ignored); false for any other line, "[name" included.
bool HeaderName(Span line, Span& name)
{
    const Span s = Trim(line);
    if (s.Empty() || *s.begin != '[') return false;
    const char* close = nullptr;
    for (const char* p = s.begin + 1; p < s.end;) {
        if (*p == ']') close = p;
        p += IsLeadByte(static_cast<unsigned char>(*p)) && p + 1 < s.end ? 2 : 1;
    }
    if (close == nullptr) return false;
    name = Trim({s.begin + 1, close});
    return true;
}

// The key of a line: the text before its first "=", or the whole line.
Span KeyOf(Span line)
{
    const char* eq = static_cast<const char*>(std::memchr(line.begin, '=', line.end - line.begin));
    return Trim({line.begin, eq ? eq : line.end});
}

// The file's own line end: bare LF when its first line ends so, else CRLF.
const char* LineEndOf(const std::string& text)
{
    const std::size_t lf = text.find('\n');
    return lf != std::string::npos && (lf == 0 || text[lf - 1] != '\r') ? "\n" : "\r\n";
}

void EndLastLine(std::string& out, const char* eol)
{
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += eol;
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

Span SpanOf(const std::string& s)
{
    return {s.data(), s.data() + s.size()};
}

// Walks the lines of a text and tells which fall in the section asked for.
class SectionWalk {
public:
    SectionWalk(const std::string& text, const char* section)
        : p_(text.data()), stop_(text.data() + text.size()), name_(Fold(Trim({section, section + std::strlen(section)})))
    {
    }
    bool Next()
    {
        if (p_ >= stop_) return false;
        line_ = LineAt(p_, stop_);
        p_ = line_.next;
        Span name;
        header_ = HeaderName(line_.text, name);
        if (header_) {
            inSection_ = Fold(name) == name_;
            first_ = inSection_ && !seen_;
            seen_ = seen_ || inSection_;
        }
        return true;
    }
    const Line& Current() const { return line_; }
    bool Header() const { return header_; }
    bool InSection() const { return inSection_; }
    bool InFirst() const { return inSection_ && first_; }
    bool Seen() const { return seen_; }

private:
    const char* p_;
    const char* stop_;
    std::string name_;
    Line line_ = {};
    bool header_ = false;
    bool inSection_ = false;
    bool first_ = false;
    bool seen_ = false;
};

void AppendLine(std::string& out, const Line& line)
{
    out.append(line.text.begin, line.next);
}

void AppendHeader(std::string& out, const char* section, const char* eol)
{
    EndLastLine(out, eol);
    const Span name = Trim({section, section + std::strlen(section)});
    out += '[';
    out.append(name.begin, name.end);
    out += ']';
    out += eol;
}

} // namespace

std::string ReplaceIniSection(const std::string& text, const char* section, const std::string& lines)
{
    const char* eol = LineEndOf(text);
    std::string out;
    out.reserve(text.size() + lines.size() + std::strlen(section) + 4);
    const auto appendLines = [&] {
        const char* const stop = lines.data() + lines.size();
        for (const char* p = lines.data(); p < stop;) {
            const Line line = LineAt(p, stop);
            const Span s = line.text;
            const char* eq = static_cast<const char*>(std::memchr(s.begin, '=', s.end - s.begin));
            if (eq != nullptr) AppendKey(out, Trim({s.begin, eq}), {eq + 1, s.end}, eol);
            p = line.next;
        }
    };
    SectionWalk walk(text, section);
    while (walk.Next()) {
        if (walk.Header()) {
            AppendLine(out, walk.Current());
            if (walk.InFirst()) {
                EndLastLine(out, eol);
                appendLines();
            }
        } else if (!walk.InFirst()) {
            // A repeated section is never read: its lines stay as the user
            // wrote them, rather than being lost with the old keys.
            AppendLine(out, walk.Current());
        }
    }
    // The platform adds no section without keys.
    if (!walk.Seen() && lines.find('=') != std::string::npos) {
        AppendHeader(out, section, eol);
        appendLines();
    }
    return out;
}

std::string SetIniKeys(const std::string& text, const char* section, const std::vector<IniKeyValue>& values)
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
    std::string out;
    out.reserve(text.size() + values.size() * 32 + 16);

    const auto appendMissing = [&] {
        EndLastLine(out, eol);
        for (std::size_t i = 0; i < unique.size(); ++i) {
            if (!placed[i]) AppendKey(out, unique[i].first, unique[i].second, eol);
        }
    };
    // Blank lines at the end of the section stay after the keys added to it.
    const char* heldBlanks = nullptr;
    const char* heldEnd = nullptr;
    bool inFirst = false;
    SectionWalk walk(text, section);
    while (walk.Next()) {
        const Line& line = walk.Current();
        if (walk.Header()) {
            if (inFirst) {
                appendMissing();
                if (heldBlanks != nullptr) out.append(heldBlanks, heldEnd);
                heldBlanks = nullptr;
            }
            inFirst = walk.InFirst();
            AppendLine(out, line);
            continue;
        }
        if (!inFirst) {
            AppendLine(out, line);
            continue;
        }
        if (Trim(line.text).Empty()) {
            if (heldBlanks == nullptr) heldBlanks = line.text.begin;
            heldEnd = line.next;
            continue;
        }
        if (heldBlanks != nullptr) out.append(heldBlanks, heldEnd);
        heldBlanks = nullptr;
        const Span key = KeyOf(line.text);
        const auto it = key.Empty() ? index.end() : index.find(Fold(key));
        if (it == index.end() || placed[it->second]) {
            AppendLine(out, line);
            continue;
        }
        placed[it->second] = true;
        // The line keeps its own end, and any bytes after a NUL in it.
        AppendKey(out, key, unique[it->second].second, line.HasEnd() ? "" : eol);
        out.append(line.text.end, line.next);
    }
    if (inFirst) {
        appendMissing();
        if (heldBlanks != nullptr) out.append(heldBlanks, heldEnd);
    } else if (!walk.Seen()) {
        AppendHeader(out, section, eol);
        appendMissing();
    }
    return out;
}

std::string IniSectionBlock(const std::string& text, const char* section)
{
    std::string block;
    block.reserve(text.size() + 1);
    SectionWalk walk(text, section);
    while (walk.Next()) {
        if (walk.Header()) {
            if (walk.Seen() && !walk.InFirst()) break;
            continue;
        }
        if (!walk.InFirst()) continue;
        const Span line = Trim(walk.Current().text);
        if (line.Empty() || *line.begin == ';') continue;
        const char* eq = static_cast<const char*>(std::memchr(line.begin, '=', line.end - line.begin));
        const Span key = Trim({line.begin, eq ? eq : line.end});
        block.append(key.begin, key.end);
        if (eq != nullptr) {
            const Span value = Trim({eq + 1, line.end});
            block += '=';
            block.append(value.begin, value.end);
        }
        block += '\0';
    }
    return block;
}
