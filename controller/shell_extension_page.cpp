#include "shell_extension_page.h"

#include "platform/message_box.h"
#include "resource.h"
#include "settings/settings_file.h"
#include "shell_page_rules.h"
#include "settings/shell_settings.h"

#include <commctrl.h>

INT_PTR CALLBACK ShellExtensionPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DialogObjectProc<ShellExtensionPage, false>(dialog, message, wParam, lParam);
}

ShellExtensionPage::ShellExtensionPage(HWND window, LPARAM param)
    : settings_(reinterpret_cast<SettingsFile*>(reinterpret_cast<const PROPSHEETPAGEA*>(param)->lParam)),
      window_(window),
      hideIconsBox_(GetDlgItem(window, IDC_HIDE_ICONS)),
      hideTaskbarBox_(GetDlgItem(window, IDC_HIDE_TASKBAR)),
      translucentBox_(GetDlgItem(window, IDC_TRANSLUCENT)),
      slider_(GetDlgItem(window, IDC_OPACITY)),
      currentLabel_(GetDlgItem(window, IDC_CURRENT_LABEL)),
      transparentLabel_(GetDlgItem(window, IDC_TRANSPARENT_LABEL)),
      opaqueLabel_(GetDlgItem(window, IDC_OPAQUE_LABEL)),
      information_(GetDlgItem(window, IDC_TRANSLUCENT_INFO))
{
    LoadPage();
}

void ShellExtensionPage::LoadPage()
{
    ShellSettings shell;
    if (settings_)
        shell.Load(*settings_);
    SendMessageA(hideIconsBox_, BM_SETCHECK, shell.showDesktopIcons ? BST_UNCHECKED : BST_CHECKED, 0);
    SendMessageA(hideTaskbarBox_, BM_SETCHECK, shell.showTaskbar ? BST_UNCHECKED : BST_CHECKED, 0);
    SendMessageA(translucentBox_, BM_SETCHECK, shell.translucentTaskbar ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(slider_, TBM_SETRANGE, TRUE, MAKELPARAM(0, 255));
    // Page Up, Page Down and a click beside the thumb jump to an end.
    SendMessageA(slider_, TBM_SETPAGESIZE, 0, 255);
    SendMessageA(slider_, TBM_SETSEL, FALSE, MAKELPARAM(0, 255));
    SendMessageA(slider_, TBM_SETPOS, TRUE, shell.taskbarOpacity);
    RefreshControls();
}

bool ShellExtensionPage::IsChecked(HWND box) const
{
    return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool ShellExtensionPage::StorePage()
{
    ShellSettings shell;
    shell.showDesktopIcons = !IsChecked(hideIconsBox_);
    shell.showTaskbar = !IsChecked(hideTaskbarBox_);
    shell.translucentTaskbar = IsChecked(translucentBox_);
    shell.taskbarOpacity = ClampOpacity(static_cast<int>(SendMessageA(slider_, TBM_GETPOS, 0, 0)));
    // A write that fails must keep the sheet open, or the choice is lost unseen.
    if (!settings_ || !shell.Save(*settings_)) {
        ShowError(window_, IDS_SHELL_WRITE_FAILED, settings_ ? settings_->Path() : "");
        return false;
    }
    return true;
}

bool ShellExtensionPage::TranslucencyAvailable()
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 && GetProcAddress(user32, "SetLayeredWindowAttributes");
}

void ShellExtensionPage::RefreshControls()
{
    const bool available = TranslucencyAvailable();
    if (available)
        ShowWindow(information_, SW_HIDE);
    const ShellControlStates s = ComputeShellControlStates(available, IsChecked(hideTaskbarBox_),
                                                           IsChecked(translucentBox_));
    EnableWindow(translucentBox_, s.translucentBox);
    EnableWindow(slider_, s.slider);
    EnableWindow(transparentLabel_, s.transparentLabel);
    EnableWindow(currentLabel_, s.currentLabel);
    EnableWindow(opaqueLabel_, s.opaqueLabel);
    const std::string text = OpacityPercentText(static_cast<int>(SendMessageA(slider_, TBM_GETPOS, 0, 0)));
    SetWindowTextA(currentLabel_, text.c_str());
}

bool ShellExtensionPage::HandleMessage(UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_NOTIFY: {
        const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
        // The slider notifies on every repaint, so the label follows the thumb.
        if (header.hwndFrom == slider_) {
            RefreshControls();
            return false;
        }
        if (header.code == PSN_APPLY) {
            SetDialogResult(window_, StorePage() ? PSNRET_NOERROR : PSNRET_INVALID);
            return true;
        }
        return false;
    }
    case WM_HSCROLL:
        // Wine's trackbar does not always custom-draw on a thumb move; its scroll messages do come.
        RefreshControls();
        return false;
    case WM_COMMAND:
        RefreshControls();
        return false;
    default:
        return false;
    }
}
