#include "settings/settings_backup.h"
#include "settings/settings_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {

// The texts of the backups of `file` in `dir`, newest first.
std::vector<std::string> BackupTexts(const TempDir& dir, const std::string& file)
{
    std::vector<std::string> texts;
    for (const BackupFile& backup : ListBackups(dir.File(file))) texts.push_back(ReadFileText(backup.path));
    return texts;
}

std::string Value(int i)
{
    return "[S]\r\nk=" + std::to_string(i) + "\r\n";
}

} // namespace

// The test program's folder holds no main settings: the default count.
TEST(SettingsBackupTest, TenSavesKeepTenBackupsAndTheEleventhDropsTheOldest)
{
    // A file of two names is written in place: its backup must be a copy,
    // not one more name of the bytes the save overwrites.
    for (const bool twoNames : {false, true}) {
        SCOPED_TRACE(twoNames ? "two names" : "one name");
        TempDir dir;
        ASSERT_TRUE(WriteFileText(dir.File("local.ini"), Value(0)));
        if (twoNames) {
            ASSERT_TRUE(CreateHardLinkA(dir.File("other.ini").c_str(), dir.File("local.ini").c_str(), nullptr));
        }
        SettingsFile file;
        ASSERT_TRUE(file.Open(dir.File("local.ini").c_str()));
        for (int i = 1; i <= 11; ++i) {
            ASSERT_TRUE(file.WriteInt("S", "k", i));
            const std::vector<std::string> texts = BackupTexts(dir, "local.ini");
            ASSERT_EQ(texts.size(), static_cast<std::size_t>(i < 10 ? i : 10)) << i;
            EXPECT_EQ(texts.front(), Value(i - 1)) << i;
            EXPECT_EQ(texts.back(), Value(i <= 10 ? 0 : 1)) << i;
        }
        EXPECT_EQ(ReadFileText(dir.File("local.ini")), Value(11));
    }
}

TEST(SettingsBackupTest, AnUnchangedFileIsNotCopiedTwice)
{
    // The table's save, which streams the old text, backs up what the first
    // repeat finds; the key write sees the old text whole and writes nothing
    // for an edit that changes nothing.
    const std::string before = "[S]\r\nk=old\r\n", after = "[S]\r\nk=new\r\n";
    const struct {
        const char* name;
        bool (*save)(SettingsFile& file, const char* value);
        std::vector<std::string> backups;
    } cases[] = {
        {"keys", [](SettingsFile& file, const char* value) { return file.WriteString("S", "k", value); }, {before}},
        {"section",
         [](SettingsFile& file, const char* value) { return file.WriteSection("S", {std::string("k=") + value}); },
         {after, before}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ASSERT_TRUE(WriteFileText(dir.File("local.ini"), before));
        SettingsFile file;
        ASSERT_TRUE(file.Open(dir.File("local.ini").c_str()));
        ASSERT_TRUE(c.save(file, "new"));
        // Put back by hand as the newest backup holds it.
        ASSERT_TRUE(WriteFileText(dir.File("local.ini"), before));
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(c.save(file, "new"));
        EXPECT_EQ(BackupTexts(dir, "local.ini"), c.backups);
        EXPECT_EQ(ReadFileText(dir.File("local.ini")), after);
    }
}

TEST(SettingsBackupTest, ASaveWhoseBackupCannotBeMadeStillSaves)
{
    TempDir dir;
    ASSERT_TRUE(WriteFileText(dir.File("local.ini"), Value(0)));
    // A file where the folder would be: no backup folder can be made.
    ASSERT_TRUE(WriteFileText(dir.File("backup"), "not a folder"));
    SettingsFile file;
    ASSERT_TRUE(file.Open(dir.File("local.ini").c_str()));
    ASSERT_TRUE(file.WriteInt("S", "k", 1));
    ASSERT_TRUE(file.WriteSection("S", {"k=2"}));
    EXPECT_EQ(ReadFileText(dir.File("local.ini")), Value(2));
    EXPECT_EQ(ReadFileText(dir.File("backup")), "not a folder");
}

// The count is read from the main settings beside the program that saves.
TEST(SettingsBackupTest, TheMainSettingsCountIsKeptAndZeroMakesNone)
{
    const struct {
        const char* backupSection;
        std::vector<std::string> kept;   // newest first
    } cases[] = {
        {"", {Value(3), Value(2), Value(1), Value(0)}},
        {"[Backup]\r\nCount=2\r\n", {Value(3), Value(2)}},
        {"[Backup]\r\nCount=0\r\n", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.backupSection);
        ProgramFolder folder({"coordination_helper.exe"});
        const std::string main = "[LocalSetting]\r\nCurrent=local.ini\r\n" + std::string(c.backupSection);
        ASSERT_TRUE(WriteFileText(folder.File("_setting.ini"), main));
        ASSERT_TRUE(WriteFileText(folder.File("local.ini"), Value(0)));
        const std::string helper = "\"" + folder.Program("coordination_helper.exe") + "\" ";
        ASSERT_EQ(RunProgram(helper + "save local.ini 4"), 0u);
        EXPECT_EQ(ReadFileText(folder.File("local.ini")), Value(4));
        EXPECT_EQ(BackupTexts(folder, "local.ini"), c.kept);
        // The main file itself is backed up as it was.
        ASSERT_EQ(RunProgram(helper + "savemain korvaned.exe"), 0u);
        EXPECT_EQ(BackupTexts(folder, "_setting.ini"),
                  c.kept.empty() ? std::vector<std::string>{} : std::vector<std::string>{main});
    }
}

TEST(SettingsBackupTest, ABackupLeftAsASecondNameOfTheFileKeepsItsBytes)
{
    TempDir dir;
    ASSERT_TRUE(WriteFileText(dir.File("local.ini"), Value(0)));
    // As a save killed after its backup and before its new file leaves it.
    ASSERT_TRUE(CreateDirectoryA(dir.File("backup").c_str(), nullptr));
    ASSERT_TRUE(CreateHardLinkA(dir.File("backup\\local.20260101-000000-000.ini").c_str(), dir.File("local.ini").c_str(),
                                nullptr));
    SettingsFile file;
    ASSERT_TRUE(file.Open(dir.File("local.ini").c_str()));
    ASSERT_TRUE(file.WriteInt("S", "k", 1));
    EXPECT_EQ(ReadFileText(dir.File("local.ini")), Value(1));
    EXPECT_EQ(BackupTexts(dir, "local.ini"), std::vector<std::string>{Value(0)});
}
