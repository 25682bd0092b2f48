#pragma once

#include <string_view>

// The language of every text the programs show. Stored values (keys,
// service names, key names) never change with it.
enum class UiLanguage { kJapanese, kEnglish };

// `setting`: the value of [Language] UI in the main settings file ("en",
// "ja" or none); `userJapanese`: the user's UI language is Japanese;
// `japaneseCodePage`: the system code page is 932. The programs speak the
// system code page, so Japanese needs 932 whatever is asked; everything
// else gets English.
UiLanguage ChooseUiLanguage(std::string_view setting, bool userJapanese, bool japaneseCodePage);
