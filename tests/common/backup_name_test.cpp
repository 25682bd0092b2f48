#include "settings/backup_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(BackupNameTest, NamesCarryTheTimeBetweenNameAndExtensionAndReadBack)
{
    const struct {
        const char* file;
        BackupStamp stamp;
        const char* name;
    } cases[] = {
        {"local.ini", {2026, 12, 9, 21, 53, 0, 123}, "local.20261209-215300-123.ini"},
        {"_setting.ini", {2027, 1, 2, 3, 4, 5, 6}, "_setting.20270102-030405-006.ini"},
        {"a.b.ini", {2026, 12, 31, 23, 59, 59, 999}, "a.b.20261231-235959-999.ini"},
        {"noextension", {2026, 6, 1, 0, 0, 0, 0}, "noextension.20260601-000000-000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(BackupFileName(c.file, c.stamp), c.name);
        BackupStamp read;
        ASSERT_TRUE(ParseBackupFileName(c.file, c.name, read));
        EXPECT_FALSE(read < c.stamp || c.stamp < read);
    }
}

TEST(BackupNameTest, OnlyBackupsOfTheSameFileAreRecognised)
{
    const struct {
        const char* candidate;
        bool backup;
    } cases[] = {
        {"LOCAL.20261209-215300-123.INI", true},   // the file system ignores case
        {"local.20261209-215300-123.ini", true},
        {"local.ini", false},
        {"local.20261209-215300-12.ini", false},
        {"local.20261209-215300-1234.ini", false},
        {"local.2026120x-215300-123.ini", false},
        {"local.20261209_215300-123.ini", false},
        {"local.20261209-215300-123.txt", false},
        {"local2.20261209-215300-123.ini", false},
        {"other.20261209-215300-123.ini", false},
        {"local.b.20261209-215300-123.ini", false},   // a backup of "local.b.ini"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.candidate);
        BackupStamp stamp;
        EXPECT_EQ(ParseBackupFileName("local.ini", c.candidate, stamp), c.backup);
    }
}

TEST(BackupNameTest, TheNewestAreKeptAndTheRestOfThatFileDropped)
{
    const std::vector<std::string> folder = {
        "local.20261209-215300-123.ini", "local.20261208-235959-999.ini", "LOCAL.20261209-215300-124.ini",
        "other.20200101-000000-000.ini", "local.20261209-215259-999.ini", "notes.txt",
    };
    EXPECT_EQ(BackupsNewestFirst("local.ini", folder),
              (std::vector<std::string>{"LOCAL.20261209-215300-124.ini", "local.20261209-215300-123.ini",
                                        "local.20261209-215259-999.ini", "local.20261208-235959-999.ini"}));
    EXPECT_EQ(BackupsToDrop("local.ini", folder, 2),
              (std::vector<std::string>{"local.20261209-215259-999.ini", "local.20261208-235959-999.ini"}));
    EXPECT_TRUE(BackupsToDrop("local.ini", folder, 4).empty());
    EXPECT_EQ(BackupsToDrop("local.ini", folder, 0).size(), 4u);
}

TEST(BackupNameTest, CountFromTheMainSettings)
{
    const struct {
        const char* text;
        int count;
    } cases[] = {
        {"", kDefaultBackupCount}, {"0", 0},   {" 3 ", 3}, {"25", 25}, {"-1", kDefaultBackupCount},
        {"3x", kDefaultBackupCount}, {"1234567", kDefaultBackupCount},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(BackupCountFromText(c.text), c.count);
    }
}
