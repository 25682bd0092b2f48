#include "window_search.h"

#include "title_pattern.h"

#include <utility>

namespace {

struct Search {
    const WindowQuery& query;
    std::vector<HWND> found;
    // One image query per process: a program often has many windows.
    std::vector<std::pair<DWORD, bool>> processes;
};

bool SamePath(const char* a, const char* b)
{
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a, -1, b, -1) == CSTR_EQUAL;
}

bool ImageMatches(Search& search, HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    for (const auto& known : search.processes) {
        if (known.first == process) return known.second;
    }
    bool matches = false;
    // The limited right is granted even for elevated programs of the same user.
    if (HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process)) {
        char image[MAX_PATH];
        DWORD size = sizeof image;
        matches = QueryFullProcessImageNameA(handle, 0, image, &size) &&
                  SamePath(image, search.query.programPath.c_str());
        CloseHandle(handle);
    }
    search.processes.emplace_back(process, matches);
    return matches;
}

BOOL CALLBACK OnWindow(HWND window, LPARAM context)
{
    Search& search = *reinterpret_cast<Search*>(context);
    if (!IsWindowVisible(window) || (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0 ||
        GetWindow(window, GW_OWNER) != nullptr) {
        return TRUE;
    }
    bool matches;
    if (!search.query.titlePattern.empty()) {
        // Another process's title is read from the system, without a message
        // that a hung program would never answer.
        char title[512];
        GetWindowTextA(window, title, sizeof title);
        matches = MatchTitlePattern(search.query.titlePattern.c_str(), title);
    } else {
        matches = ImageMatches(search, window);
    }
    if (matches) search.found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> FindCommandWindows(const WindowQuery& query)
{
    Search search{query, {}, {}};
    EnumWindows(OnWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
