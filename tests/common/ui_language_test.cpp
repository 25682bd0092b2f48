#include "platform/ui_language.h"

#include <gtest/gtest.h>

namespace {

TEST(ChooseUiLanguage, TheSettingWinsWhereTheCodePageAllowsIt)
{
    constexpr auto ja = UiLanguage::kJapanese, en = UiLanguage::kEnglish;
    struct Case {
        const char* setting;
        bool userJapanese, codePage932;
        UiLanguage expected;
    } cases[] = {
        {"", true, true, ja},       // a Japanese system, as before
        {"", false, true, en},      // another UI language on code page 932
        {"", true, false, en},      // texts that the code page could not show
        {"en", true, true, en},
        {"EN", true, true, en},
        {"ja", false, true, ja},
        {"ja", true, false, en},    // Japanese asked for where it cannot be shown
        {"fr", true, true, ja},     // an unknown value is no choice
        {"fr", false, true, en},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.setting) + " " + std::to_string(c.userJapanese) + std::to_string(c.codePage932));
        EXPECT_EQ(ChooseUiLanguage(c.setting, c.userJapanese, c.codePage932), c.expected);
    }
}

} // namespace
