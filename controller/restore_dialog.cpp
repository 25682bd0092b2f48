#include "restore_dialog.h"

#include "commands/command_table.h"
#include "platform/message_box.h"
#include "platform/ui_text.h"
#include "resource.h"
#include "settings/settings_backup.h"
#include "settings/settings_file.h"

#include <commctrl.h>

#include <cstdio>

std::vector<RestoreChoice> ListRestoreChoices(const std::string& path)
{
    std::vector<RestoreChoice> choices;
    for (const BackupFile& backup : ListBackups(path)) {
        RestoreChoice choice;
        choice.path = backup.path;
        char time[32];
        const BackupStamp& s = backup.stamp;
        wsprintfA(time, "%04d/%02d/%02d %02d:%02d:%02d", s.year, s.month, s.day, s.hour, s.minute, s.second);
        choice.time = time;
        SettingsFile file;
        CommandTable table;
        choice.loaded = file.Open(backup.path.c_str()) && table.Load(file);
        choice.commands = table.Size();
        choices.push_back(choice);
    }
    return choices;
}

INT_PTR CALLBACK RestoreDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DialogObjectProc<RestoreDialog, true>(dialog, message, wParam, lParam);
}

INT_PTR RunRestoreDialog(HWND owner, const std::string& tablePath, CommandTable& table)
{
    const RestoreRequest request = {tablePath, &table};
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), UiDialogTemplate(IDD_RESTORE), owner,
                                   RestoreDialogProc, reinterpret_cast<LPARAM>(&request));
}

RestoreDialog::RestoreDialog(HWND window, LPARAM param)
    : window_(window),
      list_(GetDlgItem(window, IDC_BACKUP_LIST)),
      table_(param ? reinterpret_cast<const RestoreRequest*>(param)->table : nullptr)
{
    if (!table_) {
        EndDialog(window_, -1);
        return;
    }
    SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RECT client = {};
    GetClientRect(list_, &client);
    const int width = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
    const struct {
        UINT text;
        int width;
        int format;
    } columns[] = {{IDS_RESTORE_TIME, width * 3 / 5, LVCFMT_LEFT}, {IDS_RESTORE_COMMANDS, width * 2 / 5, LVCFMT_RIGHT}};
    for (int i = 0; i < 2; ++i) {
        const std::string text = LoadResourceString(columns[i].text);
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = columns[i].format;
        column.cx = columns[i].width;
        column.pszText = const_cast<char*>(text.c_str());
        SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    choices_ = ListRestoreChoices(reinterpret_cast<const RestoreRequest*>(param)->tablePath);
    Fill();
}

void RestoreDialog::Fill()
{
    const std::string unreadable = LoadResourceString(IDS_RESTORE_UNREADABLE);
    for (std::size_t i = 0; i < choices_.size(); ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(choices_[i].time.c_str());
        SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        const std::string count = choices_[i].loaded ? std::to_string(choices_[i].commands) : unreadable;
        item.iSubItem = 1;
        item.pszText = const_cast<char*>(count.c_str());
        SendMessageA(list_, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
    }
    if (choices_.empty()) ShowWindow(GetDlgItem(window_, IDC_RESTORE_NONE), SW_SHOW);
    OnSelectionChanged();
}

const RestoreChoice* RestoreDialog::Selected() const
{
    const LRESULT row = SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    return row >= 0 && static_cast<std::size_t>(row) < choices_.size() ? &choices_[static_cast<std::size_t>(row)]
                                                                         : nullptr;
}

void RestoreDialog::OnSelectionChanged()
{
    const RestoreChoice* selected = Selected();
    EnableWindow(GetDlgItem(window_, IDOK), selected != nullptr && selected->loaded);
}

bool RestoreDialog::LoadChosen()
{
    const RestoreChoice* selected = Selected();
    if (selected == nullptr) return false;
    SettingsFile file;
    CommandTable table;
    if (!file.Open(selected->path.c_str()) || !table.Load(file)) {
        ShowError(window_, IDS_RESTORE_FAILED, selected->path.c_str());
        return false;
    }
    *table_ = std::move(table);
    return true;
}

bool RestoreDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (LoadChosen()) EndDialog(window_, 1);
            return true;
        case IDCANCEL:
            EndDialog(window_, 0);
            return true;
        default:
            return false;
        }
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.hwndFrom != list_) return false;
        if (header.code == LVN_ITEMCHANGED) OnSelectionChanged();
        if (header.code == NM_DBLCLK && IsWindowEnabled(GetDlgItem(window_, IDOK)) && LoadChosen()) {
            EndDialog(window_, 1);
        }
        return false;
    }
    default:
        return false;
    }
}
