// Service lines: the tokens are a null-terminated vector of texts that make
// up the line, empty only at its ends, and a prefix match points into the
// line it was given.
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
    FUZZ_CHECK(tokens.Count() >= 1);
    char** vector = tokens.Vector();
    FUZZ_CHECK(vector != nullptr && vector[tokens.Count()] == nullptr);
    // Each separator is one blank: the tokens joined by blanks are the line.
    std::string joined;
    // Without quotes and double-byte characters every blank is one.
    bool plain = line.find_first_of("'\"") == std::string::npos;
    for (char c : line) plain = plain && static_cast<unsigned char>(c) < 0x80;
    for (int i = 0; i < tokens.Count(); ++i) {
        const std::string token = vector[i];
        if (i > 0) joined += ' ';
        joined += token;
        // Only a blank at the very start or end of the line leaves an empty
        // token; the blanks of a run stay at the end of the token before it.
        if (token.empty()) {
            FUZZ_CHECK(i == 0 ? line.empty() || line[0] == ' ' : i == tokens.Count() - 1 && line.back() == ' ');
        }
        if (plain) FUZZ_CHECK(token.find_first_not_of(' ', token.find(' ')) == std::string::npos);
    }
    FUZZ_CHECK(joined == line);
    return 0;
}
