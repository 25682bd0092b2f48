#include "environment_variables.h"
#include "environment_variables_win.h"
#include "exec_test_support.h"
#include "launch_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace exec_test;
using namespace testing_support;

namespace {

// A variable of this process, as it was again when the object goes.
class ProcessVariable {
public:
    ProcessVariable(const char* name, const char* value) : name_(name)
    {
        SetEnvironmentVariableA(name, value);
    }
    ~ProcessVariable() { SetEnvironmentVariableA(name_, nullptr); }
    ProcessVariable(const ProcessVariable&) = delete;
    ProcessVariable& operator=(const ProcessVariable&) = delete;

private:
    const char* name_;
};

// The value, or "(none)" when the process has no such variable.
std::string ValueOf(const char* name)
{
    char value[4096];
    SetLastError(0xDEADBEEF);
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return "(none)";
    return length < sizeof value ? std::string(value, length) : "(too long)";
}

bool Has(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(Environment, ReferencesExpandAsThePlatformExpandsThem)
{
    ProcessVariable x("KRVN_ENV_X", "x");
    char* strings = GetEnvironmentStringsA();
    ASSERT_NE(strings, nullptr);
    const EnvironmentVariables variables(strings);
    FreeEnvironmentStringsA(strings);
    const char* texts[] = {
        "%KRVN_ENV_X%", "%krvn_env_x%;%PATH%", "%KRVN_ENV_NONE%", "%KRVN_ENV_NONE%KRVN_ENV_X%",
        "a%KRVN_ENV_NONE%b%KRVN_ENV_X%c", "100%", "%%", "%%KRVN_ENV_X%%", "%KRVN_ENV_X", "",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        char expanded[8192];
        const DWORD size = ExpandEnvironmentStringsA(text, expanded, sizeof expanded);
        ASSERT_TRUE(size > 0 && size <= sizeof expanded);
        EXPECT_EQ(variables.Expand(text), expanded);
    }
}

TEST(Environment, MergedFileKeepsTheProcessVariables)
{
    ProcessVariable keep("KRVN_ENV_KEEP", "kept");
    ProcessVariable over("KRVN_ENV_OVER", "old");
    const std::string path = ValueOf("PATH");
    Recorder recorder;
    const std::string file = recorder.File("merge.env");
    ASSERT_TRUE(WriteFileText(file, "krvn_env_over=new;%KRVN_ENV_OVER%\r\n"
                                    "KRVN_ENV_ADD=%KRVN_ENV_KEEP%\\x;%KRVN_ENV_NONE%\r\n"
                                    "PATH=C:\\tools;%PATH%\r\n"));
    EnvironmentBlock block;
    ASSERT_TRUE(ReadEnvironmentFile(block, file.c_str()));
    ASSERT_TRUE(MergeWithCurrentEnvironment(block));
    ASSERT_TRUE(StartProcess({"\"" + recorder.Exe() + "\"", "", SW_HIDE}, &block));
    Record record;
    ASSERT_TRUE(recorder.WaitForRecord(record));
    EXPECT_TRUE(Has(record.environment, "KRVN_ENV_KEEP=kept"));
    EXPECT_TRUE(Has(record.environment, "krvn_env_over=new;old"));
    EXPECT_FALSE(Has(record.environment, "KRVN_ENV_OVER=old"));
    EXPECT_TRUE(Has(record.environment, "KRVN_ENV_ADD=kept\\x;%KRVN_ENV_NONE%"));
    EXPECT_TRUE(Has(record.environment, "PATH=C:\\tools;" + path));
}

TEST(Environment, RefreshTakesTheRegistryVariablesAnew)
{
    // As if the process had started with them: one the registry also holds,
    // one it never held.
    UserVariable early("KRVN_ENV_EARLY", "early");
    ProcessVariable earlyCopy("KRVN_ENV_EARLY", "early");
    ProcessVariable started("KRVN_ENV_STARTED", "started");
    ASSERT_TRUE(early.Written());
    FreshEnvironment fresh;
    early.Remove();

    UserVariable added("KRVN_ENV_FRESH", "%SystemRoot%\\fresh", REG_EXPAND_SZ);
    ASSERT_TRUE(added.Written());
    fresh.Refresh();
    EXPECT_EQ(ValueOf("KRVN_ENV_FRESH"), ValueOf("SystemRoot") + "\\fresh");
    EXPECT_EQ(ValueOf("KRVN_ENV_EARLY"), "(none)");
    EXPECT_EQ(ValueOf("KRVN_ENV_STARTED"), "started");

    added.Remove();
    fresh.Refresh();
    EXPECT_EQ(ValueOf("KRVN_ENV_FRESH"), "(none)");
    EXPECT_EQ(ValueOf("KRVN_ENV_STARTED"), "started");
}

TEST(Environment, RefreshAppendsTheUsersPathToTheSystems)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Environment", 0, KEY_QUERY_VALUE, &key) == 0) {
        const bool taken = RegQueryValueExA(key, "PATH", nullptr, nullptr, nullptr, nullptr) == 0;
        RegCloseKey(key);
        if (taken) GTEST_SKIP() << "the user has a PATH of their own here";
    }
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", 0,
                            KEY_QUERY_VALUE, &key),
              0);
    char stored[8192] = {};
    DWORD size = sizeof stored - 1;
    const LONG read = RegQueryValueExA(key, "PATH", nullptr, nullptr, reinterpret_cast<BYTE*>(stored), &size);
    RegCloseKey(key);
    ASSERT_EQ(read, 0);
    char system[8192];
    ASSERT_GT(ExpandEnvironmentStringsA(stored, system, sizeof system), 0u);
    FreshEnvironment fresh;
    UserVariable path("Path", "C:\\krvn env");
    ASSERT_TRUE(path.Written());
    fresh.Refresh();
    EXPECT_EQ(ValueOf("PATH"), std::string(system) + ";C:\\krvn env");
    path.Remove();
    fresh.Refresh();
    EXPECT_EQ(ValueOf("PATH"), system);
}

} // namespace
