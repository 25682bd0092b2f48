// The adder's argument split: every command line gives at least one
// argument, and arguments quoted by the rules give back the same list.
#include "split_arguments.h"

#include "settings/multibyte.h"

#include "fuzz_text.h"

#include <vector>

namespace {

// The last character is a lead byte without its second byte: quoting it
// would pair it with the closing mark, so no line gives it back.
bool EndsInLoneLeadByte(const std::string& text)
{
    const char* p = text.c_str();
    const char* last = nullptr;
    while (*p != '\0') {
        last = p;
        p = NextChar(p);
    }
    return last != nullptr && p - last == 1 && IsLeadByte(static_cast<unsigned char>(*last));
}

// Quoted by the argv rules: a run of backslashes is doubled before a
// quotation mark and at the end, and a quotation mark is escaped.
std::string Quote(const std::string& argument)
{
    std::string out = "\"";
    std::size_t slashes = 0;
    for (const char* p = argument.c_str(); *p != '\0';) {
        const char* next = NextChar(p);
        if (next - p == 1 && *p == '\\') {
            ++slashes;
        } else {
            if (next - p == 1 && *p == '"') out.append(slashes + 1, '\\');
            slashes = 0;
        }
        out.append(p, next);
        p = next;
    }
    out.append(slashes, '\\');
    out += '"';
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string line = FuzzText(data, size);
    const std::vector<std::string> arguments = SplitArguments(line.c_str());
    FUZZ_CHECK(!arguments.empty());

    // A program name holds no quotation mark: it is quoted whole.
    std::string rebuilt = "\"" + arguments[0] + "\"";
    for (const std::string& argument : arguments) {
        if (EndsInLoneLeadByte(argument)) return 0;
    }
    for (std::size_t i = 1; i < arguments.size(); ++i) rebuilt += " " + Quote(arguments[i]);
    FUZZ_CHECK(SplitArguments(rebuilt.c_str()) == arguments);
    return 0;
}
