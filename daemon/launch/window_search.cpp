#include "window_search.h"

#include "title_pattern.h"

namespace {

bool SamePath(const char* a, const char* b)
{
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a, -1, b, -1) == CSTR_EQUAL;
}

struct Search {
    WindowMatcher& matcher;
    std::size_t limit;
    std::vector<HWND> found;
};

BOOL CALLBACK OnWindow(HWND window, LPARAM context)
{
    Search& search = *reinterpret_cast<Search*>(context);
    if (search.matcher.Matches(window)) search.found.push_back(window);
    return search.found.size() < search.limit;
}

} // namespace

bool WindowMatcher::Matches(HWND window)
{
    if (!IsWindowVisible(window) || (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0 ||
        GetWindow(window, GW_OWNER) != nullptr) {
        return false;
    }
    if (query_.titlePattern.empty()) return ImageMatches(window);
    // Another process's title is read from the system, without a message
    // that a hung program would never answer.
    char title[512];
    GetWindowTextA(window, title, sizeof title);
    return MatchTitlePattern(query_.titlePattern.c_str(), title);
}

bool WindowMatcher::ImageMatches(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    for (const auto& known : processes_) {
        if (known.first == process) return known.second;
    }
    bool matches = false;
    // The limited right is granted even for elevated programs of the same user.
    if (HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process)) {
        char image[MAX_PATH];
        DWORD size = sizeof image;
        matches = QueryFullProcessImageNameA(handle, 0, image, &size) && SamePath(image, query_.programPath.c_str());
        CloseHandle(handle);
    }
    processes_.emplace_back(process, matches);
    return matches;
}

std::vector<HWND> FindCommandWindows(WindowMatcher& matcher, std::size_t limit)
{
    Search search{matcher, limit, {}};
    if (limit > 0) EnumWindows(OnWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
