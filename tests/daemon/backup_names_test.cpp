#include "backup_names.h"

#include <gtest/gtest.h>

namespace {

TEST(BackupNamesTest, OnlyTheFilesOwnNamesWithATimeMatch)
{
    struct Case {
        const char* name;
        const char* file;
        bool matches;
    } cases[] = {
        {"local.20261209-215300-123.ini", "local.ini", true},
        {"LOCAL.20261209-215300-123.INI", "local.ini", true},
        {"settings.20261209-215300-123", "settings", true},
        {"my.local.20261209-215300-123.ini", "my.local.ini", true},
        {"local.ini", "local.ini", false},
        {"local.20261209-215300-12.ini", "local.ini", false},
        {"local.2026120a-215300-123.ini", "local.ini", false},
        {"local.20261209_215300-123.ini", "local.ini", false},
        {"other.20261209-215300-123.ini", "local.ini", false},
        {"local.20261209-215300-123.ini.tmp", "local.ini", false},
        {"local.20261209-215300-123.bak", "local.ini", false},
        {"local.20261209-215300-123", "local.ini", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsBackupName(c.name, c.file), c.matches);
    }
}

TEST(BackupNamesTest, TheNewestIsTheLatestTimeWhateverTheLetterCase)
{
    EXPECT_EQ(NewestBackup({}, "local.ini"), "");
    EXPECT_EQ(NewestBackup({"local.ini", "other.20991231-235959-999.ini"}, "local.ini"), "");
    EXPECT_EQ(NewestBackup({"local.20261208-235959-999.ini", "LOCAL.20261209-000000-000.ini",
                            "local.20261209-000000-000.ini.tmp", "local.20261201-120000-000.ini"},
                           "local.ini"),
              "LOCAL.20261209-000000-000.ini");
}

} // namespace
