#include "settings_watch.h"

#include "commands/command_table.h"
#include "reload_check.h"
#include "settings/ascii_case.h"
#include "settings/settings_backup.h"

namespace {

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The path a file is really at, links followed; empty when it cannot be told.
std::string FinalPath(const std::string& path)
{
    // Backup semantics: the handle may be of a folder too.
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    char final[MAX_PATH + 8];
    const DWORD n = GetFinalPathNameByHandleA(file, final, sizeof final, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(file);
    if (n == 0 || n >= sizeof final) return std::string();
    std::string result(final, n);
    if (result.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + result.substr(8);
    if (result.rfind("\\\\?\\", 0) == 0) return result.substr(4);
    return result;
}

void AddFolder(std::vector<std::string>& folders, const std::string& folder)
{
    if (folder.empty()) return;
    for (const std::string& known : folders) {
        if (EqualsAsciiNoCase(known, folder)) return;
    }
    folders.push_back(folder);
}

// Any read failure but a missing file, which reads as empty as at the
// start (and so does no file named at all).
bool OpenText(FileText& text, const std::string& path)
{
    return path.empty() || text.Open(path.c_str());
}

} // namespace

void FolderWatch::Watch(const std::vector<std::string>& folders)
{
    if (thread_ != nullptr && folders == folders_) return;
    Stop();
    folders_ = folders;
    for (const std::string& folder : folders) {
        HANDLE notice = FindFirstChangeNotificationA(
            folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE);
        if (notice != INVALID_HANDLE_VALUE) handles_.push_back(notice);
    }
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (handles_.empty() || stop == nullptr) {
        if (stop != nullptr) CloseHandle(stop);
        Stop();
        return;
    }
    handles_.push_back(stop);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    if (thread_ == nullptr) Stop();
}

void FolderWatch::Stop()
{
    if (thread_ != nullptr) {
        SetEvent(handles_.back());
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
        CloseHandle(handles_.back());
        handles_.pop_back();
    }
    for (HANDLE notice : handles_) FindCloseChangeNotification(notice);
    handles_.clear();
    folders_.clear();
}

DWORD WINAPI FolderWatch::Run(void* parameter)
{
    const FolderWatch& watch = *static_cast<FolderWatch*>(parameter);
    // The thread's own list: a notice that cannot be renewed leaves it, or
    // it would stay signalled and the wait would spin.
    std::vector<HANDLE> waited = watch.handles_;
    for (;;) {
        const DWORD count = static_cast<DWORD>(waited.size());
        const DWORD which = WaitForMultipleObjects(count, waited.data(), FALSE, INFINITE) - WAIT_OBJECT_0;
        if (which >= count - 1) return 0;  // the stop event, or a failed wait
        PostMessageA(watch.window_, watch.message_, 0, 0);
        if (!FindNextChangeNotification(waited[which])) waited.erase(waited.begin() + which);
    }
}

std::vector<std::string> FoldersOf(const std::vector<std::string>& paths)
{
    std::vector<std::string> folders;
    for (const std::string& path : paths) {
        if (path.empty()) continue;
        AddFolder(folders, FolderOf(path));
        AddFolder(folders, FolderOf(FinalPath(path)));
    }
    return folders;
}

SettingsSnapshot::Result SettingsSnapshot::Read()
{
    SettingsFile main;
    main.Open(MainSettings::FileName().c_str());
    mainPath_ = main.Path();
    if (!OpenText(mainText_, mainPath_)) return Result::kUnreadable;
    std::string current;
    if (mainText_.Foreign()) {
        MainSettings settings;
        settings.Load();
        current = settings.current;
    } else {
        if (!MainTextLoadsWhole(mainText_.Text())) return Result::kCut;
        current = CurrentFromMainText(mainText_.Text());
    }
    local_.Open(current.c_str());
    if (!OpenText(localText_, local_.Path())) return Result::kUnreadable;
    if (!localText_.Foreign() && !LocalTextLoadsWhole(localText_.Text())) return Result::kCut;
    // The rest of the main file is not the daemon's: a change there rebuilds nothing.
    digest_ = TextDigest(localText_.Text(), TextDigest(local_.Path()));
    return Result::kRead;
}

std::size_t NewestBackupCommands(const std::string& path, std::string& name)
{
    const std::vector<BackupFile> backups = ListBackups(path);
    if (backups.empty()) return 0;
    name = backups.front().name;
    SettingsFile backup;
    backup.Open(backups.front().path.c_str());
    CommandTable commands;
    commands.Load(backup);
    return commands.Size();
}
