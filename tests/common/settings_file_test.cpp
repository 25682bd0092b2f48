#include "settings/ini_section.h"
#include "settings/ini_text.h"
#include "settings/settings_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

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
    EXPECT_FALSE(FileExists(folder.File("sub\\local.ini")));  // no example to start it from
}

// The portable folder's first run: the missing current table starts from the
// example of the system code page (932 here), and only a missing one.
TEST(MainSettingsTest, AMissingCurrentTableStartsFromTheExampleOfTheCodePage)
{
    ProgramFolder folder({"coordination_helper.exe"});
    CreateDirectoryA(folder.File("sub").c_str(), nullptr);
    WriteFileText(folder.File("_setting.ini"), "[LocalSetting]\r\nCurrent=sub\\local.ini\r\n");
    WriteFileText(folder.File("example-ja.ini"), "[CmdTable]\r\ncmd[0].caption=ja\r\n");
    WriteFileText(folder.File("example-en.ini"), "[CmdTable]\r\ncmd[0].caption=en\r\n");
    const std::string helper = "\"" + folder.Program("coordination_helper.exe") + "\" main \"" +
                               folder.File("report.txt") + "\"";
    ASSERT_EQ(RunProgram(helper), 0u);
    EXPECT_EQ(ReadFileText(folder.File("sub\\local.ini")), "[CmdTable]\r\ncmd[0].caption=ja\r\n");

    WriteFileText(folder.File("sub\\local.ini"), "mine");
    ASSERT_EQ(RunProgram(helper), 0u);
    EXPECT_EQ(ReadFileText(folder.File("sub\\local.ini")), "mine");
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

namespace {

// Every section, its lines and each of its keys, as the platform reads the file.
std::string ReadBackThroughThePlatform(const std::string& path)
{
    std::vector<char> names(1 << 16), lines(1 << 16), value(4096);
    const DWORD namesSize = GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), path.c_str());
    std::string dump;
    for (const char* name = names.data(); name < names.data() + namesSize && *name; name += std::strlen(name) + 1) {
        dump += std::string("[") + name + "]\n";
        const DWORD size = GetPrivateProfileSectionA(name, lines.data(), static_cast<DWORD>(lines.size()), path.c_str());
        for (const char* line = lines.data(); line < lines.data() + size && *line; line += std::strlen(line) + 1) {
            const std::string key = std::string(line).substr(0, std::string(line).find('='));
            GetPrivateProfileStringA(name, key.c_str(), "<none>", value.data(), static_cast<DWORD>(value.size()),
                                     path.c_str());
            dump += std::string(line) + " -> " + value.data() + "\n";
        }
    }
    return dump;
}

// UTF-16LE with its byte-order mark, from ASCII text.
std::string Utf16(const std::string& ascii)
{
    std::string bytes = "\xFF\xFE";
    for (char c : ascii) bytes += std::string(1, c) + '\0';
    return bytes;
}

std::vector<std::string> FilesIn(const std::string& dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

} // namespace

TEST(SettingsFileWriteTest, WritesReadBackAsThePlatformsOwnWrites)
{
    const struct {
        const char* name;
        std::string text;   // "missing": no file
    } inputs[] = {
        {"other sections, comments, blanks, key order",
         "; top\r\n[Desktop]\r\nTaskbarHide = true\r\nHideIcon=false\r\n\r\n[CmdTable]\r\ncmd[0].caption=Old\r\n; note\r\n"
         "loose line\r\n\r\n[After]\r\nz=26\r\na = 1\r\nloose\r\n"},
        {"names in other case", "[ cmdtable ]\r\ncmd[0].caption=Old\r\n[DESKTOP]\r\nhideicon=true\r\n"},
        {"repeated sections",
         "[CmdTable]\r\ncmd[0].caption=A\r\n[Desktop]\r\nTaskbarHide=1\r\n[CmdTable]\r\ncmd[1].caption=B\r\n"
         "[Desktop]\r\nHideIcon=true\r\n"},
        {"unclosed header, no final line end", "[X\r\nk=1\r\n[CmdTable]\r\ncmd[0].caption=X"},
        {"bare LF", "[Desktop]\nHideIcon=true\n[CmdTable]\ncmd[0].caption=Old\n"},
        {"missing file", "missing"},
        {"UTF-16 with a byte-order mark", Utf16("[Desktop]\r\nHideIcon=true\r\n[CmdTable]\r\ncmd[0].caption=Old\r\n")},
    };
    const std::vector<std::string> lines = {"cmd[0].caption=" + Ansi("表示/ツール"), "cmd[0].cmdline=\"C:\\a b\\x.exe\" \"%1\"",
                                            "cmd[0].cmdline.dir=  lead", "cmd[0].hotkey=", "no equals sign"};
    enum Operation { kSection, kKeys, kClear };
    int n = 0;
    for (const auto& input : inputs) {
        for (Operation op : {kSection, kKeys, kClear}) {
            SCOPED_TRACE(std::string(input.name) + ", operation " + std::to_string(op));
            TempDir dir;
            const std::string platformPath = dir.File("platform" + std::to_string(++n) + ".ini");
            SettingsFile ours;
            ASSERT_TRUE(ours.Open(dir.File("ours" + std::to_string(n) + ".ini").c_str()));
            if (input.text != "missing") {
                ASSERT_TRUE(WriteFileText(ours.Path(), input.text));
                ASSERT_TRUE(WriteFileText(platformPath, input.text));
            }
            const char* platform = platformPath.c_str();
            bool ourResult = false, platformResult = false;
            if (op == kSection) {
                ourResult = ours.WriteSection("CmdTable", lines);
                std::string block;
                for (const std::string& line : lines) block += line + '\0';
                platformResult = WritePrivateProfileSectionA("CmdTable", (block + '\0').c_str(), platform) != FALSE;
            } else if (op == kKeys) {
                ourResult = ours.WriteStrings({{"Desktop", "HideIcon", "true"},
                                               {"LocalSetting", "Current", "sub\\x.ini"},
                                               {"desktop", "TaskbarTrans.Percent", " 128"}});
                platformResult = WritePrivateProfileStringA("Desktop", "HideIcon", "true", platform) &&
                                 WritePrivateProfileStringA("LocalSetting", "Current", "sub\\x.ini", platform) &&
                                 WritePrivateProfileStringA("desktop", "TaskbarTrans.Percent", " 128", platform);
            } else {
                ourResult = ours.ClearSection("CmdTable");
                platformResult = WritePrivateProfileSectionA("CmdTable", "\0", platform) != FALSE;
            }
            EXPECT_TRUE(ourResult);
            EXPECT_TRUE(platformResult);
            EXPECT_EQ(FileExists(ours.Path()), FileExists(platformPath));
            EXPECT_EQ(ReadBackThroughThePlatform(ours.Path()), ReadBackThroughThePlatform(platformPath));
            EXPECT_EQ(FilesIn(dir.Path()).size(), FileExists(platformPath) ? 2u : 0u);
            // Sections are read by the same rules as the platform's section read.
            const std::string text = ReadFileText(ours.Path());
            if (text.compare(0, 2, "\xFF\xFE") == 0) continue;
            for (const char* name : {"CmdTable", "Desktop", "After", "LocalSetting", "X"}) {
                std::vector<char> block(1 << 16);
                const DWORD size = GetPrivateProfileSectionA(name, block.data(), static_cast<DWORD>(block.size()), ours.Path());
                EXPECT_EQ(IniSectionBlock(text, name), std::string(block.data(), size)) << name;
            }
        }
    }
}

TEST(SettingsFileWriteTest, RefusedWritesLeaveTheFileWholeAndNoTemporaryFile)
{
    TempDir dir;
    SettingsFile file;
    ASSERT_TRUE(file.Open(dir.File("local.ini").c_str()));
    const std::string before = "[S]\r\nk=before\r\n[T]\r\nt=1\r\n";
    const struct {
        const char* name;
        DWORD share;        // of a handle another program holds; -1: none
        DWORD attributes;
        bool written;
    } cases[] = {
        // Refused as on Windows; Wine's own write, as root, would write it.
        {"read-only", DWORD(-1), FILE_ATTRIBUTE_READONLY, false},
        {"held sharing reading", FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, false},
        // The platform writes such a file in place, and so do we.
        {"held sharing reading and writing", FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_ATTRIBUTE_NORMAL, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetFileAttributesA(file.Path(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(WriteFileText(file.Path(), before));
        ASSERT_TRUE(SetFileAttributesA(file.Path(), c.attributes));
        HANDLE hold = c.share == DWORD(-1) ? INVALID_HANDLE_VALUE
                                           : CreateFileA(file.Path(), GENERIC_READ | GENERIC_WRITE, c.share, nullptr,
                                                         OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(file.WriteString("S", "k", "after"), c.written);
        EXPECT_EQ(file.WriteSection("T", {"t=2"}), c.written);
        if (hold != INVALID_HANDLE_VALUE) CloseHandle(hold);
        EXPECT_EQ(ReadFileText(file.Path()), c.written ? "[S]\r\nk=after\r\n[T]\r\nt=2\r\n" : before);
        EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"local.ini"});
    }
    SetFileAttributesA(file.Path(), FILE_ATTRIBUTE_NORMAL);
}

TEST(SettingsFileWriteTest, ReplacedFileKeepsItsAttributesAndIsReadAtOnce)
{
    TempDir dir;
    SettingsFile file;
    ASSERT_TRUE(file.Open(dir.File("local.ini").c_str()));
    ASSERT_TRUE(WriteFileText(file.Path(), "[S]\r\nk=old\r\n"));
    ASSERT_TRUE(SetFileAttributesA(file.Path(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    // The platform caches files it has read; the replaced file must not be served from that cache.
    std::string value;
    ASSERT_TRUE(file.ReadString("S", "k", value));
    ASSERT_TRUE(file.WriteSection("S", {"k=new"}));
    ASSERT_TRUE(file.ReadString("S", "k", value));
    EXPECT_EQ(value, "new");
    ASSERT_TRUE(file.WriteString("S", "k", "newer"));
    ASSERT_TRUE(file.ReadString("S", "k", value));
    EXPECT_EQ(value, "newer");
    EXPECT_EQ(GetFileAttributesA(file.Path()), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
}

TEST(SettingsFileWriteTest, LargeFilesAreEditedAsTheyAreRead)
{
    TempDir dir;
    SettingsFile file;
    ASSERT_TRUE(file.Open(dir.File("local.ini").c_str()));
    // Many times the read buffer, a line longer than it, the section near the end.
    std::string text = "[Desktop]\r\nHideIcon=true\r\n[Notes]\r\n";
    for (int i = 0; text.size() < 300000; ++i) text += "note" + std::to_string(i) + "=" + std::string(i % 50, 'n') + "\r\n";
    text += "long=" + std::string(200000, 'l') + "\r\n[CmdTable]\r\ncmd[0].caption=old\r\n[After]\r\na=1\r\n";
    // And a file of one piece whose text after the section is larger than
    // the new lines before it: the writer gathers small pieces and must not
    // put a large one out ahead of them.
    std::string small = "[CmdTable]\r\ncmd[0].caption=old\r\n[After]\r\n";
    for (int i = 0; small.size() < 40000; ++i) small += "after" + std::to_string(i) + "=a\r\n";
    for (const std::string& before : {text, small}) {
        ASSERT_TRUE(WriteFileText(file.Path(), before));
        ASSERT_TRUE(file.WriteSection("CmdTable", {"cmd[0].caption=new"}));
        EXPECT_EQ(ReadFileText(file.Path()), ReplaceIniSection(before, "CmdTable", "cmd[0].caption=new\r\n"));
    }
    // A NUL or a cut double-byte character in the section, far into the
    // file, is found only after much of the new file is written: that file
    // is dropped, the old one stays.
    const std::size_t keys = text.find("cmd[0].caption=old\r\n") + 20;
    for (const std::string& bad : {std::string("bad=\0\r\n", 7), std::string("bad=\x95\r\n")}) {
        const std::string before = text.substr(0, keys) + bad + text.substr(keys);
        ASSERT_TRUE(WriteFileText(file.Path(), before));
        SetLastError(0);
        EXPECT_FALSE(file.WriteSection("CmdTable", {"cmd[0].caption=new"}));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
        EXPECT_EQ(ReadFileText(file.Path()), before);
        EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"local.ini"});
    }
}

// Only the lines a save replaces must have been read as they stand; any
// other byte, mapped by the code page or not, is copied as it is.
TEST(SettingsFileWriteTest, StrayBytesBlockOnlyTheLinesTheSaveReplaces)
{
    const std::string nul("a\0b", 3);
    const struct {
        std::string before;
        bool keys;              // WriteString S/k=new, else WriteSection S with k=new
        std::string after;      // empty: refused, the file as it was
    } cases[] = {
        {"[N]\r\nn=\xA0\xFD\xFE\xFF\r\n[S]\r\nk=old\r\n", true, "[N]\r\nn=\xA0\xFD\xFE\xFF\r\n[S]\r\nk=new\r\n"},
        {"[N]\r\nn=\xA0\r\n[S]\r\nk=old\r\n", false, "[N]\r\nn=\xA0\r\n[S]\r\nk=new\r\n"},
        {"[S]\r\nx=\x95\r\nk=old\r\n[T]\r\nt=" + nul + "\r\n", true,
         "[S]\r\nx=\x95\r\nk=new\r\n[T]\r\nt=" + nul + "\r\n"},
        {"[S]\r\nk=old\r\n[T]\r\nt=" + nul + "\xFF\r\n", false, "[S]\r\nk=new\r\n[T]\r\nt=" + nul + "\xFF\r\n"},
        // The key's own line, or the section replaced, read otherwise than it stands.
        {"[S]\r\nk=old\xA0\r\n", true, ""},
        {"[S]\r\nk=" + nul + "\r\n", true, ""},
        {"[S]\r\nk=old\r\nx=\x95\r\n[T]\r\n", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        TempDir dir;
        SettingsFile file;
        ASSERT_TRUE(file.Open(dir.File("local.ini").c_str()));
        ASSERT_TRUE(WriteFileText(file.Path(), c.before));
        SetLastError(0);
        const bool written = c.keys ? file.WriteString("S", "k", "new") : file.WriteSection("S", {"k=new"});
        EXPECT_EQ(written, !c.after.empty());
        if (!written) {
            EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
        }
        EXPECT_TRUE(ReadFileText(file.Path()) == (written ? c.after : c.before));
    }
}

namespace {

// Leads `link` to `target` (relative to the link's folder): a symbolic link
// where the platform makes one. Wine's CreateSymbolicLinkA reports success
// and makes nothing; a link made on the Unix side, whose programs Wine starts
// (with a handle that cannot be waited for), is one to Wine's file calls too.
bool MakeSymbolicLink(const TempDir& dir, const std::string& link, const std::string& target)
{
    std::string windowsTarget = target;
    for (char& c : windowsTarget) c = c == '/' ? '\\' : c;
    if (CreateSymbolicLinkA(dir.File(link).c_str(), windowsTarget.c_str(), 0) && FileExists(dir.File(link))) {
        return true;
    }
    Process ln;
    return ln.Start("/bin/ln -s " + target + " " + link, dir.Path()) &&
           WaitFor([&] { return FileExists(dir.File(link)); });
}

std::string PermissionsOf(const std::string& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    char* text = nullptr;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                              nullptr, &descriptor) != ERROR_SUCCESS) {
        return "none";
    }
    ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text,
                                                         nullptr);
    const std::string permissions = text != nullptr ? text : "none";
    LocalFree(text);
    LocalFree(descriptor);
    return permissions;
}

} // namespace

// A settings file kept elsewhere through a link, or under a second name,
// is saved where it lives: every name reads the new text, the link stays a
// link, and the file keeps its own permissions.
TEST(SettingsFileWriteTest, SavesKeepLinksAndPermissions)
{
    TempDir dir;
    ASSERT_TRUE(CreateDirectoryA(dir.File("real").c_str(), nullptr));
    const std::string target = dir.File("real\\target.ini");
    ASSERT_TRUE(WriteFileText(target, "[S]\r\nk=old\r\n"));
    ASSERT_TRUE(WriteFileText(dir.File("one.ini"), "[S]\r\nk=old\r\n"));
    ASSERT_TRUE(CreateHardLinkA(dir.File("two.ini").c_str(), dir.File("one.ini").c_str(), nullptr));
    // Wine keeps no list of permissions: it shows the file's Unix mode as one.
    PSECURITY_DESCRIPTOR own = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;FA;;;WD)", SDDL_REVISION_1, &own, nullptr));
    ASSERT_TRUE(SetFileSecurityA(target.c_str(), DACL_SECURITY_INFORMATION, own));
    LocalFree(own);
    const std::string permissions = PermissionsOf(target);
    const bool symbolic = MakeSymbolicLink(dir, "local.ini", "real/target.ini");

    // A link that a save made a file of its own no longer reads the next.
    const struct {
        std::string written;
        std::vector<std::string> names;   // that read the new text
    } cases[] = {
        {"local.ini", {"real\\target.ini", "local.ini"}},
        {"real\\target.ini", {"real\\target.ini", "local.ini"}},
        {"one.ini", {"one.ini", "two.ini"}},
        {"two.ini", {"one.ini", "two.ini"}},
    };
    for (const auto& c : cases) {
        if (c.written == "local.ini" && !symbolic) continue;
        SCOPED_TRACE(c.written);
        SettingsFile file;
        ASSERT_TRUE(file.Open(dir.File(c.written).c_str()));
        ASSERT_TRUE(file.WriteString("S", "k", c.written.c_str()));
        for (const std::string& name : c.names) {
            if (name != "local.ini" || symbolic) {
                EXPECT_EQ(ReadFileText(dir.File(name)), "[S]\r\nk=" + c.written + "\r\n") << name;
            }
        }
    }
    EXPECT_EQ(PermissionsOf(target), permissions);
    EXPECT_EQ(FilesIn(dir.File("real\\")), std::vector<std::string>{"target.ini"});
    if (!symbolic) std::printf("No symbolic link could be made here: only hard links and permissions were checked.\n");
}

// A file the platform can write is saved, however long its folder's name
// (no room for a temporary name beside it at the end), and a failure
// reports the error of the call that failed.
TEST(SettingsFileWriteTest, FilesInFoldersOfAnyLengthAreSaved)
{
    TempDir dir;
    std::string folder = dir.Path();
    for (std::size_t length : {230u, 245u}) {
        SCOPED_TRACE(length);
        while (folder.size() < length) {
            folder += std::string(std::min<std::size_t>(100, length - folder.size()), 'f');
            ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << GetLastError();
            folder += '\\';
        }
        SettingsFile file;
        ASSERT_TRUE(file.Open((folder + "local.ini").c_str()));
        ASSERT_STREQ(file.Path(), (folder + "local.ini").c_str());
        ASSERT_TRUE(file.WriteSection("S", {"k=1"}));
        ASSERT_TRUE(file.WriteString("S", "k", "2"));
        EXPECT_EQ(ReadFileText(file.Path()), "[S]\r\nk=2\r\n");
        EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"local.ini"});

        HANDLE hold = CreateFileA(file.Path(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        SetLastError(0);
        EXPECT_FALSE(file.WriteString("S", "k", "3"));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
        CloseHandle(hold);
        EXPECT_EQ(ReadFileText(file.Path()), "[S]\r\nk=2\r\n");
    }
}

// Temporary files of saves that were killed go at the next save; those of
// a save in progress, and files not of our making, stay.
TEST(SettingsFileWriteTest, SavesRemoveTheTemporaryFilesOfKilledSaves)
{
    TempDir dir;
    Process ended;
    ASSERT_TRUE(ended.Start("cmd.exe /c exit 0"));
    ASSERT_EQ(ended.Wait(), 0u);
    char stale[32], busy[32];
    wsprintfA(stale, "kvn%lx-1a.tmp", ended.Id());
    wsprintfA(busy, "kvn%lx-ffff.tmp", GetCurrentProcessId());
    for (const std::string& name : std::vector<std::string>{stale, busy, "kvnotes.tmp", "local.ini"}) {
        ASSERT_TRUE(WriteFileText(dir.File(name), "x"));
    }
    HANDLE inUse = CreateFileA(dir.File(busy).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SettingsFile file;
    ASSERT_TRUE(file.Open(dir.File("local.ini").c_str()));
    ASSERT_TRUE(file.WriteString("S", "k", "v"));
    CloseHandle(inUse);
    std::vector<std::string> left = FilesIn(dir.Path());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{busy, "kvnotes.tmp", "local.ini"}));
}
