#include "daemon_window.h"

#include "command_set.h"
#include "daemon_resource.h"
#include "environment_variables_win.h"
#include "execute_command.h"
#include "platform/message_box.h"
#include "platform/option_lock.h"
#include "platform/ui_text.h"
#include "service_request.h"

#include <shellapi.h>

#include <cstdio>
#include <new>
#include <string>

namespace {

// The layout of Windows 2000 and later; the version-3 notifications need it.
NOTIFYICONDATAA TrayData(HWND window)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = kTrayIconId;
    return data;
}

void LoadTip(NOTIFYICONDATAA& data, UINT textId)
{
    // The tooltip of the original layout holds 63 characters with the zero.
    LoadUiString(textId, data.szTip, 63);
}

} // namespace

bool DaemonWindow::RegisterWindowClass(HINSTANCE instance)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = 0;
    wc.lpfnWndProc = WindowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = sizeof(DaemonWindow*);
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kCommandWindowClass;
    return RegisterClassExA(&wc) != 0;
}

LRESULT CALLBACK DaemonWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        DaemonWindow* daemon = new (std::nothrow) DaemonWindow(window);
        if (daemon == nullptr) return -1;
        // Stored first: calls to the tray and boxes of the build deliver sent
        // messages (remote codes, "TaskbarCreated") before the start-up ends.
        SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(daemon));
        daemon->Create();
        return 0;
    }
    if (message == WM_DESTROY) {
        auto* daemon = reinterpret_cast<DaemonWindow*>(SetWindowLongPtrA(window, 0, 0));
        delete daemon;
        PostQuitMessage(0);
        return 0;
    }
    auto* daemon = reinterpret_cast<DaemonWindow*>(GetWindowLongPtrA(window, 0));
    if (daemon == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    return daemon->HandleMessage(message, wParam, lParam);
}

DaemonWindow::DaemonWindow(HWND window)
    : window_(window), watch_(window, kSettingsChangedMessage), trayTip_(IDS_TRAY_STARTED)
{
}

DaemonWindow::~DaemonWindow()
{
    watch_.Stop();
    StopServices();
    RemoveTrayIcon();
    services_.clear();
}

void DaemonWindow::Create()
{
    BusyScope busy(*this);
    // First: a box of the start-up runs a message loop, and a hotkey or an
    // editor's request handled there looks its service up in this table.
    FillServiceTable(services_);
    LoadIcons();
    commandSet_.reset();
    remoteMessage_ = RegisterWindowMessageA(kRemoteControlMessageName);
    taskbarCreatedMessage_ = RegisterWindowMessageA("TaskbarCreated");
    if (ProbeOptionMutex()) {
        StartServices();
    } else {
        WatchLock();
    }
    AddTrayIcon();
    if (commandSet_ && commandSet_->Commands().Empty()) PointAtNewestBackup();
}

DaemonWindow::BusyScope::BusyScope(DaemonWindow& daemon) : daemon_(daemon), outermost_(!daemon.busy_)
{
    daemon_.busy_ = true;
}

DaemonWindow::BusyScope::~BusyScope()
{
    if (!outermost_) return;
    daemon_.busy_ = false;
    if (daemon_.reloadWaits_) {
        daemon_.reloadWaits_ = false;
        SetTimer(daemon_.window_, kReloadTimer, ReloadTiming::kRetryMs, nullptr);
    }
    // Posted, never run here: the frame that opened the scope still uses the
    // object, and a code 3 destroys it.
    if (!daemon_.pendingCodes_.Empty()) PostMessageA(daemon_.window_, kReplayMessage, 0, 0);
}

bool DaemonWindow::LoadIcons()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HANDLE big = LoadImageA(instance, MAKEINTRESOURCEA(kAppIconId), IMAGE_ICON,
                            GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR);
    HANDLE small = LoadImageA(instance, MAKEINTRESOURCEA(kAppIconId), IMAGE_ICON,
                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR);
    if (big == nullptr || small == nullptr) {
        if (big != nullptr) DestroyIcon(static_cast<HICON>(big));
        if (small != nullptr) DestroyIcon(static_cast<HICON>(small));
        return false;
    }
    SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    return true;
}

void DaemonWindow::StartServices()
{
    BusyScope busy(*this);
    KillTimer(window_, kLockWatchTimer);
    if (!commandSet_ && !building_) {
        // Read before the build: a change written during it differs from
        // this and is taken afterwards.
        SettingsSnapshot snapshot;
        loadedDigest_ = snapshot.Read() == SettingsSnapshot::Result::kRead ? snapshot.Digest() : 0;
        snapshot.Close();
        WatchSettings(snapshot);
        // Attached only once complete: hotkeys and menu choices that arrive
        // while a box of the build is open find no command set.
        building_ = true;
        std::unique_ptr<CommandSet> built = BuildCommandSet(window_);
        building_ = false;
        commandSet_ = std::move(built);
    }
    SetTrayTip(IDS_TRAY_STARTED);
}

void DaemonWindow::StopServices()
{
    BusyScope busy(*this);
    // Moved out first, so a nested message during the teardown finds no set.
    std::unique_ptr<CommandSet> old = std::move(commandSet_);
    old.reset();
    SetTrayTip(IDS_TRAY_STOPPED);
}

void DaemonWindow::WatchLock()
{
    SetTimer(window_, kLockWatchTimer, kLockWatchIntervalMs, nullptr);
}

void DaemonWindow::OnLockWatch()
{
    // Codes that wait come first; a busy frame is left alone until later.
    if (busy_ || !pendingCodes_.Empty()) return;
    if (commandSet_) {
        KillTimer(window_, kLockWatchTimer);
        return;
    }
    if (ProbeOptionMutex()) StartServices();
}

void DaemonWindow::WatchSettings(const SettingsSnapshot& snapshot)
{
    watch_.Watch(FoldersOf({snapshot.MainPath(), snapshot.Local().Path()}));
}

void DaemonWindow::OnSettingsChanged()
{
    // Restarted by each change: a burst is read once, after it.
    SetTimer(window_, kReloadTimer, reloadTiming_.Changed(), nullptr);
}

void DaemonWindow::OnReloadTimer()
{
    KillTimer(window_, kReloadTimer);
    // Codes, boxes and the menu first; the read follows them (a box may
    // stay open for hours: no timer runs meanwhile).
    if (busy_) {
        reloadWaits_ = true;
        return;
    }
    if (!pendingCodes_.Empty()) {
        SetTimer(window_, kReloadTimer, ReloadTiming::kRetryMs, nullptr);
        return;
    }
    // Stopped services read the files when they start; an editor that holds
    // the lock sends code 1 once it has saved.
    if (!commandSet_ || !ProbeOptionMutex()) return;
    BusyScope busy(*this);
    SettingsSnapshot snapshot;
    switch (snapshot.Read()) {
    case SettingsSnapshot::Result::kUnreadable:
        if (const unsigned delay = reloadTiming_.Unreadable()) {
            SetTimer(window_, kReloadTimer, delay, nullptr);
        } else {
            SetTrayTip(IDS_TRAY_NOT_RELOADED);
        }
        return;
    case SettingsSnapshot::Result::kCut:
        SetTrayTip(IDS_TRAY_NOT_RELOADED);
        return;
    case SettingsSnapshot::Result::kRead:
        break;
    }
    // A `Current` that names another file moves the watch there.
    WatchSettings(snapshot);
    if (snapshot.Digest() != loadedDigest_) {
        // The new table is read whole before the running set lets its
        // hotkeys go, which the new one may register again.
        LoadedSettings settings;
        if (snapshot.LocalForeign()) {
            settings.commands.Load(snapshot.Local());
            settings.shell.Load(snapshot.Local());
        } else {
            settings.commands.LoadFromText(snapshot.LocalText());
            settings.shell.LoadFromText(snapshot.LocalText());
        }
        snapshot.Close();
        std::unique_ptr<CommandSet> old = std::move(commandSet_);
        old.reset();
        building_ = true;
        std::unique_ptr<CommandSet> built = BuildCommandSet(window_, std::move(settings), false);
        building_ = false;
        commandSet_ = std::move(built);
        loadedDigest_ = snapshot.Digest();
        ++reloads_;
    }
    SetTrayTip(IDS_TRAY_STARTED);
}

void DaemonWindow::PointAtNewestBackup()
{
    SettingsFile current;
    current.OpenLocal(nullptr);
    std::string name;
    const std::size_t count = NewestBackupCommands(current.Path(), name);
    if (count == 0) return;
    NOTIFYICONDATAA data = TrayData(window_);
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_INFO;
    // The system runtime's formatter: the C++ runtime's would add some 20 KB.
    _snprintf(data.szInfo, sizeof data.szInfo - 1, LoadResourceString(IDS_BACKUP_HAS_COMMANDS).c_str(), name.c_str(),
              static_cast<unsigned>(count));
    LoadUiString(IDS_BACKUP_BALLOON_TITLE, data.szInfoTitle, sizeof data.szInfoTitle);
    Shell_NotifyIconA(NIM_MODIFY, &data);
}

bool DaemonWindow::AddTrayIcon()
{
    HICON icon = reinterpret_cast<HICON>(SendMessageA(window_, WM_GETICON, ICON_SMALL, 0));
    if (icon == nullptr) return false;
    NOTIFYICONDATAA data = TrayData(window_);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = icon;
    LoadTip(data, trayTip_);
    if (!Shell_NotifyIconA(NIM_ADD, &data)) return false;
    // The version is its own call: NIM_ADD ignores it.
    data.uVersion = NOTIFYICON_VERSION;
    Shell_NotifyIconA(NIM_SETVERSION, &data);
    return true;
}

bool DaemonWindow::SetTrayTip(UINT textId)
{
    trayTip_ = textId;
    NOTIFYICONDATAA data = TrayData(window_);
    data.uFlags = NIF_TIP;
    LoadTip(data, textId);
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

void DaemonWindow::RemoveTrayIcon()
{
    NOTIFYICONDATAA data = TrayData(window_);
    Shell_NotifyIconA(NIM_DELETE, &data);
}

LRESULT DaemonWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        // The same end as code 3, deferred in the same way while a build runs.
        OnRemoteControl(kRemoteEndDaemon);
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && lParam == 0) OnMenuCommand(LOWORD(wParam));
        return 0;
    case WM_HOTKEY:
        OnHotkey(static_cast<int>(wParam));
        return 0;
    case WM_INITMENUPOPUP:
        if (commandSet_ && !HIWORD(lParam)) commandSet_->OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_ENTERMENULOOP:
        menuShown_ = true;
        return 0;
    case WM_EXITMENULOOP:
        menuShown_ = false;
        return 0;
    case WM_TIMER:
        if (wParam == kLockWatchTimer) OnLockWatch();
        if (wParam == kReloadTimer) OnReloadTimer();
        return 0;
    case WM_COPYDATA: {
        // The service may stop the services: remote codes wait until it is done.
        BusyScope busy(*this);
        return RunRequestedService(*this, *reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    }
    case WM_SETTINGCHANGE:
        OnSettingChange(reinterpret_cast<const char*>(lParam));
        return 0;
    case kTrayMessage:
        OnTrayNotify(static_cast<UINT>(wParam), static_cast<UINT>(lParam));
        return 0;
    case kRemoteMessage:
        OnRemoteControl(wParam);
        return 0;
    case kReplayMessage:
        OnReplay();
        return 0;
    case kSettingsChangedMessage:
        OnSettingsChanged();
        return 0;
    default:
        break;
    }
    if (message == remoteMessage_) return SendMessageA(window_, kRemoteMessage, wParam, lParam);
    if (message == taskbarCreatedMessage_) {
        BusyScope busy(*this);
        AddTrayIcon();
        return 0;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

void DaemonWindow::OnMenuCommand(int identifier)
{
    if (!commandSet_) return;
    // Commands show boxes and menus.
    BusyScope busy(*this);
    if (const Command* command = commandSet_->FindByMenuId(identifier)) {
        ExecuteCommand(*this, *command);
    } else {
        ShowError(window_, IDS_NO_MENU_COMMAND, identifier);
    }
}

void DaemonWindow::OnHotkey(int identifier)
{
    if (!commandSet_) return;
    BusyScope busy(*this);
    if (const Command* command = commandSet_->FindByHotkeyId(identifier)) {
        ExecuteCommand(*this, *command);
    } else {
        ShowError(window_, IDS_NO_HOTKEY_COMMAND, identifier);
    }
}

void DaemonWindow::OnTrayNotify(UINT iconId, UINT mouseMessage)
{
    if (iconId != kTrayIconId) return;
    if (mouseMessage == WM_LBUTTONDBLCLK) {
        CallService("Option");
    } else if (mouseMessage == WM_RBUTTONDOWN) {
        CallService("CommandMenu");
    }
}

void DaemonWindow::CallService(const char* name)
{
    BusyScope busy(*this);
    const ServiceEntry* entry = FindService(services_, name);
    if (entry != nullptr && entry->handler != nullptr) entry->handler(0, nullptr, entry->parameter, *this);
}

void DaemonWindow::OnRemoteControl(WPARAM code)
{
    // Behind codes that still wait, even when no longer busy: sent messages
    // overtake the posted replay, and the order is what an editor meant.
    if (busy_ || !pendingCodes_.Empty()) {
        pendingCodes_.Push(static_cast<unsigned>(code));
        // The tracking returns once the menu is closed; the code follows then.
        if (menuShown_) EndMenu();
        return;
    }
    RunRemoteCode(static_cast<unsigned>(code));
}

void DaemonWindow::OnReplay()
{
    // A replay that a nested loop of a build delivers leaves the codes to the
    // replay posted when that build is over.
    while (!busy_ && !pendingCodes_.Empty()) {
        if (!RunRemoteCode(pendingCodes_.Pop())) return;
    }
}

bool DaemonWindow::RunRemoteCode(unsigned code)
{
    switch (code) {
    case kRemoteStartServices:
        StartServices();
        break;
    case kRemoteStopServices:
        StopServices();
        // An editor sent it while holding the lock: should it end without
        // code 1 (killed), the watch starts the services again.
        if (!ProbeOptionMutex()) WatchLock();
        break;
    case kRemoteEndDaemon:
        // Destroys this object; nothing of it is used afterwards.
        DestroyWindow(window_);
        return false;
    default:
        break;
    }
    return true;
}

int RunDaemon(HINSTANCE instance)
{
    if (FindWindowA(kCommandWindowClass, nullptr) != nullptr) return 0;
    if (!DaemonWindow::RegisterWindowClass(instance)) {
        ShowSystemError(nullptr, GetLastError());
        return 1;
    }
    HWND window = CreateWindowExA(0, kCommandWindowClass, nullptr, WS_POPUP | WS_DLGFRAME, 50, 50, 0, 0,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        ShowSystemError(nullptr, GetLastError());
        return 2;
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
        TranslateMessage(&message);
    }
    return static_cast<int>(message.wParam);
}
