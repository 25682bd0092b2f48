#pragma once

// The names of a settings file's backups, kept in the folder "backup" beside
// it: "<name without extension>.<YYYYMMDD>-<HHMMSS>-<mmm><extension>" in
// local time, so that the newest sorts last.

#include <string>
#include <string_view>
#include <vector>

// Whether `name` is a backup of the file named `fileName` (both without a
// folder; letter case aside, as the file system sees names).
bool IsBackupName(std::string_view name, std::string_view fileName);

// The newest of the backups among `names`; empty when there is none.
std::string NewestBackup(const std::vector<std::string>& names, std::string_view fileName);
