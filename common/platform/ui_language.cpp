#include "platform/ui_language.h"

#include "settings/ascii_case.h"

UiLanguage ChooseUiLanguage(std::string_view setting, bool userJapanese, bool japaneseCodePage)
{
    if (!japaneseCodePage || EqualsAsciiNoCase(setting, "en")) return UiLanguage::kEnglish;
    if (EqualsAsciiNoCase(setting, "ja")) return UiLanguage::kJapanese;
    return userJapanese ? UiLanguage::kJapanese : UiLanguage::kEnglish;
}
