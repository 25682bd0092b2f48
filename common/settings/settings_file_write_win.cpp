// The writing of settings files, apart from their reading: a program that
// only reads settings links none of this.
#include "settings/settings_file.h"

#include "settings/file_text_win.h"
#include "settings/ini_piece_reader.h"
#include "settings/ini_text.h"
#include "settings/settings_backup.h"

#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Plain globals, not statics of the functions that use them: those would
// bring the thread-safe guard and the threading library along.
// The serial of the temporary names, started from the clock once.
DWORD g_serial = 0;
bool g_serialStarted = false;
// The folder whose leftover temporary files were last removed.
std::string g_cleanedFolder;

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

// The last error of a call that failed, never 0: a failure must not be
// reported as a success.
DWORD ErrorOfCall()
{
    const DWORD error = GetLastError();
    return error != 0 ? error : ERROR_WRITE_FAULT;
}

// Windows takes a UTF-8 mark for part of the first line, Wine converts the
// file: either way the text is not read as the user wrote it.
bool HasUtf8Mark(std::string_view text)
{
    return text.substr(0, 3) == "\xEF\xBB\xBF";
}

// Old lines an edit replaces must have been read as they stand: a NUL ends
// the platform's reading of a line, and bytes the system code page does not
// map (a double-byte character cut, A0 or FD to FF in Shift-JIS) read as
// other characters, which the values written back would carry. The rest of
// the file is copied byte for byte, whatever it holds.
struct DroppedCheck {
    DWORD failure = 0;
    void operator()(std::string_view lines)
    {
        if (failure == 0 && !IsSettingsText(lines, ValidInCodePage)) failure = ERROR_INVALID_DATA;
    }
};

// Opens the file for an edit. Opened without its view, its text is read by
// the edit in pieces.
bool OpenForEdit(const char* path, FileText& file, bool view = true)
{
    if (!file.Open(path, view)) return false;
    // Refused as the platform's write is on Windows (Wine as root writes it anyway).
    if (file.Exists() && (file.Attributes() & FILE_ATTRIBUTE_READONLY)) return Refuse(ERROR_ACCESS_DENIED);
    return !HasUtf8Mark(file.Text()) || Refuse(ERROR_INVALID_DATA);
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

// The old file's permissions, for the new file that takes its place: made
// anew, it would get the folder's defaults.
class Permissions {
public:
    explicit Permissions(HANDLE old)
    {
        if (old == INVALID_HANDLE_VALUE) return;
        // Room for the usual few entries: one call.
        descriptor_.resize(512);
        DWORD need = 0;
        for (int attempt = 0; attempt < 2; ++attempt) {
            const DWORD size = static_cast<DWORD>(descriptor_.size());
            if (GetKernelObjectSecurity(old, DACL_SECURITY_INFORMATION, descriptor_.data(), size, &need)) return;
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
            descriptor_.resize(need);
        }
        descriptor_.clear();
    }
    // Given to the new file through a handle with WRITE_DAC.
    bool Apply(HANDLE file) const
    {
        return descriptor_.empty() || SetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION,
                                                              const_cast<unsigned char*>(descriptor_.data()));
    }

private:
    std::vector<unsigned char> descriptor_;
};

// The name of a temporary file of a save: "kvn", the saving process's id and
// a serial, in hex. False for a name of another form.
bool ParseTemporaryName(const char* name, DWORD& process)
{
    if (std::strncmp(name, "kvn", 3) != 0) return false;
    char* end = nullptr;
    const unsigned long id = std::strtoul(name + 3, &end, 16);
    if (end == name + 3 || *end != '-' || !std::isxdigit(static_cast<unsigned char>(end[1]))) return false;
    std::strtoul(end + 1, &end, 16);
    if (lstrcmpiA(end, ".tmp") != 0) return false;
    process = static_cast<DWORD>(id);
    return true;
}

bool ProcessRuns(DWORD id)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    // Refused: a process of another user, which runs.
    if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool runs = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return runs;
}

// Removes the temporary files that killed saves left in `folder` (which
// ends in a backslash): only names of our own form, of processes that have
// ended (or of this one), and only when nothing holds them open, so that a
// save in progress keeps its file.
void RemoveStaleTemporaryFiles(const char* folder)
{
    char path[MAX_PATH];
    const std::size_t length = std::strlen(folder);
    if (length + sizeof "kvn*.tmp" > MAX_PATH) return;
    std::memcpy(path, folder, length);
    std::strcpy(path + length, "kvn*.tmp");
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(path, &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        DWORD process = 0;
        if (!ParseTemporaryName(found.cFileName, process) || length + std::strlen(found.cFileName) >= MAX_PATH) continue;
        if (process != GetCurrentProcessId() && ProcessRuns(process)) continue;
        std::strcpy(path + length, found.cFileName);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) continue;
        HANDLE file = CreateFileA(path, DELETE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

// The path of the open file itself, where the path it was opened by leads
// through a symbolic link; false when it has no drive letter or is too long.
bool FinalPath(HANDLE file, char (&out)[MAX_PATH])
{
    // It comes as "\\?\C:\..." or "\\?\UNC\server\...": taken without the
    // prefix, as a path the profile calls also take.
    char full[MAX_PATH + 8];
    const DWORD n = GetFinalPathNameByHandleA(file, full, sizeof full, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= sizeof full) return false;
    const char* path = full;
    std::string_view rest(full, n);
    if (rest.substr(0, 8) == "\\\\?\\UNC\\") {
        path = full + 6;
        full[6] = '\\';
    } else if (rest.substr(0, 4) == "\\\\?\\") {
        path = full + 4;
    }
    if (std::strlen(path) >= MAX_PATH) return false;
    std::strcpy(out, path);
    return true;
}

// The new file beside the settings file: written in pieces, then put in
// place in one step, so that the old file stays whole until the new one is
// complete. Dropped unless put in place or let go.
class NewFile {
public:
    NewFile() = default;
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    ~NewFile() { Discard(); }

    // The new file takes the attributes of the one it replaces (`attributes`,
    // INVALID_FILE_ATTRIBUTES for none) at its creation: Wine's replace does
    // not carry them over, and setting them afterwards is a call more. False,
    // with the last error, when no file can be made beside `path`.
    bool Create(const char* path, DWORD attributes, const Permissions& permissions)
    {
        DWORD keep = FILE_ATTRIBUTE_NORMAL;
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            // A read-only file never gets here.
            const DWORD kept = attributes & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                             FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
            if (kept != 0) keep = kept;
        }
        const char* slash = std::strrchr(path, '\\');
        const std::size_t folder = slash == nullptr ? 0 : static_cast<std::size_t>(slash - path) + 1;
        // "kvn", eight and four hex digits, "-" and ".tmp".
        if (folder == 0 || folder + 20 >= MAX_PATH) return Refuse(ERROR_FILENAME_EXCED_RANGE);
        // A name of our own, made with the file in one call: the platform's
        // temporary names cost a create, a close and an open more. One left
        // by a killed save is passed over.
        if (!g_serialStarted) {
            g_serial = GetTickCount();
            g_serialStarted = true;
        }
        for (int attempt = 0; attempt < 64; ++attempt) {
            std::memcpy(name_, path, folder);
            wsprintfA(name_ + folder, "kvn%lx-%lx.tmp", GetCurrentProcessId(), g_serial++ & 0xFFFF);
            file_ = CreateFileA(name_, GENERIC_WRITE | WRITE_DAC, 0, nullptr, CREATE_NEW, keep, nullptr);
            if (file_ == INVALID_HANDLE_VALUE) {
                if (GetLastError() == ERROR_FILE_EXISTS) continue;
                break;
            }
            if (!permissions.Apply(file_)) {
                const DWORD error = ErrorOfCall();
                Discard();
                return Refuse(error);
            }
            buffer_.reserve(kBufferSize);
            return true;
        }
        const DWORD error = ErrorOfCall();
        name_[0] = '\0';
        return Refuse(error);
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

    // Writes what is gathered, forces it to the disk and closes the file,
    // which stays under its temporary name; the last error on failure.
    bool Seal()
    {
        Flush();
        // Forced to the disk before the rename: after a power cut the name
        // must not lead to a file whose data was never written.
        if (failure_ == 0 && !FlushFileBuffers(file_)) failure_ = ErrorOfCall();
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        return failure_ == 0 || Refuse(failure_);
    }

    // Seals the file and puts it in place of `path`, which `exists` or not;
    // the last error on failure.
    bool PutInPlace(const char* path, bool exists)
    {
        if (!Seal()) {
            const DWORD error = GetLastError();
            Discard();
            return Refuse(error);
        }
        // A rename over the old file is one atomic step. Wine's ReplaceFile
        // moves the old file aside first, so a program killed in between leaves
        // no file at all: it only serves where the rename is refused (the file
        // open in another program).
        bool ok = MoveFileExA(name_, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        DWORD error = ok ? 0 : ErrorOfCall();
        if (!ok && exists) {
            ok = ReplaceFileA(path, name_, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != FALSE;
            // Without a backup name this failure can leave the old file removed
            // and the new one still under its temporary name.
            if (!ok && GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
                GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
                ok = MoveFileExA(name_, path, MOVEFILE_WRITE_THROUGH) != FALSE;
            }
        }
        if (ok) {
            name_[0] = '\0';
            return true;
        }
        Discard();
        return Refuse(error);
    }

    // Leaves the sealed file where it is.
    void LetGo() { name_[0] = '\0'; }

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
        if (failure_ == 0 && !piece.empty() && !WriteWhole(file_, piece)) failure_ = ErrorOfCall();
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

// Writes the text over the file itself, keeping its other names (hard
// links), or where no new file can be made beside it (no room for a longer
// name, or no right to add files). The old bytes are kept first, in a file
// beside it where one can be made and in memory, and are put back when the
// write fails.
bool WriteInPlace(const char* path, const std::string& text, DWORD attributes)
{
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Refuse(ErrorOfCall());
    std::string before;
    LARGE_INTEGER size = {};
    DWORD error = 0;
    if (!GetFileSizeEx(h, &size) || size.QuadPart >= 0x40000000) error = ErrorOfCall();
    if (error == 0 && size.QuadPart > 0) {
        before.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD n = 0;
        if (!ReadFile(h, &before[0], static_cast<DWORD>(before.size()), &n, nullptr) || n != before.size()) {
            error = ErrorOfCall();
        }
    }
    NewFile copy;
    if (error == 0 && !before.empty() && copy.Create(path, attributes, Permissions(INVALID_HANDLE_VALUE))) {
        copy.Write(before);
        if (!copy.Seal()) copy.Discard();
    }
    const auto writeOver = [h](std::string_view bytes) {
        LARGE_INTEGER zero = {};
        return SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) && WriteWhole(h, bytes) && SetEndOfFile(h) &&
               FlushFileBuffers(h);
    };
    if (error == 0 && !writeOver(text)) {
        error = ErrorOfCall();
        // Whole again, the file needs no copy beside it.
        if (!writeOver(before)) copy.LetGo();
    }
    CloseHandle(h);
    return error == 0 || Refuse(error);
}

// Writes the file's text as `edit` makes it from the old one. The text goes
// to the file that a symbolic link leads to, through a new file put in place
// of it, or in place for a file of several names or where no new file can be
// made. The edit fails, with the last error set, when the old text turns out
// not to be editable as it is read; nothing is written then. An edit of a
// missing file that makes no text leaves it missing, as the platform does.
// The file as it was is backed up first. With the old text in view, an edit
// that changes nothing writes nothing (and makes no backup): a sheet's OK
// writes each page, most of them unchanged.
bool WriteEdited(const char* path, FileText& old, const std::function<bool(const IniSink&)>& edit)
{
    char resolved[MAX_PATH];
    const char* target = old.Exists() && FinalPath(old.Handle(), resolved) ? resolved : path;
    const DWORD attributes = old.Attributes();
    const std::string_view before = old.Text();
    bool unchanged = old.Exists() && before.data() != nullptr;
    std::size_t compared = 0;
    const auto compare = [&](std::string_view piece) {
        if (!unchanged) return;
        unchanged = before.substr(compared, piece.size()) == piece;
        compared += piece.size();
    };
    SettingsBackup backup;
    NewFile out;
    const bool inPlace = old.Exists() && (old.Links() > 1 || HeldWithoutSharingDelete(target));
    if (inPlace || !out.Create(target, attributes, Permissions(old.Handle()))) {
        std::string text;
        if (!edit([&](std::string_view piece) { compare(piece); text.append(piece); })) return false;
        unchanged = unchanged && compared == before.size();
        old.Close();
        if (!old.Exists() && text.empty()) return true;
        if (unchanged) return true;
        if (old.Exists()) backup.Keep(path, target, false);
        if (!WriteInPlace(target, text, attributes)) return false;
    } else {
        if (!edit([&](std::string_view piece) { compare(piece); out.Write(piece); })) {
            const DWORD error = GetLastError();
            out.Discard();
            return Refuse(error);
        }
        unchanged = unchanged && compared == before.size();
        old.Close();
        if (!old.Exists() && out.Written() == 0) return true;
        if (unchanged) {
            out.Discard();
            return true;
        }
        if (old.Exists()) backup.Keep(path, target, true);
        if (!out.PutInPlace(target, old.Exists())) {
            const DWORD error = GetLastError();
            backup.SaveFailed();
            return Refuse(error);
        }
    }
    // Once a process for each folder: under Wine, listing a folder that a
    // rename has just changed costs more than a small save itself, and only
    // other programs' ends leave files behind.
    if (const char* slash = std::strrchr(target, '\\')) {
        std::string folder(target, static_cast<std::size_t>(slash - target) + 1);
        if (lstrcmpiA(folder.c_str(), g_cleanedFolder.c_str()) != 0) {
            RemoveStaleTemporaryFiles(folder.c_str());
            g_cleanedFolder.swap(folder);
        }
    }
    return true;
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
        SettingsBackup().Keep(path_, path_, false);
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
        std::string edited, next;
        DroppedCheck check;
        const IniSink dropped = [&check](std::string_view lines) { check(lines); };
        for (std::size_t i = 0; i + 1 < sections.size(); ++i) {
            next.clear();
            SetIniKeys(text, sections[i].first, sections[i].second,
                       [&next](std::string_view piece) { next.append(piece); }, dropped);
            edited.swap(next);
            text = edited;
        }
        if (sections.empty()) {
            sink(text);
        } else {
            SetIniKeys(text, sections.back().first, sections.back().second, sink, dropped);
        }
        return check.failure == 0 || Refuse(check.failure);
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
    // The old text is read in pieces as the edit walks it, and the old lines
    // of the section are checked as they come: lines that were not read as
    // they stand fail the edit, and its new file is dropped.
    FileText old;
    if (!OpenForEdit(path_, old, false)) return false;
    IniPieceReader reader([&old](char* into, std::size_t room) { return old.Read(into, room); });
    std::string_view first;
    bool pending = reader.Next(first);
    if (reader.Failed()) return false;
    if (HasUtf8Mark(first)) return Refuse(ERROR_INVALID_DATA);
    if (HasByteOrderMark(first)) {
        old.Close();
        SettingsBackup().Keep(path_, path_, false);
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
            return true;
        }
        if (reader.Next(piece)) return true;
        // A failed read must not pass for the end of the text.
        if (reader.Failed()) failure = GetLastError() != 0 ? GetLastError() : ERROR_READ_FAULT;
        return false;
    };
    DroppedCheck check;
    return WriteEdited(path_, old, [&](const IniSink& sink) {
        ReplaceIniSection(text, section, lines, sink, [&check](std::string_view keys) { check(keys); });
        if (failure == 0) failure = check.failure;
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
