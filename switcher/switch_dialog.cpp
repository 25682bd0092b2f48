#include "switch_dialog.h"

#include "command_line_path.h"
#include "platform/message_box.h"
#include "platform/ui_text.h"
#include "settings/settings_file.h"
#include "switcher_resource.h"

#include <commdlg.h>

#include <cstdlib>

namespace {

constexpr int kPathChars = 260;

} // namespace

bool SwitchDialog::Run(HINSTANCE instance)
{
    const INT_PTR result = DialogBoxIndirectParamA(instance, UiDialogTemplate(IDD_SWITCH), nullptr, DialogProc,
                                                   reinterpret_cast<LPARAM>(this));
    return result == 1;
}

INT_PTR CALLBACK SwitchDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<SwitchDialog*>(lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    }
    auto* self = reinterpret_cast<SwitchDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    return self != nullptr ? self->HandleMessage(message, wParam, lParam) : FALSE;
}

INT_PTR SwitchDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        // The edit box starts empty: the current setting is not shown.
        return TRUE;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

void SwitchDialog::OnCommand(int id)
{
    switch (id) {
    case IDOK: {
        // Read whole: a path cut to a buffer would name another file.
        HWND edit = GetDlgItem(hwnd_, IDC_PATH);
        std::string text(static_cast<std::size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
        text.resize(static_cast<std::size_t>(GetWindowTextA(edit, &text[0], static_cast<int>(text.size()))));
        if (!FitsAsSettingsPath(text)) {
            // The dialog stays, so that the path can be mended.
            ShowError(hwnd_, IDS_PATH_TOO_LONG, kLongestSettingsPath);
            SetFocus(edit);
            SendMessageA(edit, EM_SETSEL, 0, -1);
            break;
        }
        path_ = text;
        EndDialog(hwnd_, 1);
        break;
    }
    case IDCANCEL:   // also the close box and Escape
        EndDialog(hwnd_, 0);
        break;
    case IDC_BROWSE:
        BrowseSettingsFile(hwnd_, GetDlgItem(hwnd_, IDC_PATH));
        break;
    default:
        break;
    }
}

bool FitsAsSettingsPath(const std::string& text)
{
    // The programs open the value as the profile read gives it back.
    const std::string path = PathAsRead(text);
    if (path.empty()) return true;
    SettingsFile file;
    return file.Open(path.c_str()) && file.Path()[0] != '\0';
}

bool BrowseSettingsFile(HWND dialog, HWND edit)
{
    char* file = static_cast<char*>(std::calloc(kPathChars + 1, 1));
    if (file == nullptr) return false;
    const std::string title = LoadResourceString(IDS_BROWSE_TITLE);

    // Only an existing file is offered as the first choice: the dialog
    // refuses to open on some names that do not exist.
    GetWindowTextA(edit, file, kPathChars);
    if (GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES) file[0] = '\0';

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = "INI Files (*.ini)\0*.ini\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = kPathChars;
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_LONGNAMES | OFN_ENABLESIZING;

    bool shown = false;
    for (int attempt = 0; attempt < 2 && !shown; ++attempt) {
        if (GetOpenFileNameA(&ofn)) {
            SetWindowTextA(edit, file);
            shown = true;
        } else if (CommDlgExtendedError() == 0) {
            shown = true;   // cancelled: the edit box keeps its text
        } else {
            file[0] = '\0';   // the initial name was refused: try once without it
        }
    }
    std::free(file);
    return shown;
}
