#include "settings_file.h"

#include "ini_section.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr UINT kMainSettingsNameId = 2001;

// The profile functions read and write WIN.INI for a null name and may for
// an empty one: an accessor without a path must touch no file at all.
bool HasPath(const char* path)
{
    return path[0] != '\0';
}

} // namespace

bool SettingsFile::Open(const char* name)
{
    if (name == nullptr) return false;
    char module[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;

    char drive[_MAX_DRIVE], dir[_MAX_DIR], programDir[MAX_PATH];
    _splitpath(module, drive, dir, nullptr, nullptr);
    _makepath(programDir, drive, dir, nullptr, nullptr);
    SetCurrentDirectoryA(programDir);

    path_[0] = '\0';
    const DWORD full = GetFullPathNameA(name, MAX_PATH, path_, nullptr);
    if (full == 0 || full >= MAX_PATH) path_[0] = '\0';
    open_ = true;
    return true;
}

bool SettingsFile::OpenLocal(const char* name)
{
    if (name != nullptr && name[0] != '\0') return Open(name);
    MainSettings main;
    main.Load();
    return Open(main.current.c_str());
}

bool SettingsFile::HasValue(const char* section, const char* key) const
{
    // Read with the full buffer: Wine leaves a too-small buffer unwritten when
    // the cut falls inside a double-byte character.
    std::string value;
    return ReadString(section, key, value);
}

bool SettingsFile::ReadString(const char* section, const char* key, std::string& target) const
{
    if (!open_ || !HasPath(path_)) return false;
    // Read whole: the call reports size - 1 when the value did not fit, and
    // a value cut here would be written back cut by the next save.
    std::string value(1024, '\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(value.size());
        const DWORD n = GetPrivateProfileStringA(section, key, "", &value[0], size, path_);
        if (n + 2 < size || size >= 0x1000000) break;
        value.assign(static_cast<std::size_t>(size) * 2, '\0');
    }
    const std::size_t length = std::strlen(value.c_str());
    if (length == 0) return false;
    target.assign(value.c_str(), length);
    return true;
}

bool SettingsFile::ReadBool(const char* section, const char* key) const
{
    std::string text;
    if (!ReadString(section, key, text)) return false;
    return BoolFromWord(&text);
}

int SettingsFile::ReadInt(const char* section, const char* key) const
{
    if (!open_ || !HasPath(path_)) return 0;
    return static_cast<int>(GetPrivateProfileIntA(section, key, 0, path_));
}

bool SettingsFile::ReadSection(const char* section, IniSection& target) const
{
    if (!open_ || !HasPath(path_)) return false;
    // The call reports size - 2 when the block did not fit: grow until it does.
    DWORD size = 64 * 1024;
    for (;;) {
        char* block = static_cast<char*>(std::malloc(size));
        if (block == nullptr) return false;
        const DWORD n = GetPrivateProfileSectionA(section, block, size, path_);
        if (n < size - 2 || size >= 0x40000000) {
            target.Parse(block, n);
            std::free(block);
            return true;
        }
        std::free(block);
        size *= 2;
    }
}

// A write is judged by the call's result: the platform leaves a stale last
// error behind even after successful writes (Wine: 87 after rewriting an
// existing file; Windows: 2 after creating one).
bool SettingsFile::WriteString(const char* section, const char* key, const char* value)
{
    if (!HasPath(path_)) return false;
    // Stored as given: a path typed with its quotation marks (as Explorer's
    // "Copy as path" gives it) reads back without them, as the program needs.
    return WritePrivateProfileStringA(section, key, value ? value : "", path_) != FALSE;
}

bool SettingsFile::WriteInt(const char* section, const char* key, int value)
{
    char text[32];
    wsprintfA(text, "%d", value);
    return WriteString(section, key, text);
}

bool SettingsFile::WriteBool(const char* section, const char* key, bool value)
{
    return WriteString(section, key, value ? "true" : "false");
}

bool SettingsFile::WriteSection(const char* section, const std::vector<std::string>& lines)
{
    if (lines.empty()) return ClearSection(section);
    if (!HasPath(path_)) return false;
    std::size_t size = 1;
    for (const std::string& line : lines) size += line.size() + 1;
    char* block = static_cast<char*>(std::malloc(size));
    if (block == nullptr) return false;
    char* p = block;
    for (const std::string& line : lines) {
        std::memcpy(p, line.c_str(), line.size() + 1);
        p += line.size() + 1;
    }
    *p = '\0';
    const BOOL ok = WritePrivateProfileSectionA(section, block, path_);
    std::free(block);
    return ok != FALSE;
}

bool SettingsFile::ClearSection(const char* section)
{
    if (!HasPath(path_)) return false;
    return WritePrivateProfileSectionA(section, "\0", path_) != FALSE;
}

bool MainSettings::Load()
{
    char name[256];
    if (LoadStringA(GetModuleHandleA(nullptr), kMainSettingsNameId, name, sizeof name) <= 0) {
        std::strcpy(name, "_setting.ini");
    }
    SettingsFile file;
    file.Open(name);
    file.ReadString("LocalSetting", "Current", current);
    file.ReadString("ProgramInfo", "Daemon.Path", daemonPath);
    file.ReadString("ProgramInfo", "Controller.Path", controllerPath);
    file.ReadString("ProgramInfo", "Switcher.Path", switcherPath);
    return true;
}

bool MainSettings::Save() const
{
    char name[256];
    if (LoadStringA(GetModuleHandleA(nullptr), kMainSettingsNameId, name, sizeof name) <= 0) {
        std::strcpy(name, "_setting.ini");
    }
    SettingsFile file;
    file.Open(name);
    bool ok = file.WriteString("LocalSetting", "Current", current.c_str());
    ok = file.WriteString("ProgramInfo", "Daemon.Path", daemonPath.c_str()) && ok;
    ok = file.WriteString("ProgramInfo", "Controller.Path", controllerPath.c_str()) && ok;
    ok = file.WriteString("ProgramInfo", "Switcher.Path", switcherPath.c_str()) && ok;
    return ok;
}
