#include "settings_file.h"

#include "ini_piece_reader.h"
#include "ini_section.h"
#include "ini_text.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>
#include <utility>

namespace {

constexpr UINT kMainSettingsNameId = 2001;

// The profile functions read and write WIN.INI for a null name and may for
// an empty one: an accessor without a path must touch no file at all.
bool HasPath(const char* path)
{
    return path[0] != '\0';
}

// A byte-order mark makes the platform read the file as UTF-16 or UTF-8.
bool HasByteOrderMark(std::string_view text)
{
    for (const char* mark : {"\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF"}) {
        if (text.substr(0, std::strlen(mark)) == mark) return true;
    }
    return false;
}

bool ValidInCodePage(std::string_view stretch)
{
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, stretch.data(), static_cast<int>(stretch.size()),
                               nullptr, 0) != 0;
}

// A settings file's whole text, as a read-only view of the file: a table of
// megabytes is read without copying it into fresh memory, whose first touch
// costs more than the read itself. Or, opened without the view, its text in
// pieces read as they are asked for, which is cheaper still where the text
// is walked once.
class FileText {
public:
    FileText() = default;
    FileText(const FileText&) = delete;
    FileText& operator=(const FileText&) = delete;
    ~FileText() { Close(); }

    // A missing file opens as an empty text that does not exist.
    bool Open(const char* path, bool view = true)
    {
        file_ = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
        if (file_ == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
        // Not GetFileInformationByHandle: its volume serial number costs a
        // millisecond under Wine, more than reading a table.
        FILE_BASIC_INFO info;
        LARGE_INTEGER size;
        if (!GetFileInformationByHandleEx(file_, FileBasicInfo, &info, sizeof info) || !GetFileSizeEx(file_, &size)) {
            return false;
        }
        if (size.QuadPart >= 0x40000000) {
            SetLastError(ERROR_FILE_TOO_LARGE);
            return false;
        }
        attributes_ = info.FileAttributes;
        size_ = static_cast<std::size_t>(size.QuadPart);
        if (size_ == 0 || !view) return true;  // an empty file cannot be mapped
        mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (mapping_ == nullptr) return false;
        view_ = static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
        return view_ != nullptr;
    }
    // Let go of the file before it is replaced: a mapped file cannot be.
    void Close()
    {
        if (view_ != nullptr) UnmapViewOfFile(view_);
        if (mapping_ != nullptr) CloseHandle(mapping_);
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        view_ = nullptr;
        mapping_ = nullptr;
        file_ = INVALID_HANDLE_VALUE;
    }

    std::string_view Text() const { return view_ != nullptr ? std::string_view(view_, size_) : std::string_view(); }
    bool Exists() const { return attributes_ != INVALID_FILE_ATTRIBUTES; }
    DWORD Attributes() const { return attributes_; }
    bool Foreign() const { return HasByteOrderMark(Text()); }
    // Reads the next bytes of a file opened without its view; the last error
    // on failure.
    long long Read(char* into, std::size_t room)
    {
        if (file_ == INVALID_HANDLE_VALUE) return 0;
        DWORD n = 0;
        const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(room, 0x40000000));
        return ReadFile(file_, into, asked, &n, nullptr) ? static_cast<long long>(n) : -1;
    }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    HANDLE mapping_ = nullptr;
    const char* view_ = nullptr;
    std::size_t size_ = 0;
    DWORD attributes_ = INVALID_FILE_ATTRIBUTES;
};

bool Refuse(DWORD error)
{
    SetLastError(error);
    return false;
}

// A file that is not text (NUL bytes), not valid in the system code page
// (a double-byte character cut), or UTF-8 with a mark (Windows takes the
// mark for part of the first line, Wine converts the file) cannot be read
// as the user wrote it: a write would lose what was not understood.
bool HasUtf8Mark(std::string_view text)
{
    return text.substr(0, 3) == "\xEF\xBB\xBF";
}

// Opens the file for an edit, refusing what the edit would spoil. Opened
// without its view, its text is checked by the edit as it is read.
bool OpenForEdit(const char* path, FileText& file, bool view = true)
{
    if (!file.Open(path, view)) return false;
    // Refused as the platform's write is on Windows (Wine as root writes it anyway).
    if (file.Exists() && (file.Attributes() & FILE_ATTRIBUTE_READONLY)) return Refuse(ERROR_ACCESS_DENIED);
    const std::string_view text = file.Text();
    if (HasUtf8Mark(text) || (!file.Foreign() && !IsSettingsText(text, ValidInCodePage))) {
        return Refuse(ERROR_INVALID_DATA);
    }
    return true;
}

bool WriteWhole(HANDLE h, std::string_view text)
{
    DWORD n = 0;
    return WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr) && n == text.size();
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
    const bool ok = WriteWhole(h, text) && FlushFileBuffers(h);
    CloseHandle(h);
    return ok;
}

// The new file beside the settings file: written in pieces, then put in
// place in one step, so that the old file stays whole until the new one is
// complete. Dropped unless put in place.
class NewFile {
public:
    NewFile() = default;
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    ~NewFile() { Discard(); }

    // The new file takes the attributes of the one it replaces (`attributes`,
    // INVALID_FILE_ATTRIBUTES for none) at its creation: Wine's replace does
    // not carry them over, and setting them afterwards is a call more.
    bool Create(const char* path, DWORD attributes)
    {
        DWORD keep = FILE_ATTRIBUTE_NORMAL;
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            // A read-only file never gets here.
            const DWORD kept = attributes & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                             FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
            if (kept != 0) keep = kept;
        }
        char folder[MAX_PATH];
        std::strcpy(folder, path);
        char* slash = std::strrchr(folder, '\\');
        if (slash == nullptr || (slash - folder) + 32 >= MAX_PATH) return false;
        slash[1] = '\0';
        // A name of our own, made with the file in one call: the platform's
        // temporary names cost a create, a close and an open more. One left
        // by a killed save is passed over.
        static DWORD serial = GetTickCount();
        for (int attempt = 0; attempt < 64; ++attempt) {
            wsprintfA(name_, "%skvn%lx-%lx.tmp", folder, GetCurrentProcessId(), serial++ & 0xFFFF);
            file_ = CreateFileA(name_, GENERIC_WRITE, 0, nullptr, CREATE_NEW, keep, nullptr);
            if (file_ != INVALID_HANDLE_VALUE) {
                buffer_.reserve(kBufferSize);
                return true;
            }
            if (GetLastError() != ERROR_FILE_EXISTS) break;
        }
        name_[0] = '\0';
        return false;
    }
    // Small pieces are gathered; large ones go out as they are, after what
    // was gathered before them.
    void Write(std::string_view piece)
    {
        written_ += piece.size();
        const bool large = piece.size() >= kBufferSize / 2;
        if (large || buffer_.size() + piece.size() > kBufferSize) Flush();
        if (large) {
            Put(piece);
        } else {
            buffer_.append(piece);
        }
    }
    std::size_t Written() const { return written_; }

    // Writes what is gathered, forces it to the disk and puts the file in
    // place of `path`, which `exists` or not; the last error on failure.
    bool PutInPlace(const char* path, bool exists)
    {
        Flush();
        // Forced to the disk before the rename: after a power cut the name
        // must not lead to a file whose data was never written.
        bool ok = failure_ == 0 && FlushFileBuffers(file_);
        if (!ok && failure_ == 0) failure_ = GetLastError();
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        if (!ok) {
            Discard();
            SetLastError(failure_);
            return false;
        }
        // A rename over the old file is one atomic step. Wine's ReplaceFile
        // moves the old file aside first, so a program killed in between leaves
        // no file at all: it only serves where the rename is refused (the file
        // open in another program).
        if (!MoveFileExA(name_, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            ok = exists && ReplaceFileA(path, name_, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
            // Without a backup name this failure can leave the old file removed
            // and the new one still under its temporary name.
            if (!ok && exists && GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
                GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
                ok = MoveFileExA(name_, path, MOVEFILE_WRITE_THROUGH) != FALSE;
            }
        }
        if (ok) {
            name_[0] = '\0';
            return true;
        }
        const DWORD error = GetLastError();
        Discard();
        SetLastError(error);
        return false;
    }

    void Discard()
    {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        if (name_[0] != '\0') {
            SetFileAttributesA(name_, FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(name_);
        }
        name_[0] = '\0';
    }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    void Put(std::string_view piece)
    {
        if (failure_ == 0 && !piece.empty() && !WriteWhole(file_, piece)) failure_ = GetLastError();
    }
    void Flush()
    {
        Put(buffer_);
        buffer_.clear();
    }

    HANDLE file_ = INVALID_HANDLE_VALUE;
    char name_[MAX_PATH] = {};
    std::string buffer_;
    std::size_t written_ = 0;
    DWORD failure_ = 0;
};

// Writes the file's text as `edit` makes it from the old one, through a new
// file put in place. The edit fails, with the last error set, when the old
// text turns out not to be editable as it is read; nothing is written then.
// An edit of a missing file that makes no text leaves it missing, as the
// platform does.
bool WriteEdited(const char* path, FileText& old, const std::function<bool(const IniSink&)>& edit)
{
    if (old.Exists() && HeldWithoutSharingDelete(path)) {
        std::string text;
        if (!edit([&](std::string_view piece) { text.append(piece); })) return false;
        old.Close();
        return WriteInPlace(path, text);
    }
    NewFile out;
    if (!out.Create(path, old.Attributes())) return false;
    if (!edit([&](std::string_view piece) { out.Write(piece); })) {
        const DWORD error = GetLastError();
        out.Discard();
        return Refuse(error);
    }
    old.Close();
    if (!old.Exists() && out.Written() == 0) return true;
    return out.PutInPlace(path, old.Exists());
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

bool SettingsFile::ReadText(const std::function<void(std::string_view text)>& use) const
{
    if (!open_ || !HasPath(path_)) return false;
    FileText file;
    if (!file.Open(path_) || file.Foreign()) return false;
    use(file.Text());
    return true;
}

bool SettingsFile::ReadSection(const char* section, IniSection& target) const
{
    if (!open_ || !HasPath(path_)) return false;
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
    FileText old;
    if (!OpenForEdit(path_, old)) return false;
    if (old.Foreign()) {
        old.Close();
        bool ok = true;
        for (const SettingsValue& v : values) {
            ok = WritePrivateProfileStringA(v.section, v.key, v.value.c_str(), path_) && ok;
        }
        return ok;
    }
    // One edit for each section, in the order the sections first come.
    std::vector<std::pair<const char*, std::vector<IniKeyValue>>> sections;
    std::vector<bool> done(values.size(), false);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (done[i]) continue;
        sections.push_back({values[i].section, {}});
        for (std::size_t j = i; j < values.size(); ++j) {
            if (!done[j] && lstrcmpiA(values[j].section, values[i].section) == 0) {
                sections.back().second.push_back({values[j].key, values[j].value});
                done[j] = true;
            }
        }
    }
    return WriteEdited(path_, old, [&](const IniSink& sink) {
        // All but the last edit go to memory; the last one streams out.
        std::string_view text = old.Text();
        std::string edited;
        for (std::size_t i = 0; i + 1 < sections.size(); ++i) {
            edited = SetIniKeys(text, sections[i].first, sections[i].second);
            text = edited;
        }
        if (sections.empty()) {
            sink(text);
        } else {
            SetIniKeys(text, sections.back().first, sections.back().second, sink);
        }
        return true;
    });
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
    return WriteSectionLines(section, OnePiece(lines));
}

bool SettingsFile::WriteSectionLines(const char* section, const IniLines& lines)
{
    if (!HasPath(path_)) return false;
    // The old text is read in pieces as the edit walks it, each checked as
    // it comes: one that is not editable ends the edit, and its new file is
    // dropped.
    FileText old;
    if (!OpenForEdit(path_, old, false)) return false;
    IniPieceReader reader([&old](char* into, std::size_t room) { return old.Read(into, room); });
    std::string_view first;
    bool pending = reader.Next(first);
    if (reader.Failed()) return false;
    if (HasUtf8Mark(first)) return Refuse(ERROR_INVALID_DATA);
    if (HasByteOrderMark(first)) {
        old.Close();
        std::string text;
        std::string_view piece;
        while (lines(piece)) text.append(piece);
        return PlatformWriteSection(section, text, path_);
    }
    DWORD failure = 0;
    const IniLines text = [&](std::string_view& piece) {
        if (pending) {
            piece = first;
            pending = false;
        } else if (!reader.Next(piece)) {
            // A failed read must not pass for the end of the text.
            if (reader.Failed()) failure = GetLastError() != 0 ? GetLastError() : ERROR_READ_FAULT;
            return false;
        }
        if (IsSettingsText(piece, ValidInCodePage)) return true;
        failure = ERROR_INVALID_DATA;
        return false;
    };
    return WriteEdited(path_, old, [&](const IniSink& sink) {
        ReplaceIniSection(text, section, lines, sink);
        return failure == 0 || Refuse(failure);
    });
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
