#pragma once

// Helpers of the Win32 tests: temporary program folders, files, processes,
// and finding, reading and answering the message boxes a test provokes.

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// Text of the system code page (Shift-JIS here) from UTF-8 source text.
std::string Ansi(const char* utf8);

// The folder of the running test program (ends with a backslash).
std::string ExeDir();

// A fresh folder under the temporary folder, removed with all it holds.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }   // ends with a backslash
    std::string File(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// A temporary program folder: copies of the given programs of the build
// beside each other, where they look for their settings.
class ProgramFolder : public TempDir {
public:
    explicit ProgramFolder(const std::vector<std::string>& programs);
    std::string Program(const std::string& exe) const { return File(exe); }
    // Writes _setting.ini naming `local` (relative to the folder) as current.
    void WriteMainSettings(const std::string& local) const;
};

bool RemoveTree(const std::string& path);
std::string ReadFileText(const std::string& path);
bool WriteFileText(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);

// Pumps this thread's messages until pred() holds or the time is up.
bool WaitFor(const std::function<bool()>& pred, DWORD timeoutMs = 5000);

// Starts a program. The object ends the program if it still runs when the
// object goes (or starts another) and closes the handles.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    bool Start(const std::string& commandLine, const std::string& dir = std::string());
    // Exit code, or STILL_ACTIVE (259) when it did not end within the time.
    DWORD Wait(DWORD timeoutMs = 10000);
    void Kill();
    DWORD Id() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }

private:
    void Release();
    PROCESS_INFORMATION info_ = {};
};

// Starts a program and waits for its end; its exit code or STILL_ACTIVE.
DWORD RunProgram(const std::string& commandLine, DWORD timeoutMs = 10000);

// What a message box showed.
struct BoxText {
    std::string title;
    std::string text;
};

// A visible top-level window of the class, of the process (any when 0).
HWND FindVisibleWindow(const char* className, DWORD processId = 0);
// A visible dialog box (#32770) of the given process (0: any process).
HWND FindMessageBox(DWORD processId = 0);
BoxText ReadMessageBox(HWND box);
// Presses a button of the box (IDOK, IDYES, IDNO ...).
void AnswerMessageBox(HWND box, int button);

// Watches, on a thread of its own, for message boxes of one process, records
// each box's texts and answers it with the given button. `whileFirstOpen`, when
// given, runs before the first box is answered, while its owner waits in it.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int button = IDOK, DWORD processId = GetCurrentProcessId(),
                         std::function<void()> whileFirstOpen = nullptr);
    ~BoxAnswerer();
    // The boxes seen so far.
    std::vector<BoxText> Boxes() const;
    bool WaitForBoxes(size_t count, DWORD timeoutMs = 5000) const;

private:
    void Run();
    int button_;
    DWORD processId_;
    std::function<void()> whileFirstOpen_;
    std::atomic<bool> stop_{false};
    mutable CRITICAL_SECTION lock_;
    std::vector<BoxText> boxes_;
    std::thread thread_;
};

// Presses and releases a hotkey with SendInput (MOD_* flags and a virtual key).
void PressHotkey(UINT modifiers, UINT key);

// A combination that nobody has registered: probes RegisterHotKey and
// releases it again. False when none of the candidates is free.
bool FindFreeHotkey(UINT& modifiers, UINT& key);

// The handles a process holds. Wine 8 answers GetProcessHandleCount with 0,
// so the count then comes from the system's list of handles, as on Windows.
DWORD ProcessHandleCount(HANDLE process);

} // namespace testing_support
