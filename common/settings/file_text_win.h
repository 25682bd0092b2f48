#pragma once

// A settings file's text as the reading and the writing of settings files
// both take it.

#include <windows.h>

#include <cstddef>
#include <string_view>

// A byte-order mark makes the platform read the file as UTF-16 or UTF-8.
bool HasByteOrderMark(std::string_view text);

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
    bool Open(const char* path, bool view = true);
    // Let go of the file before it is replaced: a mapped file cannot be.
    void Close();
    std::string_view Text() const { return view_ != nullptr ? std::string_view(view_, size_) : std::string_view(); }
    bool Exists() const { return attributes_ != INVALID_FILE_ATTRIBUTES; }
    DWORD Attributes() const { return attributes_; }
    // The number of names of the file (hard links); 0 for a missing file.
    DWORD Links() const { return links_; }
    HANDLE Handle() const { return file_; }
    bool Foreign() const { return HasByteOrderMark(Text()); }
    // Reads the next bytes of a file opened without its view; the last error
    // on failure.
    long long Read(char* into, std::size_t room);

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    HANDLE mapping_ = nullptr;
    const char* view_ = nullptr;
    std::size_t size_ = 0;
    DWORD attributes_ = INVALID_FILE_ATTRIBUTES;
    DWORD links_ = 0;
};
