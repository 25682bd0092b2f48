#include "settings/ini_text.h"

#include "settings/ini_lines.h"
#include "settings/multibyte.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace ini_lines;

namespace ini_lines {

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

bool HeaderName(Span line, Span& name)
{
    // Most lines are keys: their first byte settles it.
    const char* first = line.begin;
    while (first < line.end && IsBlank(*first)) ++first;
    if (first == line.end || *first != '[') return false;
    const Span s = Trim({first, line.end});
    const char* close = nullptr;
    for (const char* p = s.begin + 1; p < s.end;) {
        if (*p == ']') close = p;
        p += IsLeadByte(static_cast<unsigned char>(*p)) && p + 1 < s.end ? 2 : 1;
    }
    if (close == nullptr) return false;
    name = Trim({s.begin + 1, close});
    return true;
}

bool SectionWalk::Next()
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

} // namespace ini_lines

namespace {

// Where a NUL or a byte of 0x80 or more comes first from p on, or stop.
const char* FindNulOrHigh(const char* p, const char* stop)
{
#if defined(__SSE2__)
    const __m128i nul = _mm_setzero_si128();
    for (; stop - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(v, nul)) | _mm_movemask_epi8(v);
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
    }
#endif
    while (p < stop && *p != '\0' && static_cast<unsigned char>(*p) < 0x80) ++p;
    return p;
}

} // namespace

void ForEachIniSectionLine(std::string_view text, const char* section,
                           const std::function<void(std::string_view key, const std::string_view* value)>& f)
{
    SectionWalk walk(text, section);
    while (walk.Next()) {
        if (walk.Header()) {
            if (walk.Seen() && !walk.InFirst()) break;
            continue;
        }
        if (!walk.InFirst()) continue;
        const Span line = Trim(walk.Current().text);
        if (line.Empty() || *line.begin == ';') continue;
        const char* const eq = FindByte(line.begin, line.end, '=');
        const Span key = Trim({line.begin, eq});
        const std::string_view keyText(key.begin, static_cast<std::size_t>(key.end - key.begin));
        if (eq == line.end) {
            f(keyText, nullptr);
            continue;
        }
        const Span value = Trim({eq + 1, line.end});
        const std::string_view valueText(value.begin, static_cast<std::size_t>(value.end - value.begin));
        f(keyText, &valueText);
    }
}

std::string IniSectionBlock(std::string_view text, const char* section)
{
    std::string block;
    block.reserve(text.size() + 1);
    ForEachIniSectionLine(text, section, [&](std::string_view key, const std::string_view* value) {
        block.append(key);
        if (value != nullptr) {
            block += '=';
            block.append(*value);
        }
        block += '\0';
    });
    return block;
}

bool IsSettingsText(std::string_view text, const std::function<bool(std::string_view)>& validMultibyte)
{
    // Stretches of about 4 KB, each ended just after a CR or LF: no code page
    // has either inside a character, so each stretch starts a character.
    constexpr std::size_t kStretch = 4096;
    const char* const stop = text.data() + text.size();
    for (const char* p = text.data(); p < stop;) {
        const char* end = stop;
        if (static_cast<std::size_t>(stop - p) > kStretch) {
            end = p + kStretch;
            while (end < stop && *end != '\r' && *end != '\n') end = FindLineStop(end + 1, stop);
            if (end < stop) ++end;
        }
        const char* found = FindNulOrHigh(p, end);
        if (found < end) {
            if (std::memchr(found, '\0', static_cast<std::size_t>(end - found)) != nullptr) return false;
            if (!validMultibyte(std::string_view(p, static_cast<std::size_t>(end - p)))) return false;
        }
        p = end;
    }
    return true;
}

std::size_t CountIniLines(std::string_view text)
{
    // Line feeds, or carriage returns in a file that has no line feed.
    std::size_t lf = 0, cr = 0;
    const char* p = text.data();
    const char* const stop = p + text.size();
#if defined(__SSE2__)
    // Sixteen byte counters a kind, summed before they can overflow: a bit
    // count is a library call where the processor is not known to have one.
    const __m128i lfs = _mm_set1_epi8('\n');
    const __m128i crs = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    while (stop - p >= 16) {
        __m128i lfCounts = zero, crCounts = zero;
        for (int step = 0; step < 255 && stop - p >= 16; ++step, p += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            lfCounts = _mm_sub_epi8(lfCounts, _mm_cmpeq_epi8(v, lfs));
            crCounts = _mm_sub_epi8(crCounts, _mm_cmpeq_epi8(v, crs));
        }
        const __m128i lfSums = _mm_sad_epu8(lfCounts, zero), crSums = _mm_sad_epu8(crCounts, zero);
        lf += static_cast<std::size_t>(_mm_cvtsi128_si32(lfSums) + _mm_extract_epi16(lfSums, 4));
        cr += static_cast<std::size_t>(_mm_cvtsi128_si32(crSums) + _mm_extract_epi16(crSums, 4));
    }
#endif
    for (; p < stop; ++p) {
        lf += *p == '\n';
        cr += *p == '\r';
    }
    return (lf != 0 ? lf : cr) + 1;
}

std::string_view KeyReadValue(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}
