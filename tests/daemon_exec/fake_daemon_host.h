#pragma once

#include "command_set.h"
#include "daemon_host.h"
#include "services.h"

#include <memory>
#include <string>
#include <vector>

namespace exec_test {

// The daemon as running a command and the services see it, with no command
// window behind it: a hidden window of its own that records what reaches it,
// an empty command set while started, and every start and stop in order.
class FakeDaemonHost : public DaemonHost {
public:
    explicit FakeDaemonHost(bool started = false)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = WindowProc;
        wc.lpszClassName = "KorvaneTestDaemonHost";
        RegisterClassA(&wc);
        window_ =
            CreateWindowExA(0, wc.lpszClassName, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        FillServiceTable(services_);
        if (started) set_.reset(new CommandSet);
    }
    ~FakeDaemonHost() override
    {
        set_.reset();
        DestroyWindow(window_);
    }
    FakeDaemonHost(const FakeDaemonHost&) = delete;
    FakeDaemonHost& operator=(const FakeDaemonHost&) = delete;

    HWND Window() const override { return window_; }
    CommandSet* GetCommandSet() const override { return set_.get(); }
    void StartServices() override
    {
        calls += "start ";
        if (!set_) set_.reset(new CommandSet);
    }
    void StopServices() override
    {
        calls += "stop ";
        set_.reset();
    }
    const std::vector<ServiceEntry>& Services() const override { return services_; }

    std::string calls;         // "start " and "stop " in call order
    int closes = 0;            // WM_CLOSE that reached the window
    std::vector<HMENU> menus;  // the menus tracked for the window, each closed at once

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* host = reinterpret_cast<FakeDaemonHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (host != nullptr && message == WM_CLOSE) {
            ++host->closes;
            return 0;
        }
        // Closed before any sub-menu of it could open.
        if (host != nullptr && message == WM_INITMENUPOPUP) host->menus.push_back(reinterpret_cast<HMENU>(wParam));
        if (message == WM_ENTERIDLE && wParam == MSGF_MENU) EndMenu();
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    std::unique_ptr<CommandSet> set_;
    std::vector<ServiceEntry> services_;
};

} // namespace exec_test
