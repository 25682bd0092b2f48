#include "program_candidates.h"

#include "settings/multibyte.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string AfterBlanks(const char* p)
{
    while (IsBlank(*p)) ++p;
    return p;
}

} // namespace

std::vector<ProgramSplit> ProgramCandidates(std::string_view commandLine)
{
    const std::string line(commandLine);
    const char* start = line.c_str();
    while (IsBlank(*start)) ++start;
    std::vector<ProgramSplit> splits;
    if (*start == '"') {
        const char* end = start + 1;
        while (*end != '\0' && *end != '"') end = NextChar(end);
        splits.push_back({std::string(start + 1, end), AfterBlanks(*end == '"' ? end + 1 : end)});
        return splits;
    }
    const char* p = start;
    for (; *p != '\0' && *p != '"'; p = NextChar(p)) {
        if (IsBlank(*p) && p != start && !IsBlank(p[-1])) splits.push_back({std::string(start, p), AfterBlanks(p)});
    }
    if (*p == '\0') {
        const char* end = p;
        while (end != start && IsBlank(end[-1])) --end;
        if (end != start && (splits.empty() || splits.back().program.size() != static_cast<std::size_t>(end - start))) {
            splits.push_back({std::string(start, end), std::string()});
        }
    }
    return splits;
}
