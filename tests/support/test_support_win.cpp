#include "test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace testing_support {

std::string Ansi(const char* utf8)
{
    const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring w(wide, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &w[0], wide);
    const int narrow = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(narrow, '\0');
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, &s[0], narrow, nullptr, nullptr);
    s.resize(narrow > 0 ? narrow - 1 : 0);
    return s;
}

std::string ExeDir()
{
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    char* slash = std::strrchr(module, '\\');
    if (slash) slash[1] = '\0';
    return module;
}

TempDir::TempDir()
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        char name[MAX_PATH];
        std::snprintf(name, sizeof name, "%skrvtest_%lu_%lu_%u\\", base, GetCurrentProcessId(), GetTickCount(),
                      ++counter);
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            path_ = name;
            return;
        }
    }
}

TempDir::~TempDir()
{
    RemoveTree(path_);
}

ProgramFolder::ProgramFolder(const std::vector<std::string>& programs)
{
    for (const std::string& exe : programs) {
        CopyFileA((ExeDir() + exe).c_str(), File(exe).c_str(), FALSE);
    }
}

void ProgramFolder::WriteMainSettings(const std::string& local) const
{
    WriteFileText(File("_setting.ini"), "[LocalSetting]\r\nCurrent=" + local + "\r\n");
}

bool RemoveTree(const std::string& path)
{
    std::string dir = path;
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!std::strcmp(data.cFileName, ".") || !std::strcmp(data.cFileName, "..")) continue;
            const std::string child = dir + data.cFileName;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    return RemoveDirectoryA(dir.c_str()) != FALSE;
}

std::string ReadFileText(const std::string& path)
{
    std::string text;
    // Sharing delete too: a file just put in place by a rename is still held
    // with delete access for a moment, and would otherwise read as empty.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
    CloseHandle(file);
    return text;
}

bool WriteFileText(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
    CloseHandle(file);
    return ok && n == text.size();
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WaitFor(const std::function<bool()>& pred, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (pred()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

Process::~Process()
{
    Release();
}

// A program still running when its test ends, passed or failed, is ended:
// left alive it would hold windows, hotkeys or the option mutex that later
// tests need.
void Process::Release()
{
    Kill();
    if (info_.hProcess) CloseHandle(info_.hProcess);
    if (info_.hThread) CloseHandle(info_.hThread);
    info_ = {};
}

bool Process::Start(const std::string& commandLine, const std::string& dir)
{
    Release();
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string line = commandLine;
    return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir.empty() ? nullptr : dir.c_str(),
                          &si, &info_) != FALSE;
}

DWORD Process::Wait(DWORD timeoutMs)
{
    if (!info_.hProcess) return STILL_ACTIVE;
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void Process::Kill()
{
    if (info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
}

DWORD RunProgram(const std::string& commandLine, DWORD timeoutMs)
{
    Process p;
    if (!p.Start(commandLine)) return static_cast<DWORD>(-1);
    const DWORD code = p.Wait(timeoutMs);
    if (code == STILL_ACTIVE) p.Kill();
    return code;
}

namespace {

struct WindowSearch {
    const char* className;
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindWindowProc(HWND hwnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    char cls[64];
    if (!GetClassNameA(hwnd, cls, sizeof cls) || std::strcmp(cls, search->className) != 0) return TRUE;
    if (!IsWindowVisible(hwnd)) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (search->processId != 0 && pid != search->processId) return TRUE;
    search->found = hwnd;
    return FALSE;
}

BOOL CALLBACK ReadStaticProc(HWND hwnd, LPARAM lParam)
{
    char cls[64];
    if (GetClassNameA(hwnd, cls, sizeof cls) && _stricmp(cls, "Static") == 0) {
        char text[4096];
        if (GetWindowTextA(hwnd, text, sizeof text) > 0) {
            *reinterpret_cast<std::string*>(lParam) = text;
            return FALSE;
        }
    }
    return TRUE;
}

} // namespace

HWND FindVisibleWindow(const char* className, DWORD processId)
{
    WindowSearch search = {className, processId, nullptr};
    EnumWindows(FindWindowProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindMessageBox(DWORD processId)
{
    return FindVisibleWindow("#32770", processId);
}

BoxText ReadMessageBox(HWND box)
{
    BoxText result;
    char title[1024];
    GetWindowTextA(box, title, sizeof title);
    result.title = title;
    // The text of a message box is its static control 0xFFFF.
    HWND text = GetDlgItem(box, 0xFFFF);
    if (text) {
        char buffer[4096];
        GetWindowTextA(text, buffer, sizeof buffer);
        result.text = buffer;
    } else {
        EnumChildWindows(box, ReadStaticProc, reinterpret_cast<LPARAM>(&result.text));
    }
    return result;
}

void AnswerMessageBox(HWND box, int button)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

BoxAnswerer::BoxAnswerer(int button, DWORD processId, std::function<void()> whileFirstOpen)
    : button_(button), processId_(processId), whileFirstOpen_(std::move(whileFirstOpen))
{
    InitializeCriticalSection(&lock_);
    thread_ = std::thread([this] { Run(); });
}

BoxAnswerer::~BoxAnswerer()
{
    stop_ = true;
    thread_.join();
    DeleteCriticalSection(&lock_);
}

void BoxAnswerer::Run()
{
    HWND last = nullptr;
    while (!stop_) {
        HWND box = FindMessageBox(processId_);
        if (box != nullptr && box != last) {
            BoxText text = ReadMessageBox(box);
            EnterCriticalSection(&lock_);
            boxes_.push_back(text);
            LeaveCriticalSection(&lock_);
            if (whileFirstOpen_) {
                whileFirstOpen_();
                whileFirstOpen_ = nullptr;
            }
            AnswerMessageBox(box, button_);
            last = box;
        } else if (box == nullptr) {
            last = nullptr;
        }
        Sleep(20);
    }
}

std::vector<BoxText> BoxAnswerer::Boxes() const
{
    EnterCriticalSection(&lock_);
    std::vector<BoxText> copy = boxes_;
    LeaveCriticalSection(&lock_);
    return copy;
}

bool BoxAnswerer::WaitForBoxes(size_t count, DWORD timeoutMs) const
{
    return WaitFor([&] { return Boxes().size() >= count; }, timeoutMs);
}

void PressHotkey(UINT modifiers, UINT key)
{
    std::vector<WORD> keys;
    if (modifiers & MOD_CONTROL) keys.push_back(VK_CONTROL);
    if (modifiers & MOD_ALT) keys.push_back(VK_MENU);
    if (modifiers & MOD_SHIFT) keys.push_back(VK_SHIFT);
    if (modifiers & MOD_WIN) keys.push_back(VK_LWIN);
    keys.push_back(static_cast<WORD>(key));
    std::vector<INPUT> inputs;
    for (WORD vk : keys) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        inputs.push_back(in);
    }
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = *it;
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool FindFreeHotkey(UINT& modifiers, UINT& key)
{
    const UINT mods[] = {MOD_CONTROL | MOD_ALT | MOD_SHIFT, MOD_CONTROL | MOD_ALT, MOD_CONTROL | MOD_SHIFT};
    for (UINT m : mods) {
        for (UINT k = VK_F5; k <= VK_F12; ++k) {
            if (RegisterHotKey(nullptr, 0xBFF0, m, k)) {
                UnregisterHotKey(nullptr, 0xBFF0);
                modifiers = m;
                key = k;
                return true;
            }
        }
    }
    return false;
}

DWORD ProcessHandleCount(HANDLE process)
{
    DWORD count = 0;
    if (GetProcessHandleCount(process, &count) && count != 0) return count;
    // The system's list of handles (SystemExtendedHandleInformation): the
    // process's entries are its handles.
    struct Entry {
        void* object;
        ULONG_PTR processId;
        ULONG_PTR handle;
        ULONG access;
        USHORT backTrace;
        USHORT type;
        ULONG attributes;
        ULONG reserved;
    };
    struct List {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) return 0;
    constexpr ULONG kExtendedHandleInformation = 64;
    constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
    std::vector<char> buffer(1 << 16);
    LONG status;
    ULONG needed = 0;
    while ((status = query(kExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
           kInfoLengthMismatch) {
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
    }
    if (status < 0) return 0;
    const auto* list = reinterpret_cast<const List*>(buffer.data());
    const DWORD id = GetProcessId(process);
    for (ULONG_PTR i = 0; i < list->count; ++i) {
        if (list->entries[i].processId == id) ++count;
    }
    return count;
}

} // namespace testing_support
