#pragma once

constexpr const char kOptionMutexName[] = "Korvane_OptionMutex";
constexpr const char kRemoteControlMessageName[] = "Korvane_RemoteControlMessage";

// Codes of the remote-control message (its wParam).
enum RemoteCode : unsigned {
    kRemoteStartServices = 1,
    kRemoteStopServices = 2,
    kRemoteEndDaemon = 3,
};

// Held by an editing program for its whole run: the named mutex, and the
// broadcasts that stop the daemon's services and start them again.
class OptionLock {
public:
    // Takes the mutex and broadcasts code 2. False when another program (or
    // this one already) owns it.
    bool Acquire();
    // Broadcasts code 1. The mutex stays owned until the program ends.
    bool Release();
    unsigned Message() const { return message_; }

private:
    void* mutex_ = nullptr;
    unsigned message_ = 0;
};

// True when no editing program holds the option mutex. Only opens it, so it
// never takes the lock from an editor that starts meanwhile.
bool ProbeOptionMutex();

// Sends the remote-control message to every top-level window and waits for
// each, a few seconds at most: a hung window is passed over.
void BroadcastRemoteControl(unsigned message, unsigned code);
