#include "settings/settings_backup.h"

#include "settings/settings_file.h"

#include <windows.h>

#include <cstring>
#include <string_view>

namespace {

bool SizeOf(const char* path, ULONGLONG& size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
    size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

// Two files of the same size, read side by side until they differ.
bool SameBytes(const char* a, const char* b)
{
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE first = CreateFileA(a, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    HANDLE second = CreateFileA(b, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    bool same = first != INVALID_HANDLE_VALUE && second != INVALID_HANDLE_VALUE;
    std::vector<char> x(64 * 1024), y(64 * 1024);
    while (same) {
        DWORD n = 0, m = 0;
        same = ReadFile(first, x.data(), static_cast<DWORD>(x.size()), &n, nullptr) &&
               ReadFile(second, y.data(), static_cast<DWORD>(y.size()), &m, nullptr) && n == m &&
               std::memcmp(x.data(), y.data(), n) == 0;
        if (n == 0) break;
    }
    if (first != INVALID_HANDLE_VALUE) CloseHandle(first);
    if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
    return same;
}

// A backup still a second name of the settings file (a save killed between
// making it and putting the new file in place) would change with the next
// save, which writes such a file in place: it becomes a copy of its own.
void Unshare(const std::string& backup)
{
    HANDLE h = CreateFileA(backup.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    FILE_STANDARD_INFO info;
    const bool shared = GetFileInformationByHandleEx(h, FileStandardInfo, &info, sizeof info) && info.NumberOfLinks > 1;
    CloseHandle(h);
    if (!shared) return;
    const std::string copy = backup + ".tmp";
    if (!CopyFileA(backup.c_str(), copy.c_str(), FALSE) ||
        !MoveFileExA(copy.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(copy.c_str());
    }
}

BackupStamp Now()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

BackupStamp OneMillisecondAfter(const BackupStamp& s)
{
    SYSTEMTIME t = {};
    t.wYear = static_cast<WORD>(s.year);
    t.wMonth = static_cast<WORD>(s.month);
    t.wDay = static_cast<WORD>(s.day);
    t.wHour = static_cast<WORD>(s.hour);
    t.wMinute = static_cast<WORD>(s.minute);
    t.wSecond = static_cast<WORD>(s.second);
    t.wMilliseconds = static_cast<WORD>(s.millisecond);
    FILETIME f;
    // A name made by hand with an impossible time: the clock's time follows it.
    if (!SystemTimeToFileTime(&t, &f)) return Now();
    ULARGE_INTEGER value;
    value.LowPart = f.dwLowDateTime;
    value.HighPart = f.dwHighDateTime;
    value.QuadPart += 10000;
    f.dwLowDateTime = value.LowPart;
    f.dwHighDateTime = value.HighPart;
    FileTimeToSystemTime(&f, &t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

void Remove(const std::string& path)
{
    if (DeleteFileA(path.c_str())) return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

} // namespace

int BackupCount()
{
    SettingsFile main;
    main.Open(MainSettings::FileName().c_str());
    std::string text;
    if (!main.ReadString("Backup", "Count", text)) return kDefaultBackupCount;
    return BackupCountFromText(text);
}

void SettingsBackup::Keep(const char* path, const char* content, bool secondName)
{
    secondName_.clear();
    const int count = BackupCount();
    BackupPlace place;
    if (count <= 0 || !BackupPlaceOf(path, place)) return;
    CreateDirectoryA(place.folder.c_str(), nullptr);
    std::vector<std::string> names = FileNamesIn(place.folder);
    const std::vector<DatedBackup> sorted = DatedBackupsNewestFirst(place.name, names);

    BackupStamp stamp = Now();
    bool needed = true;
    if (!sorted.empty()) {
        const std::string newest = place.folder + sorted.front().name;
        ULONGLONG size = 0, newestSize = 0;
        needed = !SizeOf(content, size) || !SizeOf(newest.c_str(), newestSize) || size != newestSize ||
                 !SameBytes(content, newest.c_str());
        if (!needed) Unshare(newest);
        // Later than the newest even when the clock went back (the end of
        // summer time): the newest backup is always the greatest name.
        if (!(sorted.front().stamp < stamp)) stamp = OneMillisecondAfter(sorted.front().stamp);
    }
    if (needed) {
        for (int attempt = 0; attempt < 1000; ++attempt, stamp = OneMillisecondAfter(stamp)) {
            const std::string name = BackupFileName(place.name, stamp);
            const std::string backup = place.folder + name;
            if (secondName && CreateHardLinkA(backup.c_str(), content, nullptr)) {
                secondName_ = backup;
                names.push_back(name);
                break;
            }
            const DWORD linkError = secondName ? GetLastError() : 0;
            if (linkError == ERROR_ALREADY_EXISTS || linkError == ERROR_FILE_EXISTS) continue;
            // Another drive, or a file system without second names.
            secondName = false;
            if (CopyFileA(content, backup.c_str(), TRUE)) {
                names.push_back(name);
                break;
            }
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
        }
    }
    for (const std::string& old : BackupsToDrop(place.name, names, static_cast<std::size_t>(count))) {
        Remove(place.folder + old);
    }
}

void SettingsBackup::SaveFailed()
{
    if (!secondName_.empty()) DeleteFileA(secondName_.c_str());
    secondName_.clear();
}
