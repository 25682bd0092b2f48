#pragma once

#include "settings/file_text_win.h"
#include "settings/settings_file.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Watches folders for files made, renamed, written or resized in them, on a
// thread of its own that waits for the platform's notices (nothing runs while
// nothing changes), and posts `message` to the window for each notice.
class FolderWatch {
public:
    FolderWatch(HWND window, UINT message) : window_(window), message_(message) {}
    ~FolderWatch() { Stop(); }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Watches these folders from now on; the same set again changes nothing.
    // Folders that cannot be watched (missing ones) are left out.
    void Watch(const std::vector<std::string>& folders);
    void Stop();

private:
    static DWORD WINAPI Run(void* parameter);

    HWND window_;
    UINT message_;
    std::vector<std::string> folders_;
    std::vector<HANDLE> handles_;  // the notices, then the stop event
    HANDLE thread_ = nullptr;
};

// The folders that hold these files: the folder of each path as named and,
// where a symbolic link (of the file or of a folder on its way) leads
// elsewhere, the folder the file really is in. Writes reach the watch of the
// latter alone.
std::vector<std::string> FoldersOf(const std::vector<std::string>& paths);

// The main settings file and the local settings file it names, each read once
// as one reload takes them.
class SettingsSnapshot {
public:
    enum class Result {
        kRead,
        kUnreadable,  // held by another program
        kCut,         // caught half-written
    };
    Result Read();
    // Lets go of the files: a file mapped for its text cannot be replaced,
    // and an editor may save while the daemon builds.
    void Close()
    {
        mainText_.Close();
        localText_.Close();
    }

    const std::string& MainPath() const { return mainPath_; }
    const SettingsFile& Local() const { return local_; }
    std::string_view LocalText() const { return localText_.Text(); }
    // A file that the platform reads in another encoding: read through it.
    bool LocalForeign() const { return localText_.Foreign(); }
    // Of the local file's path and text.
    std::uint64_t Digest() const { return digest_; }

private:
    std::string mainPath_;
    SettingsFile local_;
    FileText mainText_, localText_;
    std::uint64_t digest_ = 0;
};

// The commands of the newest backup of the settings file at `path` (in the
// folder "backup" beside it), and its name; 0 when there is none.
std::size_t NewestBackupCommands(const std::string& path, std::string& name);
