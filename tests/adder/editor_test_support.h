#pragma once

// Helpers of the end-to-end tests of the editing programs korvadd and korvswt.

#include "test_support.h"

#include <windows.h>

#include <string>
#include <vector>

namespace editor_test {

// A hidden top-level window of the test that records every remote-control
// code it is sent, standing in for the daemon.
class RemoteListener {
public:
    RemoteListener();
    ~RemoteListener();
    RemoteListener(const RemoteListener&) = delete;
    RemoteListener& operator=(const RemoteListener&) = delete;
    const std::vector<unsigned>& Codes() const { return codes_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
    UINT message_ = 0;
    std::vector<unsigned> codes_;
};

// Holds the option mutex as another editing program would.
class HeldOptionMutex {
public:
    HeldOptionMutex();
    ~HeldOptionMutex();
    bool Held() const { return held_; }

private:
    HANDLE mutex_ = nullptr;
    bool held_ = false;
};

// Holds a file open without sharing, so that nobody else can write it.
class LockedFile {
public:
    explicit LockedFile(const std::string& path);
    ~LockedFile();
    bool Locked() const { return file_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

// Waits for the program's end while pumping this thread's messages, so that
// its synchronous broadcasts reach the listener; its exit code, or STILL_ACTIVE
// (after killing it) when it did not end in time.
DWORD WaitPumping(testing_support::Process& process, DWORD timeoutMs = 15000);

// "exe" args, started from `dir` (the test's current directory when empty).
bool StartProgram(testing_support::Process& process, const std::string& exe, const std::string& args,
                  const std::string& dir = std::string());

// A visible top-level dialog (#32770) of the process with this exact title.
HWND FindDialog(DWORD processId, const std::string& title);
HWND WaitForDialog(DWORD processId, const std::string& title, DWORD timeoutMs = 10000);

// The Shift-JIS form of UTF-8 source text, as the programs show and store it.
std::string Sjis(const char* utf8);

std::string ReadProfile(const std::string& file, const char* section, const char* key,
                        const char* fallback = "<missing>");

using Lines = std::vector<std::string>;

// The six lines the adder writes for a file at index i.
Lines AddedLines(int i, const std::string& caption, const std::string& cmdline);
Lines Concat(Lines a, const Lines& b);

// The lines of the file's CmdTable section as the platform reads them.
Lines StoredLines(const std::string& file);

// The six lines of every command the programs load from the file, read key
// by key through the platform: every index that has a caption, in ascending
// order across gaps and numbered again from 0; a missing show command as
// SW_SHOWNORMAL. The values are taken as stored: the tests' files hold the
// forms the programs write.
Lines LoadedLines(const std::string& file);

} // namespace editor_test
