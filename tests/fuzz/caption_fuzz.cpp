// Caption split and join: every level is non-empty and free of "/" (unless
// the caption is nothing but slashes and blanks), the name is the last
// level, and a joined caption splits back into the same levels.
#include "commands/command_path.h"

#include "fuzz_text.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string caption = FuzzText(data, size);
    CommandPath path;
    std::string name;
    SplitCaption(caption.c_str(), path, name);

    if (caption.empty()) return 0;
    FUZZ_CHECK(path.Count() >= 1);
    FUZZ_CHECK(name == path.Level(path.Count() - 1));
    const bool slashesOnly = caption.find_first_not_of("/ \t\n\v\f\r\x1a") == std::string::npos;
    for (std::uint32_t n = 0; n < path.Count(); ++n) {
        const char* level = path.Level(n);
        FUZZ_CHECK(level[0] != '\0');
        if (!slashesOnly) FUZZ_CHECK(std::strchr(level, '/') == nullptr);
    }
    FUZZ_CHECK(path.Level(path.Count()) == nullptr);

    const std::string joined = JoinPath(path);
    CommandPath again;
    std::string againName;
    SplitCaption(joined.c_str(), again, againName);
    FUZZ_CHECK(again.Count() == path.Count());
    FUZZ_CHECK(CommonLevels(again, path) == path.Count());
    FUZZ_CHECK(JoinPath(again) == joined);
    FUZZ_CHECK(againName == name);
    return 0;
}
