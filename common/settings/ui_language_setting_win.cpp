#include "settings/ui_language_setting.h"

#include "platform/ui_text.h"
#include "settings/settings_file.h"

void ApplyUiLanguageSetting()
{
    SettingsFile file;
    std::string value;
    if (file.Open(MainSettings::FileName().c_str())) file.ReadString("Language", "UI", value);
    SetUiLanguage(SystemUiLanguage(value));
}
