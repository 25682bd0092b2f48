#include "test_support.h"
#include "window_search.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

// A pop-up shown after its creation: Wine without a window manager takes two
// seconds to hide any other kind, when it is destroyed.
HWND MakeWindow(const char* title, bool visible, DWORD exStyle = 0, HWND owner = nullptr)
{
    HWND window = CreateWindowExA(exStyle, "STATIC", title, WS_POPUP, 0, 0, 100, 50, owner, nullptr,
                                  nullptr, nullptr);
    if (visible) ShowWindow(window, SW_SHOWNA);
    return window;
}

// This process's windows, matched by its own image or by their titles.
TEST(FindCommandWindows, MatchesVisibleUnownedWindowsInZOrder)
{
    HWND one = MakeWindow("Krvn match one", true);
    HWND two = MakeWindow("Krvn match two", true);
    HWND hidden = MakeWindow("Krvn match hidden", false);
    HWND tool = MakeWindow("Krvn match tool", true, WS_EX_TOOLWINDOW);
    HWND owned = MakeWindow("Krvn match owned", true, 0, one);
    ASSERT_TRUE(one && two && hidden && tool && owned);
    SetWindowPos(two, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(one, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    char self[MAX_PATH];
    ASSERT_NE(GetModuleFileNameA(nullptr, self, sizeof self), 0u);
    std::string upper = self;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));

    struct Case {
        const char* name;
        WindowQuery query;
        std::size_t limit;
        std::vector<HWND> found;
    } cases[] = {
        {"image", {"", self}, 10, {one, two}},
        {"image in other case", {"", upper}, 10, {one, two}},
        {"the top one", {"", self}, 1, {one}},
        {"another image", {"", testing_support::ExeDir() + "exec_recorder.exe"}, 10, {}},
        {"title pattern", {"krvn MATCH *", ""}, 10, {one, two}},
        {"title pattern over the image", {"*two", self}, 10, {two}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowMatcher matcher(c.query);
        EXPECT_EQ(FindCommandWindows(matcher, c.limit), c.found);
        EXPECT_FALSE(matcher.Matches(hidden) || matcher.Matches(tool) || matcher.Matches(owned));
    }
    for (HWND window : {owned, tool, hidden, two, one}) DestroyWindow(window);
}

} // namespace
