#include "command_edit_dialog.h"

#include "commands/command.h"
#include "commands/command_name.h"
#include "command_tree.h"
#include "commands/hotkey_text.h"
#include "platform/message_box.h"
#include "platform/ui_text.h"
#include "resource.h"
#include "run_now.h"

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

INT_PTR RunCommandEditDialog(HWND owner, CommandItem* item, NameTakenCheck nameTaken,
                             std::vector<TableHotkey> otherHotkeys)
{
    const CommandEditRequest request = {item, std::move(nameTaken), std::move(otherHotkeys)};
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), UiDialogTemplate(IDD_COMMAND_EDIT), owner,
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
      iconBox_(GetDlgItem(window, IDC_ICON_PATH)),
      hotkeyStateLine_(GetDlgItem(window, IDC_HOTKEY_STATE)),
      runResultLine_(GetDlgItem(window, IDC_RUN_RESULT)),
      item_(param ? reinterpret_cast<const CommandEditRequest*>(param)->item : nullptr),
      nameTaken_(param ? reinterpret_cast<const CommandEditRequest*>(param)->nameTaken : NameTakenCheck())
{
    if (param)
        otherHotkeys_ = reinterpret_cast<const CommandEditRequest*>(param)->otherHotkeys;
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
    ShowHotkeyState();
}

void CommandEditDialog::FillOptionControls()
{
    const RunningMode running = ParseRunningMode(ItemOption(*item_, kRunningField));
    SendMessageA(runningBox_, CB_SETCURSEL, static_cast<WPARAM>(running), 0);
    SetWindowTextA(windowTitleBox_, ItemOption(*item_, kWindowField).c_str());
    SendMessageA(runAsBox_, BM_SETCHECK, RunsAsAdmin(ItemOption(*item_, kRunAsField)) ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(envModeBox_, BM_SETCHECK,
                 MergesEnvironment(ItemOption(*item_, kEnvModeField)) ? BST_CHECKED : BST_UNCHECKED, 0);
    SetWindowTextA(iconBox_, ItemOption(*item_, kIconField).c_str());
    shownOptions_ = ReadOptionControls();
}

CommandEditDialog::OptionControls CommandEditDialog::ReadOptionControls() const
{
    OptionControls shown;
    shown.running = static_cast<int>(SendMessageA(runningBox_, CB_GETCURSEL, 0, 0));
    ReadText(windowTitleBox_, shown.windowTitle);
    shown.runAsAdmin = IsChecked(runAsBox_);
    shown.mergeEnvironment = IsChecked(envModeBox_);
    ReadText(iconBox_, shown.icon);
    return shown;
}

void CommandEditDialog::StoreOptionControls(CommandItem& item) const
{
    // A default value removes the key: options are stored only when set.
    const OptionControls now = ReadOptionControls();
    if (now.running != shownOptions_.running) {
        const bool known = now.running > 0 && now.running <= static_cast<int>(RunningMode::kCycle);
        SetItemOption(item, kRunningField, known ? RunningModeName(static_cast<RunningMode>(now.running)) : "");
    }
    if (now.windowTitle != shownOptions_.windowTitle)
        SetItemOption(item, kWindowField, now.windowTitle);
    if (now.runAsAdmin != shownOptions_.runAsAdmin)
        SetItemOption(item, kRunAsField, now.runAsAdmin ? "admin" : "");
    if (now.mergeEnvironment != shownOptions_.mergeEnvironment)
        SetItemOption(item, kEnvModeField, now.mergeEnvironment ? "merge" : "");
    if (now.icon != shownOptions_.icon)
        SetItemOption(item, kIconField, now.icon);
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
    if (!ConfirmHotkey())
        return false;
    item_->name = name;
    StoreFields(*item_);
    shownOptions_ = ReadOptionControls();
    return true;
}

std::uint32_t CommandEditDialog::ShownModifiers() const
{
    std::uint32_t modifiers = 0;
    if (IsChecked(altBox_)) modifiers |= kModAlt;
    if (IsChecked(controlBox_)) modifiers |= kModCtrl;
    if (IsChecked(shiftBox_)) modifiers |= kModShift;
    if (IsChecked(winBox_)) modifiers |= kModWin;
    return modifiers;
}

std::uint8_t CommandEditDialog::ShownKey() const
{
    std::string key;
    return ReadText(keyBox_, key) ? static_cast<std::uint8_t>(KeyFromName(key.c_str())) : 0;
}

void CommandEditDialog::StoreFields(CommandItem& item) const
{
    item.modifiers = ShownModifiers();
    std::string key;
    if (ReadText(keyBox_, key))
        item.virtualKey = static_cast<std::uint8_t>(KeyFromName(key.c_str()));
    ReadText(cmdlineBox_, item.cmdline);
    ReadText(folderBox_, item.dir);
    ReadText(envBox_, item.envFile);
    item.showCmd = IndexToShowCmd(static_cast<int>(SendMessageA(showBox_, CB_GETCURSEL, 0, 0)));
    StoreOptionControls(item);
}

CommandItem CommandEditDialog::ShownItem() const
{
    CommandItem shown = *item_;
    StoreFields(shown);
    return shown;
}

void CommandEditDialog::RunNow()
{
    SetWindowTextA(runResultLine_, "");
    const RunNowResult result = RunCommandNow(ShownItem());
    const std::string text = result.text.empty() ? LoadResourceString(IDS_RUN_STARTED) : result.text;
    SetWindowTextA(runResultLine_, text.c_str());
}

void CommandEditDialog::ShowHotkeyState()
{
    const std::uint32_t modifiers = ShownModifiers();
    const std::uint8_t key = ShownKey();
    std::string text;
    if (key == 0) {
        // No combination is chosen: nothing to say.
    } else if (IsReservedHotkey(modifiers, key)) {
        text = LoadResourceString(IDS_HOTKEY_RESERVED);
    } else if (const TableHotkey* user = FindTableHotkey(otherHotkeys_, modifiers, key)) {
        text = FormatResourceString(IDS_HOTKEY_USED, user->caption.c_str());
    } else {
        // The daemon has given its hotkeys up while the editor runs, so a
        // combination that cannot be registered is another program's.
        constexpr int kProbeId = 0xBFFF;
        if (RegisterHotKey(window_, kProbeId, modifiers, key)) {
            UnregisterHotKey(window_, kProbeId);
            text = LoadResourceString(IDS_HOTKEY_FREE);
        } else {
            text = LoadResourceString(IDS_HOTKEY_TAKEN);
        }
    }
    SetWindowTextA(hotkeyStateLine_, text.c_str());
}

bool CommandEditDialog::ConfirmHotkey()
{
    const std::uint8_t key = ShownKey();
    const TableHotkey* user = key ? FindTableHotkey(otherHotkeys_, ShownModifiers(), key) : nullptr;
    if (!user)
        return true;
    const std::string text = FormatResourceString(IDS_HOTKEY_ASK, user->caption.c_str());
    const std::string title = LoadResourceString(IDS_HOTKEY_ASK_TITLE);
    return MessageBoxA(window_, text.c_str(), title.c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void CommandEditDialog::BrowseCommandLine(HWND owner, HWND target)
{
    char file[261] = {};
    char title[256] = {};
    char filter[256] = {};
    LoadUiString(IDS_BROWSE_TITLE, title, sizeof title);
    const int filterLength = LoadUiString(IDS_BROWSE_FILTER, filter, sizeof filter - 1);
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
    case IDC_ICON_BROWSE: {
        std::string before;
        ReadText(iconBox_, before);
        BrowseCommandLine(window_, iconBox_);
        std::string chosen;
        // A file chosen is its first icon.
        if (ReadText(iconBox_, chosen) && chosen != before && !chosen.empty())
            SetWindowTextA(iconBox_, (chosen + ",0").c_str());
        break;
    }
    case IDC_RUN_NOW:
        RunNow();
        break;
    case IDC_SHIFT:
    case IDC_CONTROL:
    case IDC_ALT:
    case IDC_WIN:
        if (HIWORD(wParam) == BN_CLICKED)
            ShowHotkeyState();
        break;
    case IDC_KEY:
        // A choice from the list is not yet the box's text.
        if (HIWORD(wParam) == CBN_SELCHANGE)
            PostMessageA(window_, WM_COMMAND, MAKEWPARAM(IDC_KEY, CBN_EDITCHANGE), 0);
        else if (HIWORD(wParam) == CBN_EDITCHANGE)
            ShowHotkeyState();
        break;
    default:
        break;
    }
    return false;
}
