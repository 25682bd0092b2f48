#pragma once

#include <windows.h>

#include <vector>

class CommandSet;
struct ServiceEntry;

// What running a command and the built-in services need of the daemon: its
// window, its command set and its service table, and the start and stop of
// its services. Kept apart from the command window so that each side can be
// read, and tested, without the other.
class DaemonHost {
public:
    virtual ~DaemonHost() = default;

    // The owner of boxes, the menu and the clipboard; WM_CLOSE ends the daemon.
    virtual HWND Window() const = 0;
    // Null while the services are stopped. A box or a menu runs nested
    // message loops that may stop them: ask again afterwards, never keep it.
    virtual CommandSet* GetCommandSet() const = 0;
    virtual void StartServices() = 0;
    virtual void StopServices() = 0;
    virtual const std::vector<ServiceEntry>& Services() const = 0;
};
