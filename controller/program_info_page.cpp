#include "program_info_page.h"

#include "platform/ui_text.h"
#include "resource.h"

#include <shellapi.h>

#include <vector>

INT_PTR CALLBACK ProgramInfoPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DialogObjectProc<ProgramInfoPage, true>(dialog, message, wParam, lParam);
}

bool ReadProductVersion(const char* path, bool wantProductVersion, ProductVersion& version)
{
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return false;
    std::vector<char> block(size + 1);
    if (!GetFileVersionInfoA(path, 0, size, block.data()))
        return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof(VS_FIXEDFILEINFO))
        return false;
    const DWORD ms = wantProductVersion ? info->dwProductVersionMS : info->dwFileVersionMS;
    const DWORD ls = wantProductVersion ? info->dwProductVersionLS : info->dwFileVersionLS;
    version.major = HIWORD(ms);
    version.minor = LOWORD(ms);
    version.third = HIWORD(ls);
    version.fourth = LOWORD(ls);
    return true;
}

ProgramInfoPage::ProgramInfoPage(HWND window, LPARAM) : window_(window)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    ProductVersion version;
    if (ReadProductVersion(path, true, version)) {
        char text[64];
        wsprintfA(text, "%u.%u.%u.%u", version.major, version.minor, version.third, version.fourth);
        SetDlgItemTextA(window_, IDC_VERSION, text);
    }
}

void ProgramInfoPage::OpenString(UINT id)
{
    char text[128] = {};
    if (LoadUiString(id, text, sizeof text) > 0)
    {
        // ShellExecuteA may show a box of its own when no program takes the
        // URL (Wine does); nothing is to be shown then.
        SHELLEXECUTEINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_FLAG_NO_UI;
        info.hwnd = window_;
        info.lpVerb = "open";
        info.lpFile = text;
        info.nShow = SW_SHOW;
        ShellExecuteExA(&info);
    }
}

bool ProgramInfoPage::HandleMessage(UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND) {
        if (LOWORD(wParam) == IDC_EMAIL)
            OpenString(IDS_MAILTO);
        else if (LOWORD(wParam) == IDC_WEBSITE)
            OpenString(IDS_WEBSITE);
    }
    return false;
}
