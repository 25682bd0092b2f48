#pragma once

#include "daemon_host.h"
#include "reload_check.h"
#include "remote_code_queue.h"
#include "services.h"
#include "settings_watch.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

class CommandSet;

constexpr const char kCommandWindowClass[] = "Krvn_CommandWindow";
constexpr UINT kTrayMessage = WM_USER + 1;
constexpr UINT kRemoteMessage = WM_USER + 2;
// Posted to itself when a build is over and remote codes wait.
constexpr UINT kReplayMessage = WM_USER + 3;
// Posted by the watch of the settings files for each change it is told of.
constexpr UINT kSettingsChangedMessage = WM_USER + 4;
constexpr UINT kTrayIconId = 1;
constexpr UINT kAppIconId = 103;
// The timer that looks for the end of an editor that never sent code 1.
constexpr UINT_PTR kLockWatchTimer = 1;
constexpr UINT kLockWatchIntervalMs = 500;
// The quiet time after a change of the settings files, and the retries.
constexpr UINT_PTR kReloadTimer = 2;

// The object behind the hidden command window; its services run exactly while
// it holds a command set.
class DaemonWindow : public DaemonHost {
public:
    // The class's window procedure: finds the object in slot 0 and forwards.
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static bool RegisterWindowClass(HINSTANCE instance);

    explicit DaemonWindow(HWND window);
    ~DaemonWindow() override;
    DaemonWindow(const DaemonWindow&) = delete;
    DaemonWindow& operator=(const DaemonWindow&) = delete;

    HWND Window() const override { return window_; }
    // Null while the services are stopped.
    CommandSet* GetCommandSet() const override { return commandSet_.get(); }
    // Builds a command set when there is none; tooltip 137 in every case.
    // Ends the watch of the editors' lock.
    void StartServices() override;
    // Drops the command set when there is one; tooltip 138 in every case.
    void StopServices() override;
    const std::vector<ServiceEntry>& Services() const override { return services_; }

    bool AddTrayIcon();
    // The tooltip's text from the string table; kept for a new taskbar.
    bool SetTrayTip(UINT textId);
    UINT TrayTip() const { return trayTip_; }
    void RemoveTrayIcon();
    // How many times a change of the settings files rebuilt the command set.
    unsigned Reloads() const { return reloads_; }

private:
    void Create();
    bool LoadIcons();
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnMenuCommand(int identifier);
    void OnHotkey(int identifier);
    void OnTrayNotify(UINT iconId, UINT mouseMessage);
    void OnRemoteControl(WPARAM code);
    void OnReplay();
    // While the services are stopped for an editor: starts them as its code 1
    // would once no program holds the lock any more (the editor was killed).
    void WatchLock();
    void OnLockWatch();
    // Reads the settings files again once a burst of changes is over, and
    // rebuilds the running set when what it was built from changed.
    void OnSettingsChanged();
    void OnReloadTimer();
    // Watches the folders of the files the snapshot read.
    void WatchSettings(const SettingsSnapshot& snapshot);
    // At start: a table without commands whose newest backup has some says
    // so once, in a balloon of the tray icon.
    void PointAtNewestBackup();
    // Acts on one code; false when it ended the daemon (the object is gone).
    bool RunRemoteCode(unsigned code);
    void CallService(const char* name);

    // Marks the object busy while it lives; leaving the outermost one posts
    // the replay of the remote codes that arrived meanwhile.
    class BusyScope {
    public:
        explicit BusyScope(DaemonWindow& daemon);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        DaemonWindow& daemon_;
        bool outermost_;
    };

    HWND window_;
    UINT remoteMessage_ = 0;
    UINT taskbarCreatedMessage_ = 0;
    // Set while a call that can deliver sent messages runs (the build and
    // teardown of a command set, the tray calls, boxes, the menu): remote
    // codes and WM_CLOSE that arrive meanwhile wait in the queue until then,
    // so nothing destroys the object or its menu under a running frame.
    bool busy_ = false;
    // Set while BuildCommandSet runs: a nested start builds no second set.
    bool building_ = false;
    // Between WM_ENTERMENULOOP and WM_EXITMENULOOP: what must wait for the
    // menu closes it first.
    bool menuShown_ = false;
    RemoteCodeQueue pendingCodes_;
    std::unique_ptr<CommandSet> commandSet_;
    std::vector<ServiceEntry> services_;
    FolderWatch watch_;
    ReloadTiming reloadTiming_;
    // Of the settings the running set was built from; 0 when unknown.
    std::uint64_t loadedDigest_ = 0;
    UINT trayTip_;
    unsigned reloads_ = 0;
    // A reload came while busy: it follows once the object is free.
    bool reloadWaits_ = false;
};

// The program: single-instance test, class, window, message loop; the exit code.
int RunDaemon(HINSTANCE instance);
