#include "ini_section.h"
#include "settings_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>

using namespace testing_support;

namespace {

std::string CurrentDir()
{
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    std::string dir = cwd;
    if (dir.back() != '\\') dir += '\\';
    return dir;
}

// The key=value lines of a helper's report.
std::map<std::string, std::string> ReadReport(const std::string& path)
{
    std::map<std::string, std::string> values;
    const std::string text = ReadFileText(path);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(pos, end - pos);
        const size_t eq = line.find('=');
        if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
        pos = end + 2;
    }
    return values;
}

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(file.Open(dir.File("local.ini").c_str())); }
    TempDir dir;
    SettingsFile file;
};

} // namespace

TEST(SettingsFileOpenTest, ResolvesAgainstTheProgramDirectory)
{
    TempDir elsewhere;
    ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.Path().c_str()));
    SettingsFile file;
    EXPECT_FALSE(file.IsOpen());
    ASSERT_TRUE(file.Open("sub\\local.ini"));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_STRCASEEQ(file.Path(), (ExeDir() + "sub\\local.ini").c_str());
    // The program directory stays the current directory after the call.
    EXPECT_STRCASEEQ(CurrentDir().c_str(), ExeDir().c_str());

    SettingsFile absolute;
    ASSERT_TRUE(absolute.Open(elsewhere.File("x.ini").c_str()));
    EXPECT_STRCASEEQ(absolute.Path(), elsewhere.File("x.ini").c_str());

    SettingsFile none;
    EXPECT_FALSE(none.Open(nullptr));
    EXPECT_FALSE(none.IsOpen());
}

TEST(SettingsFileOpenTest, UnopenedAccessorReadsNothing)
{
    SettingsFile file;
    std::string target = "kept";
    EXPECT_FALSE(file.HasValue("S", "k"));
    EXPECT_FALSE(file.ReadString("S", "k", target));
    EXPECT_EQ(target, "kept");
    EXPECT_FALSE(file.ReadBool("S", "k"));
    EXPECT_EQ(file.ReadInt("S", "k"), 0);
}

TEST_F(SettingsFileTest, ReadsWhatWasWritten)
{
    EXPECT_FALSE(FileExists(file.Path()));
    ASSERT_TRUE(file.WriteString("Sec", "Text", "hello world"));
    ASSERT_TRUE(file.WriteString("Sec", "Jp", Ansi("表示/ツール").c_str()));
    ASSERT_TRUE(file.WriteInt("Sec", "Number", -42));
    ASSERT_TRUE(file.WriteBool("Sec", "Flag", true));
    ASSERT_TRUE(file.WriteBool("Sec", "Off", false));
    ASSERT_TRUE(file.WriteString("Sec", "Empty", ""));
    ASSERT_TRUE(file.WriteString("Sec", "Quoted", "\"C:\\Program Files\\x.exe\" \"%1\""));

    std::string value = "previous";
    EXPECT_TRUE(file.ReadString("sec", "TEXT", value));
    EXPECT_EQ(value, "hello world");
    EXPECT_TRUE(file.ReadString("Sec", "Jp", value));
    EXPECT_EQ(value, Ansi("表示/ツール"));
    // Stored as given; the per-key read drops the one enclosing pair.
    EXPECT_NE(ReadFileText(file.Path()).find("Quoted=\"C:\\Program Files\\x.exe\" \"%1\"\r\n"), std::string::npos);
    EXPECT_TRUE(file.ReadString("Sec", "Quoted", value));
    EXPECT_EQ(value, "C:\\Program Files\\x.exe\" \"%1");
    EXPECT_EQ(file.ReadInt("Sec", "Number"), -42);
    EXPECT_TRUE(file.ReadBool("Sec", "Flag"));
    EXPECT_FALSE(file.ReadBool("Sec", "Off"));

    value = "previous";
    EXPECT_FALSE(file.ReadString("Sec", "Empty", value));
    EXPECT_EQ(value, "previous");
    EXPECT_FALSE(file.ReadString("Sec", "Missing", value));
    EXPECT_EQ(value, "previous");
    EXPECT_TRUE(file.HasValue("Sec", "Text"));
    EXPECT_TRUE(file.HasValue("Sec", "Jp"));
    EXPECT_FALSE(file.HasValue("Sec", "Empty"));
    EXPECT_FALSE(file.HasValue("Other", "Text"));
}

TEST_F(SettingsFileTest, ReadBoolKnowsOnlyTheExactFalseWords)
{
    ASSERT_TRUE(WriteFileText(file.Path(),
                              "[B]\r\nfalse=false\r\nnull=null\r\nvoid=void\r\nzero=0\r\nupper=FALSE\r\n"
                              "yes=yes\r\none=1\r\nempty=\r\n"));
    for (const char* key : {"false", "null", "void", "zero", "empty", "missing"}) EXPECT_FALSE(file.ReadBool("B", key)) << key;
    for (const char* key : {"upper", "yes", "one"}) EXPECT_TRUE(file.ReadBool("B", key)) << key;
}

TEST_F(SettingsFileTest, LongValuesAreReadWhole)
{
    // A double-byte character where a 1,024-character buffer would cut it.
    const std::string values[] = {std::string(1500, 'x'), std::string(1022, 'a') + Ansi("表") + "tail",
                                  std::string(1023, 'b'), std::string(5000, 'c')};
    for (const std::string& written : values) {
        SCOPED_TRACE(written.size());
        ASSERT_TRUE(file.WriteString("S", "Long", written.c_str()));
        std::string value;
        ASSERT_TRUE(file.ReadString("S", "Long", value));
        EXPECT_EQ(value, written);
    }
}

TEST_F(SettingsFileTest, WriteSectionReplacesOnlyThatSection)
{
    ASSERT_TRUE(WriteFileText(file.Path(), "[Keep]\r\na=1\r\n[S]\r\nold=gone\r\nx=0\r\n[After]\r\nb=2\r\n"));
    ASSERT_TRUE(file.WriteSection("S", {"x=1", "y=two words"}));
    std::string value;
    EXPECT_FALSE(file.HasValue("S", "old"));
    EXPECT_TRUE(file.ReadString("S", "x", value));
    EXPECT_EQ(value, "1");
    EXPECT_TRUE(file.ReadString("S", "y", value));
    EXPECT_EQ(value, "two words");
    EXPECT_EQ(file.ReadInt("Keep", "a"), 1);
    EXPECT_EQ(file.ReadInt("After", "b"), 2);

    // An empty list leaves the section present but without keys.
    ASSERT_TRUE(file.WriteSection("S", {}));
    EXPECT_FALSE(file.HasValue("S", "x"));
    EXPECT_NE(ReadFileText(file.Path()).find("[S]"), std::string::npos);
    EXPECT_EQ(file.ReadInt("After", "b"), 2);
}

TEST_F(SettingsFileTest, SectionReadMatchesKeyReads)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 3000; ++i) lines.push_back("key" + std::to_string(i) + "=value number " + std::to_string(i));
    lines.push_back("quoted=\"a b\" \"c\"");
    lines.push_back("padded=   inner   ");
    ASSERT_TRUE(file.WriteSection("Big", lines));

    IniSection section;
    ASSERT_TRUE(file.ReadSection("Big", section));
    EXPECT_EQ(section.Size(), 3002u);
    for (const char* key : {"key0", "KEY1234", "key2999", "padded"}) {
        std::string perKey;
        ASSERT_TRUE(file.ReadString("Big", key, perKey)) << key;
        const char* fromSection = section.Find(key);
        ASSERT_NE(fromSection, nullptr) << key;
        EXPECT_STREQ(fromSection, perKey.c_str()) << key;
    }
    // Only the quotation marks differ: the per-key read drops one pair, the
    // section keeps the value as stored.
    std::string perKey;
    ASSERT_TRUE(file.ReadString("Big", "quoted", perKey));
    EXPECT_EQ(perKey, "a b\" \"c");
    EXPECT_STREQ(section.Find("quoted"), "\"a b\" \"c\"");
    IniSection missing;
    EXPECT_TRUE(file.ReadSection("NoSuchSection", missing));
    EXPECT_EQ(missing.Size(), 0u);
}

TEST(SettingsFileWriteTest, FailedWritesAreReported)
{
    TempDir dir;
    SettingsFile missingFolder;
    ASSERT_TRUE(missingFolder.Open(dir.File("no\\such\\folder\\x.ini").c_str()));
    EXPECT_FALSE(missingFolder.WriteString("S", "k", "v"));
    EXPECT_FALSE(missingFolder.WriteInt("S", "k", 1));
    EXPECT_FALSE(missingFolder.WriteSection("S", {"k=v"}));
    EXPECT_FALSE(missingFolder.ClearSection("S"));

    // A file held open without sharing. (As root, Wine writes read-only files anyway.)
    SettingsFile locked;
    ASSERT_TRUE(locked.Open(dir.File("locked.ini").c_str()));
    ASSERT_TRUE(locked.WriteString("S", "k", "before"));
    HANDLE hold = CreateFileA(locked.Path(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(locked.WriteString("S", "k", "after"));
    EXPECT_FALSE(locked.WriteSection("S", {"k=after"}));
    CloseHandle(hold);
    std::string value;
    ASSERT_TRUE(locked.ReadString("S", "k", value));
    EXPECT_EQ(value, "before");
}

TEST(MainSettingsTest, CurrentIsResolvedFromTheProgramFolder)
{
    ProgramFolder folder({"coordination_helper.exe"});
    CreateDirectoryA(folder.File("sub").c_str(), nullptr);
    WriteFileText(folder.File("_setting.ini"),
                  "[LocalSetting]\r\nCurrent=sub\\local.ini\r\n[ProgramInfo]\r\nDaemon.Path=korvaned.exe\r\n"
                  "Controller.Path=C:\\Korvane\\korvopt.exe\r\nSwitcher.Path=\r\n");
    TempDir elsewhere;
    const std::string report = elsewhere.File("report.txt");
    Process helper;
    // Started from another folder: the relative path still means the program folder.
    ASSERT_TRUE(helper.Start("\"" + folder.Program("coordination_helper.exe") + "\" main \"" + report + "\"",
                             elsewhere.Path()));
    ASSERT_EQ(helper.Wait(), 0u);
    auto values = ReadReport(report);
    EXPECT_EQ(values["current"], "sub\\local.ini");
    EXPECT_EQ(values["daemon"], "korvaned.exe");
    EXPECT_EQ(values["controller"], "C:\\Korvane\\korvopt.exe");
    EXPECT_EQ(values["switcher"], "");
    EXPECT_STRCASEEQ(values["local"].c_str(), folder.File("sub\\local.ini").c_str());
    EXPECT_STRCASEEQ((values["cwd"] + "\\").c_str(), folder.Path().c_str());
}

TEST(MainSettingsTest, WithoutACurrentFileNothingIsWritten)
{
    ProgramFolder folder({"coordination_helper.exe"});
    const std::string report = folder.File("report.txt");
    ASSERT_EQ(RunProgram("\"" + folder.Program("coordination_helper.exe") + "\" main \"" + report + "\""), 0u);
    auto values = ReadReport(report);
    EXPECT_EQ(values["current"], "");
    EXPECT_EQ(values["local"], "");

    SettingsFile empty;
    ASSERT_TRUE(empty.Open(""));
    EXPECT_FALSE(empty.WriteString("S", "k", "v"));
    EXPECT_FALSE(empty.HasValue("S", "k"));
}
