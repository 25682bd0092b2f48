#include "editor_test_support.h"

#include "platform/option_lock.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace editor_test {

using testing_support::Process;
using testing_support::WaitFor;

RemoteListener::RemoteListener()
{
    message_ = RegisterWindowMessageA(kRemoteControlMessageName);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KorvaneEditorTestListener";
    RegisterClassA(&wc);
    // A hidden top-level window: message-only windows miss HWND_BROADCAST.
    hwnd_ = CreateWindowExA(0, wc.lpszClassName, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance,
                            nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

RemoteListener::~RemoteListener()
{
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

LRESULT CALLBACK RemoteListener::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<RemoteListener*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self != nullptr && message == self->message_) {
        self->codes_.push_back(static_cast<unsigned>(wParam));
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HeldOptionMutex::HeldOptionMutex()
{
    SetLastError(0);
    mutex_ = CreateMutexA(nullptr, TRUE, kOptionMutexName);
    held_ = mutex_ != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
}

HeldOptionMutex::~HeldOptionMutex()
{
    if (mutex_ == nullptr) return;
    if (held_) ReleaseMutex(mutex_);
    CloseHandle(mutex_);
}

LockedFile::LockedFile(const std::string& path)
{
    file_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

LockedFile::~LockedFile()
{
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

DWORD WaitPumping(Process& process, DWORD timeoutMs)
{
    const bool ended = WaitFor([&] { return WaitForSingleObject(process.Handle(), 0) == WAIT_OBJECT_0; }, timeoutMs);
    if (!ended) {
        process.Kill();
        return STILL_ACTIVE;
    }
    return process.Wait(0);
}

bool StartProgram(Process& process, const std::string& exe, const std::string& args, const std::string& dir)
{
    // Wine now and then fails a process start (its child ends before it
    // reports that the start is done; seen about once in a few thousand
    // starts). A second try keeps that out of the verdict on the program,
    // and the log shows it.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (process.Start("\"" + exe + "\" " + args, dir)) return true;
        std::printf("%s did not start, error %lu\n", exe.c_str(), GetLastError());
        Sleep(100);
    }
    return false;
}

namespace {

struct DialogSearch {
    DWORD processId;
    const std::string* title;
    HWND found;
};

BOOL CALLBACK FindDialogProc(HWND hwnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<DialogSearch*>(lParam);
    char cls[64], title[256];
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->processId || !IsWindowVisible(hwnd)) return TRUE;
    if (!GetClassNameA(hwnd, cls, sizeof cls) || lstrcmpA(cls, "#32770") != 0) return TRUE;
    GetWindowTextA(hwnd, title, sizeof title);
    if (*search->title != title) return TRUE;
    search->found = hwnd;
    return FALSE;
}

} // namespace

HWND FindDialog(DWORD processId, const std::string& title)
{
    DialogSearch search = {processId, &title, nullptr};
    EnumWindows(FindDialogProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialog(DWORD processId, const std::string& title, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitFor([&] { return (found = FindDialog(processId, title)) != nullptr; }, timeoutMs);
    return found;
}

std::string Sjis(const char* utf8)
{
    wchar_t wide[2048];
    char text[4096];
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 2048);
    if (n <= 0 || WideCharToMultiByte(932, 0, wide, -1, text, sizeof text, nullptr, nullptr) <= 0) return std::string();
    return text;
}

std::string ReadProfile(const std::string& file, const char* section, const char* key, const char* fallback)
{
    char value[2048];
    GetPrivateProfileStringA(section, key, fallback, value, sizeof value, file.c_str());
    return value;
}

Lines AddedLines(int i, const std::string& caption, const std::string& cmdline)
{
    const std::string key = "cmd[" + std::to_string(i) + "]";
    return {key + ".caption=" + caption, key + ".cmdline=" + cmdline, key + ".cmdline.dir=",
            key + ".cmdline.showcmd=SW_SHOWNORMAL", key + ".cmdline.env=", key + ".hotkey="};
}

Lines Concat(Lines a, const Lines& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Lines StoredLines(const std::string& file)
{
    // A buffer too small is filled to two bytes short of its end.
    std::vector<char> block(64 * 1024);
    while (GetPrivateProfileSectionA("CmdTable", block.data(), static_cast<DWORD>(block.size()), file.c_str()) >=
           block.size() - 2) {
        block.resize(block.size() * 4);
    }
    Lines lines;
    for (const char* p = block.data(); *p != '\0'; p += lines.back().size() + 1) lines.emplace_back(p);
    return lines;
}

namespace {

// The value of a key however long, or nothing when the key is missing.
bool ReadStoredValue(const std::string& file, const std::string& key, std::string& value)
{
    const char kMissing[] = "\x01missing";
    std::vector<char> buffer(4096);
    while (GetPrivateProfileStringA("CmdTable", key.c_str(), kMissing, buffer.data(),
                                    static_cast<DWORD>(buffer.size()), file.c_str()) >= buffer.size() - 1) {
        buffer.resize(buffer.size() * 4);
    }
    value = buffer.data();
    return value != kMissing;
}

} // namespace

Lines LoadedLines(const std::string& file)
{
    // The indexes that have a key of the section, in ascending order (no
    // leading zeros, as the programs read them); each with a caption becomes
    // the next command, whatever gaps lie between.
    std::set<unsigned long> indexes;
    for (const std::string& line : StoredLines(file)) {
        if (line.size() < 6 || _strnicmp(line.c_str(), "cmd[", 4) != 0) continue;
        const char* digits = line.c_str() + 4;
        char* end = nullptr;
        const unsigned long index = std::strtoul(digits, &end, 10);
        if (end == digits || *end != ']' || (*digits == '0' && end != digits + 1)) continue;
        indexes.insert(index);
    }
    Lines lines;
    int position = 0;
    for (unsigned long index : indexes) {
        const std::string stored = "cmd[" + std::to_string(index) + "]";
        std::string value;
        if (!ReadStoredValue(file, stored + ".caption", value) || value.empty()) continue;
        const std::string key = "cmd[" + std::to_string(position++) + "]";
        lines.push_back(key + ".caption=" + value);
        for (const char* field : {".cmdline", ".cmdline.dir", ".cmdline.showcmd", ".cmdline.env", ".hotkey"}) {
            if (!ReadStoredValue(file, stored + field, value)) {
                value = std::string(field) == ".cmdline.showcmd" ? "SW_SHOWNORMAL" : "";
            }
            lines.push_back(key + field + "=" + value);
        }
    }
    return lines;
}

} // namespace editor_test
