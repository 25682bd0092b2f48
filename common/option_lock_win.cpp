#include "option_lock.h"

#include <windows.h>

bool OptionLock::Acquire()
{
    SetLastError(0);
    HANDLE mutex = CreateMutexA(nullptr, TRUE, kOptionMutexName);
    if (mutex == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) {
        if (mutex != nullptr) CloseHandle(mutex);
        mutex_ = nullptr;
        return false;
    }
    mutex_ = mutex;
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
    SetLastError(0);
    HANDLE mutex = CreateMutexA(nullptr, TRUE, kOptionMutexName);
    const bool free = mutex != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
    if (mutex != nullptr) CloseHandle(mutex);
    return free;
}

void BroadcastRemoteControl(unsigned message, unsigned code)
{
    if (message == 0) return;
    SendMessageA(HWND_BROADCAST, message, code, 0);
}
