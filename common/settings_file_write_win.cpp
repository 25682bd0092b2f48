// The writing of settings files, apart from their reading: a program that
// only reads settings links none of this.
#include "settings_file.h"

#include "file_text_win.h"
#include "ini_piece_reader.h"
#include "ini_text.h"

#include <windows.h>

#include <cstring>
#include <functional>
#include <string_view>
#include <utility>

namespace {

bool ValidInCodePage(std::string_view stretch)
{
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, stretch.data(), static_cast<int>(stretch.size()),
                               nullptr, 0) != 0;
}

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
    if (!HasPath()) return false;
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
    if (!HasPath()) return false;
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

bool MainSettings::Save() const
{
    SettingsFile file;
    file.Open(FileName().c_str());
    return file.WriteStrings({{"LocalSetting", "Current", current},
                              {"ProgramInfo", "Daemon.Path", daemonPath},
                              {"ProgramInfo", "Controller.Path", controllerPath},
                              {"ProgramInfo", "Switcher.Path", switcherPath}});
}
