#pragma once

// The names of a settings file's backups, "<name>.<YYYYMMDD>-<HHMMSS>-<mmm><extension>"
// in the folder "backup" beside it, and which of them to keep. The fixed
// width of the time makes the newest backup the greatest name.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Backups kept of each file when the main settings name no count.
constexpr int kDefaultBackupCount = 10;

// A local time to the millisecond.
struct BackupStamp {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// "local.ini" at 2026-12-09 21:53:00.123 gives "local.20261209-215300-123.ini".
std::string BackupFileName(std::string_view fileName, const BackupStamp& stamp);
// True, with its time, when `candidate` names a backup of `fileName`; the
// letter case of ASCII letters does not count, as for the file system.
bool ParseBackupFileName(std::string_view fileName, std::string_view candidate, BackupStamp& stamp);
// Orders the times as they pass.
bool operator<(const BackupStamp& a, const BackupStamp& b);

// The backups of `fileName` among `names` (a folder's files), newest first,
// with their times, or by name alone.
struct DatedBackup {
    BackupStamp stamp;
    std::string name;
};
std::vector<DatedBackup> DatedBackupsNewestFirst(std::string_view fileName, const std::vector<std::string>& names);
std::vector<std::string> BackupsNewestFirst(std::string_view fileName, const std::vector<std::string>& names);
// Those beyond the newest `keep`, which go.
std::vector<std::string> BackupsToDrop(std::string_view fileName, const std::vector<std::string>& names,
                                       std::size_t keep);

// The count of "[Backup] Count" from its value: a missing or unreadable one
// keeps the default, 0 turns backups off.
int BackupCountFromText(std::string_view text);
