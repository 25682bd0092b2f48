// Environment files: the block never runs past its buffer, ends in two NULs
// and holds no carriage return.
#include "environment_text.h"

#include "fuzz_text.h"

#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Exactly the size the caller must give, so that ASan sees any overrun.
    std::unique_ptr<char[]> out(new char[size + 2]);
    const std::size_t length = ConvertEnvironmentText(reinterpret_cast<const char*>(data), size, out.get());
    FUZZ_CHECK(length <= size);
    FUZZ_CHECK(out[length] == '\0' && out[length + 1] == '\0');
    for (std::size_t i = 0; i < length; ++i) FUZZ_CHECK(out[i] != '\r');
    return 0;
}
