#include "settings/shell_settings.h"

#include "settings/ini_section.h"
#include "settings/settings_file.h"

#include <cstdlib>
#include <string>

namespace {

// A key's value as a read of that key returns it: one pair of enclosing
// quotes removed.
std::string KeyValue(const IniSection& section, const char* key)
{
    const char* found = section.Find(key);
    std::string value = found != nullptr ? found : "";
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// A number as the platform's integer read takes it: decimal, or hexadecimal after "0x".
int KeyInt(const std::string& value)
{
    const char* p = value.c_str();
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    const bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    const long n = std::strtol(hex ? p + 2 : p, nullptr, hex ? 16 : 10);
    return static_cast<int>(negative ? -n : n);
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
