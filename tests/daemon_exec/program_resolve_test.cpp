#include "program_resolve.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

namespace {

constexpr char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\krvtestapp.exe";

// Where a command line finds its program, against the files of two folders:
// in the second, "a.exe" sits where CreateProcess tries first.
TEST(ResolveProgram, FindsTheProgramAsThePlatformStartsIt)
{
    TempDir one, two;
    const std::string recorder = ExeDir() + "exec_recorder.exe";
    for (const TempDir* dir : {&one, &two}) {
        ASSERT_TRUE(CreateDirectoryA(dir->File("a b").c_str(), nullptr));
        ASSERT_TRUE(CopyFileA(recorder.c_str(), dir->File("a b\\x.exe").c_str(), FALSE));
    }
    ASSERT_TRUE(CopyFileA(recorder.c_str(), two.File("a.exe").c_str(), FALSE));
    ASSERT_TRUE(CreateDirectoryA(one.File("folder.exe").c_str(), nullptr));
    const std::string x = one.File("a b\\x.exe");
    char system[MAX_PATH];
    ASSERT_NE(GetSystemDirectoryA(system, sizeof system), 0u);

    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kAppPathKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), 0);
    const std::string quoted = "\"" + x + "\"";
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(quoted.c_str()),
                   static_cast<DWORD>(quoted.size() + 1));
    RegCloseKey(key);

    char shortName[MAX_PATH] = {};
    if (GetShortPathNameA(x.c_str(), shortName, sizeof shortName) == 0) lstrcpynA(shortName, x.c_str(), MAX_PATH);

    struct Case {
        std::string line;
        std::string program;
        std::string arguments;
    } cases[] = {
        {"\"" + x + "\" arg", x, "arg"},
        {x + " arg", x, "arg"},
        {one.File("a b\\x") + " arg", x, "arg"},  // ".exe" added
        {two.File("a b\\x.exe") + " arg", two.File("a.exe"), "b\\x.exe arg"},
        {"cmd /c exit", std::string(system) + "\\cmd.exe", "/c exit"},
        {"krvtestapp --flag", x, "--flag"},
        {std::string(shortName) + " s", x, "s"},  // the long name, as a process image reads
        {one.File("none.exe"), "", ""},
        {one.File("folder.exe"), "", ""},
        {"krvtestmissing", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const ProgramSplit split = ResolveProgram(c.line);
        EXPECT_STRCASEEQ(split.program.c_str(), c.program.c_str());
        if (!c.program.empty()) {
            EXPECT_EQ(split.arguments, c.arguments);
        }
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppPathKey);
}

} // namespace
