#pragma once

// The copies of a settings file as it was before each save, in the folder
// "backup" beside it (the names: backup_name.h).

#include "settings/backup_name.h"

#include <string>
#include <vector>

// "[Backup] Count" of the main settings file, read at each call.
int BackupCount();

// One backup made before one save. Failing to make it never fails the save:
// the save goes on, and the file it replaces is the user's newest copy still.
class SettingsBackup {
public:
    // Keeps the file named `path`, whose bytes are those of `content` (the
    // file a symbolic link leads to), unless the newest backup holds the same
    // bytes, and drops the backups beyond the count. `secondName`: the save
    // puts a new file in place of `content`, so the old one can stay as the
    // backup's name with no copy at all.
    void Keep(const char* path, const char* content, bool secondName);
    // The save failed and the file is as it was: a second name made for it
    // would make the next save write it in place, and the backup with it.
    void SaveFailed();

private:
    std::string secondName_;
};

struct BackupFile {
    std::string path;
    std::string name;  // the name in the backup folder
    BackupStamp stamp;
};

// The backups of the settings file at `path`, newest first.
std::vector<BackupFile> ListBackups(const std::string& path);

// Where the backups of the file at `path` go: its folder's "backup" folder
// (ending in a backslash), and the file's own name. False for a path that
// names no file in a folder.
struct BackupPlace {
    std::string folder;
    std::string name;
};
bool BackupPlaceOf(const std::string& path, BackupPlace& place);
// The names of the files (not folders) in `folder`, which ends in a backslash.
std::vector<std::string> FileNamesIn(const std::string& folder);
