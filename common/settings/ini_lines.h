#pragma once

// The lines of a settings text as the platform's reader sees them, for the
// reading and the editing of the text alike. The scans are inline: they run
// on every line of megabytes of tables.


#include <cstring>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ini_lines {

// The platform's reader also takes ^Z (the DOS end of file) for a blank.
inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a';
}

struct Span {
    const char* begin;
    const char* end;
    bool Empty() const { return begin == end; }
};

inline Span Trim(Span s)
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

// The first CR, LF or NUL from p on, or stop. A save walks megabytes of
// lines: sixteen bytes a step where the processor has the instructions.
inline const char* FindLineStop(const char* p, const char* stop)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    for (; stop - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)),
                                          _mm_cmpeq_epi8(v, nul));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
    }
#endif
    while (p < stop && *p != '\r' && *p != '\n' && *p != '\0') ++p;
    return p;
}

// Where the byte c comes first from p on, or stop: the C library's memchr
// goes byte by byte in some runtimes, and a walk over a table calls it on
// every line.
inline const char* FindByte(const char* p, const char* stop, char c)
{
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(c);
    for (; stop - p >= 16; p += 16) {
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), wanted));
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
    }
#endif
    while (p < stop && *p != c) ++p;
    return p;
}

inline Line LineAt(const char* p, const char* stop)
{
    // A NUL ends the line's text, as it ends every name and value the reader
    // compares or returns; the bytes after it stay in the file untouched.
    const char* const textEnd = FindLineStop(p, stop);
    const char* end = textEnd;
    while (end < stop && *end == '\0') end = FindLineStop(end + 1, stop);
    const char* next = end;
    if (next < stop && *next == '\r') ++next;
    if (next < stop && *next == '\n') ++next;
    return {{p, textEnd}, next};
}

// ASCII letters fold; the bytes of a double-byte character compare exactly
// (their trail bytes can look like letters).
std::string Fold(Span s);

// The section name of a header line "[name]" (text after the last "]" is
// ignored); false for any other line, "[name" included.
bool HeaderName(Span line, Span& name);

// Walks the lines of a text and tells which fall in the section asked for.
class SectionWalk {
public:
    SectionWalk(std::string_view text, const char* section)
        : p_(text.data()), stop_(text.data() + text.size()), name_(Fold(Trim({section, section + std::strlen(section)})))
    {
    }
    bool Next();
    const Line& Current() const { return line_; }
    bool Header() const { return header_; }
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

} // namespace ini_lines
