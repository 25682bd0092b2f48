#include "settings/shell_settings.h"

#include "settings/ini_section.h"
#include "settings/ini_text.h"
#include "settings/settings_file.h"

#include <cstdlib>
#include <string>

namespace {

// A key's value as a read of that key returns it.
std::string KeyValue(const IniSection& section, const char* key)
{
    const char* found = section.Find(key);
    return std::string(KeyReadValue(found != nullptr ? found : ""));
}

// A number as the platform's integer read takes it: decimal, or after
// "0x", "0o" or "0b" in that base, up to the first byte that is no digit.
int KeyInt(const std::string& value)
{
    const char* p = value.c_str();
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    int base = 10;
    if (p[0] == '0') {
        switch (p[1]) {
        case 'x': case 'X': base = 16; break;
        case 'o': case 'O': base = 8; break;
        case 'b': case 'B': base = 2; break;
        default: break;
        }
        if (base != 10) p += 2;
    }
    const unsigned long n = std::strtoul(p, nullptr, base);
    return static_cast<int>(negative ? 0 - n : n);
}

} // namespace

bool ShellSettings::Load(const SettingsFile& file)
{
    showDesktopIcons = !file.ReadBool(kDesktopSection, "HideIcon");
    showTaskbar = !file.ReadBool(kDesktopSection, "TaskbarHide");
    translucentTaskbar = file.ReadBool(kDesktopSection, "TaskbarTrans");
    // No stored opacity is opaque: ticking "Translucent" alone must not make
    // the taskbar vanish. A stored 0 stays 0.
    taskbarOpacity = file.HasValue(kDesktopSection, "TaskbarTrans.Percent")
                         ? ClampOpacity(file.ReadInt(kDesktopSection, "TaskbarTrans.Percent"))
                         : 255;
    return true;
}

void ShellSettings::LoadFromText(std::string_view text)
{
    IniSection section;
    section.ParseText(text, kDesktopSection);
    const std::string hideIcon = KeyValue(section, "HideIcon"), taskbarHide = KeyValue(section, "TaskbarHide"),
                      trans = KeyValue(section, "TaskbarTrans"), percent = KeyValue(section, "TaskbarTrans.Percent");
    showDesktopIcons = !BoolFromWord(&hideIcon);
    showTaskbar = !BoolFromWord(&taskbarHide);
    translucentTaskbar = BoolFromWord(&trans);
    taskbarOpacity = percent.empty() ? 255 : ClampOpacity(KeyInt(percent));
}
