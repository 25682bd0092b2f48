#include "command_edit_dialog.h"

#include "command.h"
#include "command_name.h"
#include "command_tree.h"
#include "hotkey_text.h"
#include "message_box.h"
#include "resource.h"

#include <commdlg.h>

#include <utility>
#include <vector>

const char* const kServiceCommandLines[22] = {
    "Service:Exit", "Service:Start", "Service:Stop", "Service:Restart",
    "Service:Hotkey.Start", "Service:Hotkey.Stop", "Service:Hotkey.Restart",
    "Service:Switch", "Service:Option", "Service:CommandMenu", "Service:GetWinText",
    "Service:ScreenSaver", "Service:ShowDeskIcon", "Service:HideDeskIcon",
    "Service:Exit.Logoff", "Service:Exit.Reboot", "Service:Exit.Shutdown",
    "Service:Folder.Personal", "Service:Folder.Recycle", "Service:Folder.Computer",
    "Service:Folder.Controls", "Service:Folder.Recycle.Empty",
};

INT_PTR CALLBACK CommandEditDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DialogObjectProc<CommandEditDialog, true>(dialog, message, wParam, lParam);
}

INT_PTR RunCommandEditDialog(HWND owner, CommandItem* item, NameTakenCheck nameTaken)
{
    const CommandEditRequest request = {item, std::move(nameTaken)};
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_COMMAND_EDIT), owner,
                           CommandEditDialogProc, reinterpret_cast<LPARAM>(&request));
}

int ShowCmdToIndex(int showCmd)
{
    return showCmd == SW_SHOWMINIMIZED ? 2 : showCmd == SW_SHOWMAXIMIZED ? 1 : 0;
}

int IndexToShowCmd(int index)
{
    return index == 1 ? SW_SHOWMAXIMIZED : index == 2 ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
}

static std::string ItemOption(const CommandItem& item, const char* field)
{
    return std::string(CommandOption(item.moreKeys, field));
}

static void SetItemOption(CommandItem& item, const char* field, const std::string& value)
{
    SetCommandOption(item.moreKeys, field, value);
}

// False, leaving target as it was, when the platform reports a failure.
static bool ReadText(HWND control, std::string& target)
{
    SetLastError(0);
    const int length = GetWindowTextLengthA(control);
    std::vector<char> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    GetWindowTextA(control, buffer.data(), static_cast<int>(buffer.size()));
    if (GetLastError() != 0)
        return false;
    target = buffer.data();
    return true;
}

CommandEditDialog::CommandEditDialog(HWND window, LPARAM param)
    : window_(window),
      captionBox_(GetDlgItem(window, IDC_CAPTION)),
      shiftBox_(GetDlgItem(window, IDC_SHIFT)),
      controlBox_(GetDlgItem(window, IDC_CONTROL)),
      altBox_(GetDlgItem(window, IDC_ALT)),
      winBox_(GetDlgItem(window, IDC_WIN)),
      keyBox_(GetDlgItem(window, IDC_KEY)),
      cmdlineBox_(GetDlgItem(window, IDC_CMDLINE)),
      folderBox_(GetDlgItem(window, IDC_DIR)),
      envBox_(GetDlgItem(window, IDC_ENVFILE)),
      showBox_(GetDlgItem(window, IDC_SHOWCMD)),
      runningBox_(GetDlgItem(window, IDC_RUNNING)),
      windowTitleBox_(GetDlgItem(window, IDC_WINDOW_TITLE)),
      runAsBox_(GetDlgItem(window, IDC_RUNAS)),
      envModeBox_(GetDlgItem(window, IDC_ENVMODE)),
      item_(param ? reinterpret_cast<const CommandEditRequest*>(param)->item : nullptr),
      nameTaken_(param ? reinterpret_cast<const CommandEditRequest*>(param)->nameTaken : NameTakenCheck())
{
    for (const KeyNameRow& row : KeyNameTable)
        SendMessageA(keyBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.name));
    for (const char* line : kServiceCommandLines)
        SendMessageA(cmdlineBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    for (UINT id : {IDS_SHOW_NORMAL, IDS_SHOW_MAXIMIZED, IDS_SHOW_MINIMIZED}) {
        const std::string text = LoadResourceString(id);
        SendMessageA(showBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // In the order of RunningMode, so that the index is the mode.
    for (UINT id : {IDS_RUNNING_START, IDS_RUNNING_ACTIVATE, IDS_RUNNING_TOGGLE, IDS_RUNNING_CYCLE}) {
        const std::string text = LoadResourceString(id);
        SendMessageA(runningBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    if (!item_) {
        EndDialog(window_, -1);
        return;
    }
    FillControls();
}

void CommandEditDialog::FillControls()
{
    SetWindowTextA(captionBox_, item_->name.c_str());
    SendMessageA(altBox_, BM_SETCHECK, (item_->modifiers & kModAlt) ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(controlBox_, BM_SETCHECK, (item_->modifiers & kModCtrl) ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(shiftBox_, BM_SETCHECK, (item_->modifiers & kModShift) ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(winBox_, BM_SETCHECK, (item_->modifiers & kModWin) ? BST_CHECKED : BST_UNCHECKED, 0);
    std::string key;
    KeyToName(item_->virtualKey, key);
    SetWindowTextA(keyBox_, key.c_str());
    SetWindowTextA(cmdlineBox_, item_->cmdline.c_str());
    SetWindowTextA(folderBox_, item_->dir.c_str());
    SetWindowTextA(envBox_, item_->envFile.c_str());
    SendMessageA(showBox_, CB_SETCURSEL, static_cast<WPARAM>(ShowCmdToIndex(item_->showCmd)), 0);
    FillOptionControls();
}

void CommandEditDialog::FillOptionControls()
{
    const RunningMode running = ParseRunningMode(ItemOption(*item_, kRunningField));
    SendMessageA(runningBox_, CB_SETCURSEL, static_cast<WPARAM>(running), 0);
    SetWindowTextA(windowTitleBox_, ItemOption(*item_, kWindowField).c_str());
    SendMessageA(runAsBox_, BM_SETCHECK, RunsAsAdmin(ItemOption(*item_, kRunAsField)) ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(envModeBox_, BM_SETCHECK,
                 MergesEnvironment(ItemOption(*item_, kEnvModeField)) ? BST_CHECKED : BST_UNCHECKED, 0);
    shownOptions_ = ReadOptionControls();
}

CommandEditDialog::OptionControls CommandEditDialog::ReadOptionControls() const
{
    OptionControls shown;
    shown.running = static_cast<int>(SendMessageA(runningBox_, CB_GETCURSEL, 0, 0));
    ReadText(windowTitleBox_, shown.windowTitle);
    shown.runAsAdmin = IsChecked(runAsBox_);
    shown.mergeEnvironment = IsChecked(envModeBox_);
    return shown;
}

void CommandEditDialog::StoreOptionControls()
{
    // A default value removes the key: options are stored only when set.
    const OptionControls now = ReadOptionControls();
    if (now.running != shownOptions_.running) {
        const bool known = now.running > 0 && now.running <= static_cast<int>(RunningMode::kCycle);
        SetItemOption(*item_, kRunningField, known ? RunningModeName(static_cast<RunningMode>(now.running)) : "");
    }
    if (now.windowTitle != shownOptions_.windowTitle)
        SetItemOption(*item_, kWindowField, now.windowTitle);
    if (now.runAsAdmin != shownOptions_.runAsAdmin)
        SetItemOption(*item_, kRunAsField, now.runAsAdmin ? "admin" : "");
    if (now.mergeEnvironment != shownOptions_.mergeEnvironment)
        SetItemOption(*item_, kEnvModeField, now.mergeEnvironment ? "merge" : "");
    shownOptions_ = now;
}

bool CommandEditDialog::IsChecked(HWND box) const
{
    return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool CommandEditDialog::StoreControls()
{
    std::string name;
    if (ReadText(captionBox_, name)) name = TrimCommandName(name.c_str());
    if (!IsValidCommandName(name.c_str())) {
        ShowError(window_, IDS_BAD_COMMAND_NAME);
        return false;
    }
    if (nameTaken_ && nameTaken_(name)) {
        ShowError(window_, IDS_NAME_TAKEN, name.c_str());
        return false;
    }
    item_->name = name;
    std::uint32_t modifiers = 0;
    if (IsChecked(altBox_)) modifiers |= kModAlt;
    if (IsChecked(controlBox_)) modifiers |= kModCtrl;
    if (IsChecked(shiftBox_)) modifiers |= kModShift;
    if (IsChecked(winBox_)) modifiers |= kModWin;
    item_->modifiers = modifiers;
    std::string key;
    if (ReadText(keyBox_, key))
        item_->virtualKey = static_cast<std::uint8_t>(KeyFromName(key.c_str()));
    ReadText(cmdlineBox_, item_->cmdline);
    ReadText(folderBox_, item_->dir);
    ReadText(envBox_, item_->envFile);
    item_->showCmd = IndexToShowCmd(static_cast<int>(SendMessageA(showBox_, CB_GETCURSEL, 0, 0)));
    StoreOptionControls();
    return true;
}

void CommandEditDialog::BrowseCommandLine(HWND owner, HWND target)
{
    char file[261] = {};
    char title[256] = {};
    char filter[256] = {};
    LoadStringA(GetModuleHandleA(nullptr), IDS_BROWSE_TITLE, title, sizeof title);
    const int filterLength = LoadStringA(GetModuleHandleA(nullptr), IDS_BROWSE_FILTER, filter, sizeof filter - 1);
    for (int i = 0; i < filterLength; ++i) {
        if (filter[i] == '\n')
            filter[i] = '\0';
    }
    GetWindowTextA(target, file, 260);
    if (GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES)
        file[0] = '\0';

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = 260;
    ofn.lpstrTitle = title;
    ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_LONGNAMES | OFN_ENABLESIZING;
    if (GetOpenFileNameA(&ofn)) {
        SetWindowTextA(target, file);
        return;
    }
    if (CommDlgExtendedError() == 0)
        return;
    // A malformed initial name makes the dialog fail: try once without it.
    file[0] = '\0';
    if (GetOpenFileNameA(&ofn))
        SetWindowTextA(target, file);
}

bool CommandEditDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM)
{
    if (message != WM_COMMAND)
        return false;
    switch (LOWORD(wParam)) {
    case IDOK:
        if (StoreControls())
            EndDialog(window_, 1);
        break;
    case IDCANCEL:
        EndDialog(window_, 0);
        break;
    case IDC_BROWSE:
        BrowseCommandLine(window_, cmdlineBox_);
        break;
    default:
        break;
    }
    return false;
}
