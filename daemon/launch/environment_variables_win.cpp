#include "environment_variables_win.h"

#include "environment_variables.h"
#include "launch_process.h"

#include <windows.h>

#include <cstring>
#include <memory>

namespace {

constexpr char kSystemEnvironmentKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr char kUserEnvironmentKey[] = "Environment";

EnvironmentVariables CurrentVariables()
{
    EnvironmentVariables variables;
    if (char* strings = GetEnvironmentStringsA()) {
        variables = EnvironmentVariables(strings);
        FreeEnvironmentStringsA(strings);
    }
    return variables;
}

// The string values of the key; false when it exists but cannot be read.
bool ReadRegistryVariables(HKEY root, const char* path, std::vector<RegistryVariable>& variables)
{
    variables.clear();
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    // Value names are at most 16,383 characters; data grows on demand.
    char name[16384];
    std::string data(4096, '\0');
    LONG result = ERROR_SUCCESS;
    for (DWORD index = 0; result == ERROR_SUCCESS; ++index) {
        DWORD nameLength = sizeof name;
        DWORD type = REG_NONE;
        DWORD size = static_cast<DWORD>(data.size() - 1);
        result = RegEnumValueA(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
        if (result == ERROR_MORE_DATA && data.size() < (1u << 24)) {
            data.resize(size + 1 > data.size() * 2 ? size + 1 : data.size() * 2);
            --index;
            result = ERROR_SUCCESS;
            continue;
        }
        if (result != ERROR_SUCCESS || nameLength == 0 || (type != REG_SZ && type != REG_EXPAND_SZ)) continue;
        data[size] = '\0';
        variables.push_back({std::string(name, nameLength), std::string(data.c_str()), type == REG_EXPAND_SZ});
    }
    RegCloseKey(key);
    return result == ERROR_NO_MORE_ITEMS;
}

// Made by the first call, on the daemon's one thread: a function's static
// would bring the thread-safe guard and its threading library along.
std::unique_ptr<FreshEnvironment> g_daemonEnvironment;

FreshEnvironment& DaemonEnvironment()
{
    if (!g_daemonEnvironment) g_daemonEnvironment.reset(new FreshEnvironment);
    return *g_daemonEnvironment;
}

} // namespace

bool MergeWithCurrentEnvironment(EnvironmentBlock& block)
{
    EnvironmentVariables variables = CurrentVariables();
    variables.Merge(block.Data() != nullptr ? block.Data() : "");
    const std::string text = variables.BlockText();
    char* data = static_cast<char*>(LocalAlloc(LMEM_FIXED, text.size() + 2));
    if (data == nullptr) return false;
    std::memcpy(data, text.data(), text.size());
    data[text.size()] = '\0';
    data[text.size() + 1] = '\0';
    block.Release();
    block.data_ = data;
    block.length_ = static_cast<DWORD>(text.size());
    return true;
}

FreshEnvironment::FreshEnvironment()
{
    std::vector<RegistryVariable> system;
    std::vector<RegistryVariable> user;
    ReadRegistryVariables(HKEY_LOCAL_MACHINE, kSystemEnvironmentKey, system);
    ReadRegistryVariables(HKEY_CURRENT_USER, kUserEnvironmentKey, user);
    for (const auto* key : {&system, &user}) {
        for (const RegistryVariable& variable : *key) registryNames_.push_back(variable.name);
    }
}

void FreshEnvironment::Refresh()
{
    std::vector<RegistryVariable> system;
    std::vector<RegistryVariable> user;
    // Without the system's variables every one of them would be dropped.
    if (!ReadRegistryVariables(HKEY_LOCAL_MACHINE, kSystemEnvironmentKey, system) || system.empty()) return;
    if (!ReadRegistryVariables(HKEY_CURRENT_USER, kUserEnvironmentKey, user)) return;
    const EnvironmentVariables before = CurrentVariables();
    EnvironmentVariables after = before;
    registryNames_ = TakeRegistryVariables(after, registryNames_, system, user);
    for (const EnvironmentVariables::Variable& variable : before.Variables()) {
        if (after.Find(variable.name) == nullptr) SetEnvironmentVariableA(variable.name.c_str(), nullptr);
    }
    for (const EnvironmentVariables::Variable& variable : after.Variables()) {
        const std::string* old = before.Find(variable.name);
        if (old == nullptr || *old != variable.value) SetEnvironmentVariableA(variable.name.c_str(), variable.value.c_str());
    }
}

void NoteDaemonEnvironment()
{
    DaemonEnvironment();
}

void OnSettingChange(const char* area)
{
    if (area != nullptr && lstrcmpiA(area, "Environment") == 0) DaemonEnvironment().Refresh();
}
