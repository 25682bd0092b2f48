#include "settings_file.h"

#include "ini_section.h"
#include "ini_text.h"

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

enum class FileText { Ansi, Foreign, Failed };

// The whole file; a missing one reads as empty (attributes then invalid).
// Foreign: a byte-order mark makes the platform read it as UTF-16 or UTF-8.
FileText ReadText(const char* path, std::string& text, DWORD& attributes)
{
    attributes = INVALID_FILE_ATTRIBUTES;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND ? FileText::Ansi : FileText::Failed;
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileInformationByHandle(h, &info) && info.nFileSizeHigh == 0 && info.nFileSizeLow < 0x40000000;
    if (ok) {
        attributes = info.dwFileAttributes;
        text.resize(info.nFileSizeLow);
        DWORD n = 0;
        ok = text.empty() || (ReadFile(h, &text[0], info.nFileSizeLow, &n, nullptr) && n == info.nFileSizeLow);
    }
    CloseHandle(h);
    if (!ok) return FileText::Failed;
    for (const char* mark : {"\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF"}) {
        if (text.compare(0, std::strlen(mark), mark) == 0) return FileText::Foreign;
    }
    return FileText::Ansi;
}

FileText ReadForEdit(const char* path, std::string& text, DWORD& attributes)
{
    const FileText kind = ReadText(path, text, attributes);
    if (kind == FileText::Failed) return kind;
    // Refused as the platform's write is on Windows (Wine as root writes it anyway).
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FileText::Failed;
    }
    // A file that is not text (NUL bytes), not valid in the system code page
    // (a double-byte character cut), or UTF-8 with a mark (Windows takes the
    // mark for part of the first line, Wine converts the file) cannot be read
    // as the user wrote it: a write would lose what was not understood.
    const bool utf8 = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
    const bool notText = kind == FileText::Ansi && !text.empty() &&
                         (text.find('\0') != std::string::npos ||
                          MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                              nullptr, 0) == 0);
    if (utf8 || notText) {
        SetLastError(ERROR_INVALID_DATA);
        return FileText::Failed;
    }
    return kind;
}

bool WriteWhole(HANDLE h, const std::string& text)
{
    DWORD n = 0;
    const BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
    return ok && n == text.size() && FlushFileBuffers(h);
}

// Another program holding the file open without sharing delete refuses the
// replace (and Wine's replace then leaves temporary files of its own behind),
// while the platform's write goes through when writing is shared: write in
// place then, as the platform does.
bool HeldWithoutSharingDelete(const char* path)
{
    HANDLE h = CreateFileA(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(h);
    return false;
}

bool WriteInPlace(const char* path, const std::string& text)
{
    HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, TRUNCATE_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = WriteWhole(h, text);
    CloseHandle(h);
    return ok;
}

// Writes the text to a new file beside `path` and puts it in place in one
// step, so that the old file stays whole until the new one is complete.
bool PutInPlace(const char* path, const std::string& text, DWORD attributes)
{
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && HeldWithoutSharingDelete(path)) return WriteInPlace(path, text);
    char folder[MAX_PATH], temp[MAX_PATH];
    std::strcpy(folder, path);
    char* slash = std::strrchr(folder, '\\');
    if (slash == nullptr) return false;
    slash[1] = '\0';
    if (!GetTempFileNameA(folder, "kvn", 0, temp)) return false;
    HANDLE h = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = h != INVALID_HANDLE_VALUE;
    if (ok) {
        ok = WriteWhole(h, text);
        CloseHandle(h);
    }
    // Wine's replace does not carry the old attributes over: give them to
    // the new file (a read-only one never gets here).
    const DWORD keep = attributes & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    if (ok && exists && keep != 0) ok = SetFileAttributesA(temp, keep) != FALSE;
    // A rename over the old file is one atomic step. Wine's ReplaceFile
    // moves the old file aside first, so a program killed in between leaves
    // no file at all: it only serves where the rename is refused (the file
    // open in another program).
    if (ok && !MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = exists && ReplaceFileA(path, temp, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
        // Without a backup name this failure can leave the old file removed
        // and the new one still under its temporary name.
        if (!ok && exists && GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
            GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
            ok = MoveFileExA(temp, path, MOVEFILE_WRITE_THROUGH) != FALSE;
        }
    }
    if (!ok) {
        const DWORD error = GetLastError();
        SetFileAttributesA(temp, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(temp);
        SetLastError(error);
    }
    return ok;
}

bool PlatformWriteSection(const char* section, const std::string& lines, const char* path)
{
    // NUL-separated lines, the block ended by an empty one.
    std::string block;
    for (char c : lines) {
        if (c != '\r' && c != '\n') {
            block += c;
        } else if (!block.empty() && block.back() != '\0') {
            block += '\0';
        }
    }
    if (!block.empty() && block.back() != '\0') block += '\0';
    block += '\0';
    if (block.size() == 1) block += '\0';
    return WritePrivateProfileSectionA(section, block.c_str(), path) != FALSE;
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
    // One read of the file parsed here: the platform's section read costs
    // several times that under Wine. Files it reads in another encoding, or
    // that cannot be read so, are left to it.
    std::string text;
    DWORD attributes;
    if (ReadText(path_, text, attributes) == FileText::Ansi) {
        const std::string block = IniSectionBlock(text, section);
        target.Parse(block.data(), block.size());
        return true;
    }
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

// The platform's profile writes rewrite the file in place, so a crash in the
// middle leaves it cut, and under Wine a section write grows with the square
// of the section. Writes instead edit the whole text in memory and put the
// new file in place with one replace.
//
// A write through the platform is judged by the call's result: it leaves a
// stale last error behind even after successful writes (Wine: 87 after
// rewriting an existing file; Windows: 2 after creating one).
bool SettingsFile::WriteString(const char* section, const char* key, const char* value)
{
    // Stored as given: a path typed with its quotation marks (as Explorer's
    // "Copy as path" gives it) reads back without them, as the program needs.
    return WriteStrings({{section, key, value ? value : ""}});
}

bool SettingsFile::WriteStrings(const std::vector<SettingsValue>& values)
{
    if (!HasPath(path_)) return false;
    std::string text;
    DWORD attributes;
    const FileText kind = ReadForEdit(path_, text, attributes);
    if (kind == FileText::Failed) return false;
    if (kind == FileText::Foreign) {
        bool ok = true;
        for (const SettingsValue& v : values) {
            ok = WritePrivateProfileStringA(v.section, v.key, v.value.c_str(), path_) && ok;
        }
        return ok;
    }
    // One edit for each section, in the order the sections first come.
    std::vector<bool> done(values.size(), false);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (done[i]) continue;
        std::vector<IniKeyValue> keys;
        for (std::size_t j = i; j < values.size(); ++j) {
            if (!done[j] && lstrcmpiA(values[j].section, values[i].section) == 0) {
                keys.push_back({values[j].key, values[j].value});
                done[j] = true;
            }
        }
        text = SetIniKeys(text, values[i].section, keys);
    }
    return PutInPlace(path_, text, attributes);
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
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return WriteSectionText(section, text);
}

bool SettingsFile::WriteSectionText(const char* section, const std::string& lines)
{
    if (!HasPath(path_)) return false;
    std::string text;
    DWORD attributes;
    switch (ReadForEdit(path_, text, attributes)) {
    case FileText::Failed:
        return false;
    case FileText::Foreign:
        return PlatformWriteSection(section, lines, path_);
    case FileText::Ansi:
        break;
    }
    const std::string edited = ReplaceIniSection(text, section, lines);
    // Clearing a section of a missing file leaves it missing, as the platform does.
    if (attributes == INVALID_FILE_ATTRIBUTES && edited.empty()) return true;
    return PutInPlace(path_, edited, attributes);
}

bool SettingsFile::ClearSection(const char* section)
{
    return WriteSectionText(section, std::string());
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
    return file.WriteStrings({{"LocalSetting", "Current", current},
                              {"ProgramInfo", "Daemon.Path", daemonPath},
                              {"ProgramInfo", "Controller.Path", controllerPath},
                              {"ProgramInfo", "Switcher.Path", switcherPath}});
}
