// Environment files: the block never runs past its buffer, ends in two NULs
// and holds no carriage return, and every NAME=value line of the file before
// its first empty line is one of the block's variables, in the file's order.
// Merged into an environment, each name is there once, a line's value
// without references is taken as written, and the rest stays.
#include "environment_text.h"
#include "environment_variables.h"

#include "fuzz_text.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Exactly the size the caller must give, so that ASan sees any overrun.
    std::unique_ptr<char[]> out(new char[size + 2]);
    const std::size_t length = ConvertEnvironmentText(reinterpret_cast<const char*>(data), size, out.get());
    FUZZ_CHECK(length <= size);
    FUZZ_CHECK(out[length] == '\0' && out[length + 1] == '\0');
    for (std::size_t i = 0; i < length; ++i) FUZZ_CHECK(out[i] != '\r');

    // The variables as a started program gets them: up to the first empty one.
    std::vector<std::string> variables;
    for (const char* p = out.get(); *p != '\0'; p += std::strlen(p) + 1) variables.emplace_back(p);
    // The file's lines as an editor shows them, ended by CR or CR LF (a lone
    // LF is a character of the line); one with a NUL is not text and may end
    // the block.
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t next = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\r', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.empty() || line.find('\0') != std::string::npos) break;
        if (line.find('=') != std::string::npos && line[0] != '=') {
            while (next < variables.size() && variables[next] != line) ++next;
            FUZZ_CHECK(next < variables.size());
            ++next;
        }
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }

    const char base[] = "=C:=C:\\work\0Path=C:\\w\0TEMP=%x%\0\0";
    EnvironmentVariables merged(base);
    merged.Merge(out.get());
    const std::string block = merged.BlockText();
    FUZZ_CHECK(block.empty() || block.back() == '\0');
    const auto& all = merged.Variables();
    for (std::size_t i = 0; i < all.size(); ++i) {
        FUZZ_CHECK(!all[i].name.empty() && all[i].name.find('=', 1) == std::string::npos);
        for (std::size_t j = i + 1; j < all.size(); ++j) FUZZ_CHECK(!SameVariableName(all[i].name, all[j].name));
    }
    const EnvironmentVariables file(out.get());
    const EnvironmentVariables before(base);
    for (const EnvironmentVariables::Variable& variable : before.Variables()) {
        if (file.Find(variable.name) == nullptr) FUZZ_CHECK(*merged.Find(variable.name) == variable.value);
    }
    for (std::size_t i = 0; i < file.Variables().size(); ++i) {
        const EnvironmentVariables::Variable& line = file.Variables()[i];
        bool last = true;
        for (std::size_t j = i + 1; j < file.Variables().size(); ++j) {
            last = last && !SameVariableName(line.name, file.Variables()[j].name);
        }
        const std::string* value = merged.Find(line.name);
        FUZZ_CHECK(value != nullptr);
        if (last && line.value.find('%') == std::string::npos) FUZZ_CHECK(*value == line.value);
    }
    return 0;
}
