#pragma once

#include <windows.h>

#include <string>

// What one start of a program needs, built fresh for each run.
struct LaunchRequest {
    std::string commandLine;    // program path and arguments, as written
    std::string workingFolder;  // empty: the daemon's current directory
    int showCmd = SW_SHOWNORMAL;
};

// An environment read from a file: NUL-ended lines and two closing NULs.
// Released when the object goes, on every path.
class EnvironmentBlock {
public:
    EnvironmentBlock() = default;
    ~EnvironmentBlock() { Release(); }
    EnvironmentBlock(const EnvironmentBlock&) = delete;
    EnvironmentBlock& operator=(const EnvironmentBlock&) = delete;

    const char* Data() const { return data_; }
    // Bytes before the two closing NULs.
    DWORD Length() const { return length_; }
    void Release();

private:
    friend bool ReadEnvironmentFile(EnvironmentBlock& block, const char* path);
    friend bool MergeWithCurrentEnvironment(EnvironmentBlock& block);
    char* data_ = nullptr;
    DWORD length_ = 0;
};

// Fills the block from the file; false when it cannot be opened or read
// whole, is too large for memory, or is 4 GB or more.
bool ReadEnvironmentFile(EnvironmentBlock& block, const char* path);

// CreateProcess with the request; the block, when it has data, becomes the
// program's whole environment. The handles are closed at once.
bool StartProcess(const LaunchRequest& request, const EnvironmentBlock* block);

// The shell's "open" verb on the whole command line; false without a call
// for a line longer than the shell can take.
bool OpenWithShell(const LaunchRequest& request);
