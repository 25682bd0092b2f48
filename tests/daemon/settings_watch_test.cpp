#include "settings_watch.h"

#include "daemon_test_files.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace daemon_test;
using namespace testing_support;

namespace {

TEST(SettingsWatchTest, TheNewestBackupOfTheFileDecides)
{
    const std::string one = LocalSettings({{"A", "a.exe", ""}});
    const std::string two = LocalSettings({{"A", "a.exe", ""}, {"B", "b.exe", ""}});
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> backups;
        std::size_t commands;
        std::string name;
    } cases[] = {
        {"no backup", {}, 0, ""},
        {"the newest of the file's own",
         {{"local.20261208-100000-000.ini", one},
          {"local.20261209-100000-000.ini", two},
          {"other.20261210-100000-000.ini", one},
          {"local.20261211-100000-000.ini.tmp", one}},
         2, "local.20261209-100000-000.ini"},
        {"a newest without commands, an older with some",
         {{"local.20261209-100000-000.ini", two}, {"local.20261210-100000-000.ini", "[CmdTable]\r\n"}}, 0,
         "local.20261210-100000-000.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        if (!c.backups.empty()) {
            ASSERT_TRUE(CreateDirectoryA(dir.File("backup").c_str(), nullptr));
        }
        for (const auto& backup : c.backups) ASSERT_TRUE(WriteFileText(dir.File("backup\\" + backup.first), backup.second));
        std::string name;
        EXPECT_EQ(NewestBackupCommands(dir.File("local.ini"), name), c.commands);
        EXPECT_EQ(name, c.name);
    }
}

// A change written through a link reaches only the watch of the folder the
// file really is in.
TEST(SettingsWatchTest, ALinkedFileIsWatchedWhereItReallyIs)
{
    TempDir named, real;
    ASSERT_TRUE(WriteFileText(real.File("local.ini"), "[CmdTable]\r\n"));
    const std::string link = named.File("local.ini");
    // Wine 8 reports success without making the link.
    if (!CreateSymbolicLinkA(link.c_str(), real.File("local.ini").c_str(), 0) ||
        GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "no symbolic links here";
    }
    const std::vector<std::string> folders = FoldersOf({link});
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[0], named.Path());
    EXPECT_TRUE(_stricmp(folders[1].c_str(), real.Path().c_str()) == 0) << folders[1];
}

} // namespace
