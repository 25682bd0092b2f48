#include "environment_variables.h"
#include "environment_variables_win.h"
#include "exec_test_support.h"

#include <gtest/gtest.h>

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

} // namespace
