#include "exec_test_support.h"
#include "launch_process.h"

#include <gtest/gtest.h>

#include <string>

using namespace exec_test;
using namespace testing_support;

namespace {

// Wine appends its own variables to an explicit block; nothing else may follow ours.
bool IsWineAddition(const std::string& line)
{
    return line.rfind("WINE", 0) == 0 || line.rfind("SystemDrive=", 0) == 0 ||
           line.rfind("SystemRoot=", 0) == 0;
}

std::vector<std::string> OursOnly(const std::vector<std::string>& environment)
{
    std::vector<std::string> ours;
    for (const std::string& line : environment) {
        if (!IsWineAddition(line)) ours.push_back(line);
    }
    return ours;
}

TEST(ReadEnvironmentFile, ConvertsRealFiles)
{
    using namespace std::string_literals;
    TempDir dir;
    struct Case {
        const char* name;
        std::string file;
        std::string block;  // with the two closing NULs
    } cases[] = {
        {"crlf", "A=1\r\nB=2\r\n", "A=1\0B=2\0\0\0"s},
        {"cr", "A=1\rB=2", "A=1\0B=2\0\0"s},
        {"lf", "A=1\nB=2\n", "A=1\nB=2\n\0\0"s},
        {"empty-first", "\r\nA=1\r\n", "\0A=1\0\0\0"s},
        {"empty", "", "\0\0"s},
        {"binary", "\0\x01\xff\r"s, "\0\x01\xff\0\0\0"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.File(std::string(c.name) + ".env");
        ASSERT_TRUE(WriteFileText(path, c.file));
        EnvironmentBlock block;
        ASSERT_TRUE(ReadEnvironmentFile(block, path.c_str()));
        ASSERT_NE(block.Data(), nullptr);
        EXPECT_EQ(std::string(block.Data(), block.Length() + 2), c.block);
        block.Release();
        EXPECT_EQ(block.Data(), nullptr);
        EXPECT_EQ(block.Length(), 0u);
    }
}

TEST(ReadEnvironmentFile, FailsWithoutAReadableFileOfSaneSize)
{
    TempDir dir;
    EnvironmentBlock block;
    EXPECT_FALSE(ReadEnvironmentFile(block, dir.File("missing.env").c_str()));
    EXPECT_FALSE(ReadEnvironmentFile(block, dir.Path().c_str()));  // a folder
    EXPECT_EQ(block.Data(), nullptr);

    // 5 GB, sparse: the size does not fit in 32 bits and must not be read modulo 4 GB.
    std::string huge = dir.File("huge.env");
    HANDLE file = CreateFileA(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 5LL * 1024 * 1024 * 1024 + 16;
    bool grown = SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    if (!grown) GTEST_SKIP() << "no room for a sparse 5 GB file";
    EXPECT_FALSE(ReadEnvironmentFile(block, huge.c_str()));
    EXPECT_EQ(block.Data(), nullptr);
}

// True when a plain read through another handle gets less than the file's
// size; false also when the file cannot be opened.
bool ReadsShort(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const DWORD size = GetFileSize(file, nullptr);
    std::string buffer(size + 1, '\0');
    DWORD read = 0;
    const BOOL ok = ReadFile(file, &buffer[0], size, &read, nullptr);
    CloseHandle(file);
    return !ok || read < size;
}

TEST(ReadEnvironmentFile, FailsWhenTheReadFailsOrStopsShort)
{
    TempDir dir;
    EnvironmentBlock block;
    // Bytes locked by another program: ReadFile fails with ERROR_LOCK_VIOLATION
    // on Windows. Wine 8 does not enforce the lock on reads; there the case
    // has nothing to show.
    const std::string locked = dir.File("locked.env");
    ASSERT_TRUE(WriteFileText(locked, "A=1\r\nB=2\r\n"));
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    OVERLAPPED at = {};
    ASSERT_TRUE(LockFileEx(holder, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 10, 0, &at));
    if (ReadsShort(locked)) {
        EXPECT_FALSE(ReadEnvironmentFile(block, locked.c_str()));
        EXPECT_EQ(block.Data(), nullptr);
    }
    UnlockFileEx(holder, 0, 10, 0, &at);
    CloseHandle(holder);

    // A file that gives fewer bytes than its size: Linux's pseudo-files, as
    // Wine shows them on drive Z:, state a size of 4096 and hold a few bytes.
    const std::string pseudo = "Z:\\sys\\devices\\system\\cpu\\online";
    if (!ReadsShort(pseudo)) GTEST_SKIP() << "no file here gives fewer bytes than its size";
    EXPECT_FALSE(ReadEnvironmentFile(block, pseudo.c_str()));
    EXPECT_EQ(block.Data(), nullptr);
}

TEST(StartProcess, PassesFolderWindowStateAndEnvironment)
{
    Recorder recorder;
    TempDir work;
    std::string envPath = recorder.File("vars.env");
    ASSERT_TRUE(WriteFileText(envPath, "KRV_A=1\r\nKRV_B=two words\r\n"));
    SetEnvironmentVariableA("KRV_DAEMON_ONLY", "leak");

    EnvironmentBlock block;
    ASSERT_TRUE(ReadEnvironmentFile(block, envPath.c_str()));
    LaunchRequest request{"\"" + recorder.Exe() + "\" first \"second arg\"", work.Path(), SW_SHOWMINNOACTIVE};
    ASSERT_TRUE(StartProcess(request, &block));
    Record record;
    ASSERT_TRUE(recorder.WaitForRecord(record));
    EXPECT_EQ(record.commandLine, request.commandLine);
    std::string folder = work.Path();
    folder.pop_back();  // the current folder has no trailing backslash
    EXPECT_STRCASEEQ(record.folder.c_str(), folder.c_str());
    EXPECT_EQ(record.show, SW_SHOWMINNOACTIVE);
    // Ours first, in file order, and nothing of this process's environment after them.
    ASSERT_GE(record.environment.size(), 2u);
    EXPECT_EQ(record.environment[0], "KRV_A=1");
    EXPECT_EQ(record.environment[1], "KRV_B=two words");
    EXPECT_EQ(OursOnly(record.environment), (std::vector<std::string>{"KRV_A=1", "KRV_B=two words"}));
    SetEnvironmentVariableA("KRV_DAEMON_ONLY", nullptr);
}

TEST(StartProcess, EnvironmentFileCasesReachTheProgram)
{
    struct Case {
        const char* name;
        std::string file;
        std::vector<std::string> ours;
    } cases[] = {
        {"cr only", "X=1\rY=2\r", {"X=1", "Y=2"}},
        {"lf only is one line", "X=1\nY=2", {"X=1\nY=2"}},
        // An empty first line ends the block at once: an empty environment.
        {"empty first line", "\r\nX=1\r\n", {}},
        {"empty line in the middle", "X=1\r\n\r\nY=2\r\n", {"X=1"}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder recorder;
        std::string envPath = recorder.File("vars.env");
        ASSERT_TRUE(WriteFileText(envPath, c.file));
        EnvironmentBlock block;
        ASSERT_TRUE(ReadEnvironmentFile(block, envPath.c_str()));
        ASSERT_TRUE(StartProcess(LaunchRequest{recorder.Exe(), "", SW_HIDE}, &block));
        Record record;
        ASSERT_TRUE(recorder.WaitForRecord(record));
        EXPECT_EQ(OursOnly(record.environment), c.ours);
        EXPECT_EQ(record.show, SW_HIDE);
    }
}

TEST(StartProcess, WithoutBlockInheritsEnvironmentAndFolder)
{
    Recorder recorder;
    SetEnvironmentVariableA("KRV_INHERITED", "yes");
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    ASSERT_TRUE(StartProcess(LaunchRequest{recorder.Exe(), "", SW_SHOWNORMAL}, nullptr));
    Record record;
    ASSERT_TRUE(recorder.WaitForRecord(record));
    EXPECT_STRCASEEQ(record.folder.c_str(), current);
    EXPECT_EQ(record.show, SW_SHOWNORMAL);
    bool found = false;
    for (const std::string& line : record.environment) found = found || line == "KRV_INHERITED=yes";
    EXPECT_TRUE(found);
    SetEnvironmentVariableA("KRV_INHERITED", nullptr);
}

TEST(StartProcess, FailsForBadProgramsFoldersAndLines)
{
    Recorder recorder;
    TempDir dir;
    EXPECT_FALSE(StartProcess(LaunchRequest{dir.File("none.exe"), "", 1}, nullptr));
    EXPECT_FALSE(StartProcess(LaunchRequest{recorder.Exe(), dir.File("no such folder"), 1}, nullptr));
    EXPECT_FALSE(StartProcess(LaunchRequest{"", "", 1}, nullptr));
    // A text file is no program (error 193, as on Windows).
    std::string text = dir.File("a.txt");
    WriteFileText(text, "x");
    EXPECT_FALSE(StartProcess(LaunchRequest{text, "", 1}, nullptr));
    // Longer than the platform takes.
    EXPECT_FALSE(StartProcess(LaunchRequest{recorder.Exe() + " " + std::string(40000, 'x'), "", 1}, nullptr));
    // A program started after them records first.
    Recorder control;
    ASSERT_TRUE(StartProcess(LaunchRequest{control.Exe(), "", 1}, nullptr));
    Record record;
    ASSERT_TRUE(control.WaitForRecord(record));
    EXPECT_FALSE(recorder.HasRecord());
}

TEST(OpenWithShell, OpensADocumentInItsFolderAndFailsForNothing)
{
    Recorder recorder;
    DocumentType type(recorder.Exe());
    ASSERT_TRUE(type.Registered());
    TempDir work;
    std::string document = recorder.File("note" + std::string(DocumentType::kExtension));
    ASSERT_TRUE(WriteFileText(document, "x"));
    ASSERT_TRUE(OpenWithShell(LaunchRequest{document, work.Path(), SW_SHOWMAXIMIZED}));
    Record record;
    ASSERT_TRUE(recorder.WaitForRecord(record));
    EXPECT_NE(record.commandLine.find(document), std::string::npos);
    std::string folder = work.Path();
    folder.pop_back();
    EXPECT_STRCASEEQ(record.folder.c_str(), folder.c_str());

    BoxAnswerer boxes(IDOK);  // Wine may show its own error box on a failed open
    EXPECT_FALSE(OpenWithShell(LaunchRequest{work.File("missing" + std::string(DocumentType::kExtension)), "", 1}));

    // URLs longer than a path are the shell's to open, up to what it can take
    // (Wine's shell crashes the caller from about 1,000 characters): longer
    // ones are refused, and any call would have opened them.
    struct Case {
        std::size_t length;
        bool opens;
    } cases[] = {{300, true}, {1228, false}, {40000, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        DeleteFileA(recorder.LogPath().c_str());
        const std::string url = DocumentType::kUrlScheme + std::string(c.length - 20, 'u');
        ASSERT_EQ(url.size(), c.length);
        ASSERT_EQ(OpenWithShell(LaunchRequest{url, "", 1}), c.opens);
        if (c.opens) {
            ASSERT_TRUE(recorder.WaitForRecord(record));
            EXPECT_NE(record.commandLine.find(url), std::string::npos);
        }
    }
}

} // namespace
