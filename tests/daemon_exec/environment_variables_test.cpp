#include "environment_variables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A block of the lines, closed by its NULs.
std::string Block(const std::vector<std::string>& lines)
{
    std::string block;
    for (const std::string& line : lines) block += line + '\0';
    return block + '\0' + '\0';
}

std::vector<std::string> Lines(const std::string& blockText)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < blockText.size();) {
        const std::size_t end = blockText.find('\0', start);
        lines.push_back(blockText.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

TEST(EnvironmentVariables, MergeOverridesExtendsAndExpands)
{
    const std::vector<std::string> current = {"=C:=C:\\work", "Path=C:\\w", "TEMP=C:\\t", "windir=C:\\win"};
    struct Case {
        const char* name;
        std::vector<std::string> file;
        std::vector<std::string> result;  // sorted by name, as the platform keeps a block
    } cases[] = {
        {"empty file", {}, current},
        {"name of another case overrides in place",
         {"PATH=C:\\tools;%path%"},
         {"=C:=C:\\work", "PATH=C:\\tools;C:\\w", "TEMP=C:\\t", "windir=C:\\win"}},
        {"new variables sorted in",
         {"ZED=z", "Abc=%TEMP%\\x"},
         {"=C:=C:\\work", "Abc=C:\\t\\x", "Path=C:\\w", "TEMP=C:\\t", "windir=C:\\win", "ZED=z"}},
        {"unknown and unclosed references stay",
         {"A=%NOPE%;%TEMP", "B=100%", "C=%%TEMP%%"},
         {"=C:=C:\\work", "A=%NOPE%;%TEMP", "B=100%", "C=%%TEMP%%", "Path=C:\\w", "TEMP=C:\\t", "windir=C:\\win"}},
        {"a later line sees an earlier one",
         {"TOOLS=C:\\tools", "PATH=%TOOLS%;%PATH%", "PATH=C:\\first;%PATH%"},
         {"=C:=C:\\work", "PATH=C:\\first;C:\\tools;C:\\w", "TEMP=C:\\t", "TOOLS=C:\\tools", "windir=C:\\win"}},
        {"lines without a name are passed over, an empty value is kept",
         {"no equals sign", "=lonely", "TEMP="},
         {"=C:=C:\\work", "Path=C:\\w", "TEMP=", "windir=C:\\win"}},
        {"an empty line ends the file",
         {"A=1", "", "B=2"},
         {"=C:=C:\\work", "A=1", "Path=C:\\w", "TEMP=C:\\t", "windir=C:\\win"}},
        {"the drive entries can be overridden too",
         {"=C:=D:\\x"},
         {"=C:=D:\\x", "Path=C:\\w", "TEMP=C:\\t", "windir=C:\\win"}},
        // The second bytes "a" and "A" are not letters there: two names.
        {"double-byte names", {"\x83\x61=1", "\x83\x41=2", "\x83\x61=3"},
         {"=C:=C:\\work", "Path=C:\\w", "TEMP=C:\\t", "windir=C:\\win", "\x83\x41=2", "\x83\x61=3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EnvironmentVariables variables(Block(current).c_str());
        variables.Merge(Block(c.file).c_str());
        EXPECT_EQ(Lines(variables.BlockText()), c.result);
    }
}

struct RegistryCase {
    const char* name;
    std::vector<std::string> current;
    std::vector<std::string> previous;
    std::vector<RegistryVariable> system;
    std::vector<RegistryVariable> user;
    std::vector<std::string> result;
    std::vector<std::string> names;
};

TEST(EnvironmentVariables, RegistryVariablesAreTakenAsTheShellDoes)
{
    const RegistryVariable systemPath{"Path", "C:\\win;%SystemRoot%\\bin", true};
    const RegistryVariable systemRoot{"SystemRoot", "C:\\win", false};
    const RegistryCase cases[] = {
        {"the user's path follows the system's, expanded after the plain values",
         {"=C:=C:\\", "PATH=C:\\old", "USERPROFILE=C:\\u"},
         {"Path", "SystemRoot"},
         {systemPath, systemRoot},
         {{"PATH", "%USERPROFILE%\\bin", true}},
         {"=C:=C:\\", "PATH=C:\\win;C:\\win\\bin;C:\\u\\bin", "SystemRoot=C:\\win", "USERPROFILE=C:\\u"},
         {"Path", "SystemRoot"}},
        {"no double separator, and no system path to join",
         {},
         {},
         {{"LIBPATH", "C:\\lib;", false}},
         {{"LIBPATH", "C:\\mine", false}, {"OS2LIBPATH", "C:\\os2", false}},
         {"LIBPATH=C:\\lib;C:\\mine", "OS2LIBPATH=C:\\os2"},
         {"LIBPATH", "OS2LIBPATH"}},
        {"dropped from the registry goes, started with stays",
         {"GONE=1", "KEPT=2", "SystemRoot=C:\\win", "WINEDEBUG=-all"},
         {"gone", "SystemRoot"},
         {systemRoot},
         {},
         {"KEPT=2", "SystemRoot=C:\\win", "WINEDEBUG=-all"},
         {"SystemRoot"}},
        {"the user's value replaces the system's and a started one",
         {"TEMP=C:\\start", "KEPT=2"},
         {},
         {{"TEMP", "C:\\sys", false}, systemRoot},
         {{"temp", "%SystemRoot%\\t", true}, {"KEPT", "user", false}},
         {"KEPT=user", "SystemRoot=C:\\win", "temp=C:\\win\\t"},
         {"TEMP", "SystemRoot", "KEPT"}},
    };
    for (const RegistryCase& c : cases) {
        SCOPED_TRACE(c.name);
        EnvironmentVariables variables(Block(c.current).c_str());
        EXPECT_EQ(TakeRegistryVariables(variables, c.previous, c.system, c.user), c.names);
        EXPECT_EQ(Lines(variables.BlockText()), c.result);
    }
}

} // namespace
