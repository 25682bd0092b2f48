// Hotkey text: whatever a hand-edited file holds, the text written back
// reads as the same key and modifiers, and a key name found is a name of
// the table.
#include "commands/hotkey_text.h"

#include "fuzz_text.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text = FuzzText(data, size);

    const char* after = nullptr;
    const int code = KeyFromName(text.c_str(), &after);
    if (code != 0) {
        FUZZ_CHECK(after > text.c_str() && after <= text.c_str() + text.size());
        std::string name;
        FUZZ_CHECK(KeyToName(code, name));
    }

    int key = 0, modifiers = 0;
    ParseHotkey(text.c_str(), key, modifiers);
    FUZZ_CHECK(modifiers >= 0 && modifiers <= 15);
    FUZZ_CHECK(key >= 0 && key <= 255);

    std::string once;
    FUZZ_CHECK(FormatHotkey(key, modifiers, once) == (key != 0));
    int key2 = 0, modifiers2 = 0;
    FUZZ_CHECK(ParseHotkey(once.c_str(), key2, modifiers2));
    FUZZ_CHECK(key2 == key && modifiers2 == modifiers);
    std::string twice;
    FormatHotkey(key2, modifiers2, twice);
    FUZZ_CHECK(once == twice);
    return 0;
}
