#include "settings/file_text_win.h"

#include <algorithm>
#include <cstring>

// A byte-order mark makes the platform read the file as UTF-16 or UTF-8.
bool HasByteOrderMark(std::string_view text)
{
    for (const char* mark : {"\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF"}) {
        if (text.substr(0, std::strlen(mark)) == mark) return true;
    }
    return false;
}

bool FileText::Open(const char* path, bool view)
{
    file_ = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, 0, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    // Not GetFileInformationByHandle: its volume serial number costs a
    // millisecond under Wine, more than reading a table.
    FILE_BASIC_INFO info;
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(file_, FileBasicInfo, &info, sizeof info) ||
        !GetFileInformationByHandleEx(file_, FileStandardInfo, &standard, sizeof standard)) {
        return false;
    }
    if (standard.EndOfFile.QuadPart >= 0x40000000) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    attributes_ = info.FileAttributes;
    links_ = standard.NumberOfLinks;
    size_ = static_cast<std::size_t>(standard.EndOfFile.QuadPart);
    if (size_ == 0 || !view) return true;  // an empty file cannot be mapped
    mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping_ == nullptr) return false;
    view_ = static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
    return view_ != nullptr;
}

void FileText::Close()
{
    if (view_ != nullptr) UnmapViewOfFile(view_);
    if (mapping_ != nullptr) CloseHandle(mapping_);
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    view_ = nullptr;
    mapping_ = nullptr;
    file_ = INVALID_HANDLE_VALUE;
}

long long FileText::Read(char* into, std::size_t room)
{
    if (file_ == INVALID_HANDLE_VALUE) return 0;
    DWORD n = 0;
    const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(room, 0x40000000));
    return ReadFile(file_, into, asked, &n, nullptr) ? static_cast<long long>(n) : -1;
}
