#include "platform/option_lock.h"

#include <windows.h>

namespace {

// A lock of this process: a second Acquire on the owning thread would
// succeed as a recursive wait on the mutex.
bool g_heldHere = false;

// The bound per window of a broadcast: a window that stopped pumping must not
// hold up an editor while it holds the lock.
constexpr UINT kBroadcastTimeoutMs = 5000;

} // namespace

bool OptionLock::Acquire()
{
    SetLastError(0);
    HANDLE mutex = CreateMutexA(nullptr, TRUE, kOptionMutexName);
    if (mutex == nullptr) return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // The name alone proves nothing: the daemon's probe, or a refused
        // editor, keeps it alive for a moment after its holder ended. Only
        // an owner makes it taken.
        const DWORD wait = WaitForSingleObject(mutex, 0);
        const bool gained = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
        if (!gained || g_heldHere) {
            if (gained) ReleaseMutex(mutex);
            CloseHandle(mutex);
            mutex_ = nullptr;
            return false;
        }
    }
    mutex_ = mutex;
    g_heldHere = true;
    message_ = RegisterWindowMessageA(kRemoteControlMessageName);
    BroadcastRemoteControl(message_, kRemoteStopServices);
    return true;
}

bool OptionLock::Release()
{
    BroadcastRemoteControl(message_, kRemoteStartServices);
    return true;
}

bool ProbeOptionMutex()
{
    // Opened, never created or waited for: a probe must not make a starting
    // editor find the lock taken.
    SetLastError(0);
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, kOptionMutexName);
    if (mutex != nullptr) {
        CloseHandle(mutex);
        return false;
    }
    return GetLastError() == ERROR_FILE_NOT_FOUND;
}

void BroadcastRemoteControl(unsigned message, unsigned code)
{
    if (message == 0) return;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, message, code, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kBroadcastTimeoutMs,
                        &result);
}
