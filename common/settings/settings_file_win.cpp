#include "settings/settings_file.h"

#include "settings/file_text_win.h"
#include "settings/ini_section.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>

namespace {

constexpr UINT kMainSettingsNameId = 2001;

// The portable folder ships an example table in each language and no table
// of its own: the first program that opens the current table finds it missing
// and starts it from the example the system code page can show. A table the
// user has is never replaced.
void ProvideExampleTable(const char* path)
{
    if (path[0] == '\0' || GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return;
    CopyFileA(GetACP() == 932 ? "example-ja.ini" : "example-en.ini", path, TRUE);
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
    if (!Open(main.current.c_str())) return false;
    // Open made the program folder current, where the examples lie.
    if (!main.current.empty()) ProvideExampleTable(path_);
    return true;
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
    if (!open_ || !HasPath()) return false;
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
    if (!open_ || !HasPath()) return 0;
    return static_cast<int>(GetPrivateProfileIntA(section, key, 0, path_));
}

bool SettingsFile::ReadText(const std::function<void(std::string_view text)>& use) const
{
    if (!open_ || !HasPath()) return false;
    FileText file;
    if (!file.Open(path_) || file.Foreign()) return false;
    use(file.Text());
    return true;
}

bool SettingsFile::ReadSection(const char* section, IniSection& target) const
{
    if (!open_ || !HasPath()) return false;
    // One read of the file parsed here: the platform's section read costs
    // several times that under Wine. Files it reads in another encoding, or
    // that cannot be read so, are left to it.
    if (ReadText([&](std::string_view text) { target.ParseText(text, section); })) return true;
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

bool MainSettings::Load()
{
    SettingsFile file;
    file.Open(FileName().c_str());
    file.ReadString("LocalSetting", "Current", current);
    file.ReadString("ProgramInfo", "Daemon.Path", daemonPath);
    file.ReadString("ProgramInfo", "Controller.Path", controllerPath);
    file.ReadString("ProgramInfo", "Switcher.Path", switcherPath);
    return true;
}

std::string MainSettings::FileName()
{
    char name[256];
    if (LoadStringA(GetModuleHandleA(nullptr), kMainSettingsNameId, name, sizeof name) <= 0) {
        std::strcpy(name, "_setting.ini");
    }
    return name;
}
