#include "options_sheet.h"

#include "command_table_page.h"
#include "platform/message_box.h"
#include "platform/ui_text.h"
#include "program_info_page.h"
#include "resource.h"
#include "settings/settings_file.h"
#include "shell_extension_page.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstddef>
#include <cstring>

// MinGW's PROPSHEETHEADERA_V2_SIZE names a union member macro it never
// defines; this is the same size: the layout up to the header bitmap.
constexpr UINT kSheetHeaderV2Size = offsetof(PROPSHEETHEADERA, hbmHeader) + sizeof(HBITMAP);

std::string SheetCaption(const SettingsFile& settings)
{
    char caption[64] = {};
    LoadUiString(IDS_SHEET_CAPTION, caption, sizeof caption);
    return std::string(caption) + settings.Path();
}

namespace {
struct SheetSearch {
    std::string prefix;
    HWND found;
};

BOOL CALLBACK FindSheetProc(HWND window, LPARAM param)
{
    auto& search = *reinterpret_cast<SheetSearch*>(param);
    char cls[8] = {}, title[1024] = {};
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, title, sizeof title);
    if (IsWindowVisible(window) && std::strcmp(cls, "#32770") == 0 &&
        std::strncmp(title, search.prefix.c_str(), search.prefix.size()) == 0) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND FindOpenSheet()
{
    SheetSearch search = {LoadResourceString(IDS_SHEET_CAPTION), nullptr};
    if (!search.prefix.empty())
        EnumWindows(FindSheetProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

INT_PTR ShowOptionsSheet(HINSTANCE instance, SettingsFile& settings, bool modeless)
{
    struct PageSpec {
        WORD templateId;
        DLGPROC proc;
    };
    const PageSpec specs[3] = {
        {IDD_COMMAND_TABLE, CommandTablePageProc},
        {IDD_SHELL_EXTENSION, ShellExtensionPageProc},
        {IDD_PROGRAM_INFO, ProgramInfoPageProc},
    };
    // The version-2 layout (PROPSHEETPAGEA_V2_SIZE, which is no constant
    // expression in MinGW), sized for the platform the program is built for.
    // The sheet steps through the array by each page's dwSize, so the pages
    // lie at that stride, not at sizeof(PROPSHEETPAGEA).
    constexpr size_t kPageSize = offsetof(PROPSHEETPAGEA, pszHeaderSubTitle) + sizeof(LPCSTR);
    alignas(PROPSHEETPAGEA) unsigned char pages[3 * kPageSize] = {};
    for (int i = 0; i < 3; ++i) {
        PROPSHEETPAGEA page = {};
        page.dwSize = kPageSize;
        page.dwFlags = PSP_DLGINDIRECT;   // tab title from the template caption
        page.hInstance = instance;
        page.pResource = UiDialogTemplate(specs[i].templateId);
        page.pfnDlgProc = specs[i].proc;
        page.lParam = reinterpret_cast<LPARAM>(&settings);
        std::memcpy(pages + i * kPageSize, &page, kPageSize);
    }
    const std::string caption = SheetCaption(settings);
    PROPSHEETHEADERA header = {};
    header.dwSize = kSheetHeaderV2Size;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | (modeless ? PSH_MODELESS : 0);
    header.hwndParent = nullptr;
    header.hInstance = instance;
    header.pszCaption = caption.c_str();
    header.nPages = 3;
    header.nStartPage = 0;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
    return PropertySheetA(&header);
}

void RunOptionsSheet(HINSTANCE instance, SettingsFile& settings, const char* commandLine)
{
    // The sheet is shown whatever the outcome; the pages then find nothing to read.
    settings.OpenLocal(commandLine ? commandLine : "");
    // Modeless, so that the closed sheet's window is left to the program's
    // end instead of being destroyed: that would hide it first (under Wine
    // without a window manager, two seconds of waiting for one to withdraw
    // it) and delete the tree's items one notification at a time, work the
    // end of the process does at once.
    HWND sheet = reinterpret_cast<HWND>(ShowOptionsSheet(instance, settings, true));
    if (!sheet)
        return;
    MSG message;
    // A closed sheet (OK or Cancel) has no current page.
    while (PropSheet_GetCurrentPageHwnd(sheet) && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!PropSheet_IsDialogMessage(sheet, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}
