// Finding a settings file's backups, apart from making them: the daemon,
// which only looks for the newest, links none of the save's code.
#include "settings/settings_backup.h"

#include <windows.h>

bool BackupPlaceOf(const std::string& path, BackupPlace& place)
{
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos || slash + 1 == path.size()) return false;
    place.folder = path.substr(0, slash + 1) + "backup\\";
    place.name = path.substr(slash + 1);
    return true;
}

std::vector<std::string> FileNamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

std::vector<BackupFile> ListBackups(const std::string& path)
{
    std::vector<BackupFile> backups;
    BackupPlace place;
    if (!BackupPlaceOf(path, place)) return backups;
    for (DatedBackup& dated : DatedBackupsNewestFirst(place.name, FileNamesIn(place.folder))) {
        BackupFile file;
        file.path = place.folder + dated.name;
        file.name = std::move(dated.name);
        file.stamp = dated.stamp;
        backups.push_back(std::move(file));
    }
    return backups;
}
