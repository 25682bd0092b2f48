#include "commands/show_cmd.h"

#include <cstddef>

namespace {

struct ShowCmdName {
    const char* name;
    int value;
};

// The platform's SW_ values; "SW_SHOWMAXIMIZED" is read but never written.
const ShowCmdName kShowCmdNames[] = {
    {"SW_HIDE", 0},           {"SW_SHOWNORMAL", 1},     {"SW_SHOWMINIMIZED", 2},   {"SW_MAXIMIZE", 3},
    {"SW_SHOWMAXIMIZED", 3},  {"SW_SHOWNOACTIVATE", 4}, {"SW_SHOW", 5},            {"SW_MINIMIZE", 6},
    {"SW_SHOWMINNOACTIVE", 7}, {"SW_SHOWNA", 8},        {"SW_RESTORE", 9},         {"SW_SHOWDEFAULT", 10},
    {"SW_FORCEMINIMIZE", 11},
};

bool EqualNoCase(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        char ca = *a, cb = *b;
        if (ca >= 'a' && ca <= 'z') ca = static_cast<char>(ca - 'a' + 'A');
        if (cb >= 'a' && cb <= 'z') cb = static_cast<char>(cb - 'a' + 'A');
        if (ca != cb) return false;
        if (ca == '\0') return true;
    }
}

} // namespace

int ShowCmdFromName(const char* text)
{
    if (text == nullptr) return 1;
    for (const ShowCmdName& row : kShowCmdNames) {
        if (EqualNoCase(text, row.name)) return row.value;
    }
    return 1;
}

const char* ShowCmdToName(int value)
{
    if (value < 0 || value > 11) return "SW_SHOWNORMAL";
    for (const ShowCmdName& row : kShowCmdNames) {
        if (row.value == value) return row.name;
    }
    return "SW_SHOWNORMAL";
}
