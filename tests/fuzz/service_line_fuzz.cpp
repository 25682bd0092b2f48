// Service lines: the tokens are a null-terminated vector of non-empty texts
// inside one copy, and a prefix match points into the line it was given.
#include "service_line.h"

#include "fuzz_text.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string line = FuzzText(data, size);

    const char* rest = MatchServicePrefix(line.c_str());
    if (rest != nullptr) FUZZ_CHECK(rest >= line.c_str() && rest <= line.c_str() + line.size());

    ServiceTokens tokens;
    FUZZ_CHECK(SplitServiceLine(line.c_str(), tokens));
    FUZZ_CHECK(tokens.Count() >= 0);
    char** vector = tokens.Vector();
    if (tokens.Count() == 0) return 0;
    FUZZ_CHECK(vector != nullptr);
    std::size_t bytes = 0;
    for (int i = 0; i < tokens.Count(); ++i) {
        FUZZ_CHECK(vector[i] != nullptr);
        bytes += std::strlen(vector[i]);
    }
    FUZZ_CHECK(vector[tokens.Count()] == nullptr);
    // Quotes and separators are dropped, never added.
    FUZZ_CHECK(bytes <= line.size());
    return 0;
}
