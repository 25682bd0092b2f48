#pragma once

// The text writer's edits done the plain way, one line at a time into one
// string, to check the writer's runs, pieces and sinks against.
#include "settings/multibyte.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace plain {

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a';
}

inline std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// A line's text (up to a NUL), and the whole line with its end.
struct Line {
    std::string_view text;
    std::string_view whole;
};

inline std::vector<Line> Lines(std::string_view text)
{
    std::vector<Line> lines;
    std::size_t p = 0;
    while (p < text.size()) {
        std::size_t end = p;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        std::size_t next = end;
        if (next < text.size() && text[next] == '\r') ++next;
        if (next < text.size() && text[next] == '\n') ++next;
        const std::string_view body = text.substr(p, end - p);
        lines.push_back({body.substr(0, body.find('\0')), text.substr(p, next - p)});
        p = next;
    }
    return lines;
}

inline std::string Fold(std::string_view s)
{
    std::string folded(s);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(folded[i]))) {
            ++i;
        } else if (folded[i] >= 'A' && folded[i] <= 'Z') {
            folded[i] = static_cast<char>(folded[i] - 'A' + 'a');
        }
    }
    return folded;
}

inline bool Header(std::string_view line, std::string& name)
{
    const std::string_view s = Trim(line);
    if (s.empty() || s[0] != '[') return false;
    std::size_t close = std::string_view::npos;
    for (std::size_t i = 1; i < s.size(); i += IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1) {
        if (s[i] == ']') close = i;
    }
    if (close == std::string_view::npos) return false;
    name = Fold(Trim(s.substr(1, close - 1)));
    return true;
}

inline const char* LineEnd(std::string_view text)
{
    const std::size_t lf = text.find('\n');
    return lf != std::string_view::npos && (lf == 0 || text[lf - 1] != '\r') ? "\n" : "\r\n";
}

inline void EndLastLine(std::string& out, const char* eol)
{
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += eol;
}

inline void AppendKey(std::string& out, std::string_view key, std::string_view value, const char* eol)
{
    while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
    out.append(key).append("=").append(value).append(eol);
}

inline std::string KeyLines(std::string_view lines, const char* eol)
{
    std::string out;
    for (const Line& line : Lines(lines)) {
        const std::size_t eq = line.text.find('=');
        if (eq != std::string_view::npos) AppendKey(out, Trim(line.text.substr(0, eq)), line.text.substr(eq + 1), eol);
    }
    return out;
}

inline void AppendHeader(std::string& out, const char* section, const char* eol)
{
    EndLastLine(out, eol);
    out.append("[").append(Trim(section)).append("]").append(eol);
}

inline std::string ReplaceSection(std::string_view text, const char* section, std::string_view lines)
{
    const char* eol = LineEnd(text);
    const std::string name = Fold(Trim(section)), keys = KeyLines(lines, eol);
    std::string out, header;
    bool seen = false, inFirst = false;
    for (const Line& line : Lines(text)) {
        if (Header(line.text, header)) {
            inFirst = header == name && !seen;
            seen = seen || header == name;
            out += line.whole;
            if (inFirst) {
                EndLastLine(out, eol);
                out += keys;
            }
        } else if (!inFirst) {
            out += line.whole;
        }
    }
    if (!seen && !keys.empty()) {
        AppendHeader(out, section, eol);
        out += keys;
    }
    return out;
}

inline std::string SetKeys(std::string_view text, const char* section, const std::vector<std::pair<std::string, std::string>>& values)
{
    const char* eol = LineEnd(text);
    const std::string name = Fold(Trim(section));
    // The first name of a key with its last value.
    std::vector<std::pair<std::string_view, std::string_view>> unique;
    for (const auto& v : values) {
        bool found = false;
        for (auto& u : unique) {
            if (Fold(u.first) == Fold(Trim(v.first))) {
                u.second = v.second;
                found = true;
            }
        }
        if (!found) unique.emplace_back(Trim(v.first), v.second);
    }
    std::vector<bool> placed(unique.size(), false);
    std::string out, held, header;
    const auto appendMissing = [&] {
        EndLastLine(out, eol);
        for (std::size_t i = 0; i < unique.size(); ++i) {
            if (!placed[i]) AppendKey(out, unique[i].first, unique[i].second, eol);
        }
        out += held;
        held.clear();
    };
    bool seen = false, inFirst = false;
    for (const Line& line : Lines(text)) {
        if (Header(line.text, header)) {
            if (inFirst) appendMissing();
            inFirst = header == name && !seen;
            seen = seen || header == name;
            out += line.whole;
            continue;
        }
        if (!inFirst) {
            out += line.whole;
            continue;
        }
        if (Trim(line.text).empty()) {
            held += line.whole;
            continue;
        }
        out += held;
        held.clear();
        const std::string_view key = Trim(line.text.substr(0, line.text.find('=')));
        std::size_t i = 0;
        while (i < unique.size() && (key.empty() || Fold(unique[i].first) != Fold(key))) ++i;
        if (i == unique.size() || placed[i]) {
            out += line.whole;
            continue;
        }
        placed[i] = true;
        // A line that goes on after its text (a line end, or a NUL and what
        // follows it) keeps what follows as it stands.
        AppendKey(out, key, unique[i].second, line.whole.size() != line.text.size() ? "" : eol);
        out += line.whole.substr(line.text.size());
    }
    if (inFirst) {
        appendMissing();
    } else if (!seen) {
        AppendHeader(out, section, eol);
        appendMissing();
    }
    return out;
}

} // namespace plain
