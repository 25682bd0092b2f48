#include "settings/backup_name.h"

#include "settings/ascii_case.h"
#include "settings/settings_blank.h"

#include <algorithm>
#include <tuple>

namespace {

// The name before its last dot and the rest ("" when it has no dot).
void SplitExtension(std::string_view fileName, std::string_view& stem, std::string_view& extension)
{
    const std::size_t dot = fileName.rfind('.');
    stem = dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
    extension = dot == std::string_view::npos ? std::string_view() : fileName.substr(dot);
}

// Reads `width` digits at `at` into value; false when any is not a digit.
bool ReadDigits(std::string_view text, std::size_t at, std::size_t width, int& value)
{
    value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// Writes `value` as `width` digits, the leading ones zero; the programs keep
// the C runtime's formatter out (it is some 20 KB of each program).
void AppendDigits(std::string& text, int value, int width)
{
    char digits[8];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    text.append(digits, static_cast<std::size_t>(width));
}

// ".YYYYMMDD-HHMMSS-mmm"
constexpr std::size_t kStampWidth = 20;

} // namespace

bool operator<(const BackupStamp& a, const BackupStamp& b)
{
    return std::tie(a.year, a.month, a.day, a.hour, a.minute, a.second, a.millisecond) <
           std::tie(b.year, b.month, b.day, b.hour, b.minute, b.second, b.millisecond);
}

std::string BackupFileName(std::string_view fileName, const BackupStamp& stamp)
{
    std::string_view stem, extension;
    SplitExtension(fileName, stem, extension);
    std::string name(stem);
    name += '.';
    AppendDigits(name, stamp.year % 10000, 4);
    AppendDigits(name, stamp.month % 100, 2);
    AppendDigits(name, stamp.day % 100, 2);
    name += '-';
    AppendDigits(name, stamp.hour % 100, 2);
    AppendDigits(name, stamp.minute % 100, 2);
    AppendDigits(name, stamp.second % 100, 2);
    name += '-';
    AppendDigits(name, stamp.millisecond % 1000, 3);
    name += extension;
    return name;
}

bool ParseBackupFileName(std::string_view fileName, std::string_view candidate, BackupStamp& stamp)
{
    std::string_view stem, extension;
    SplitExtension(fileName, stem, extension);
    if (candidate.size() != stem.size() + kStampWidth + extension.size()) return false;
    if (!EqualsAsciiNoCase(candidate.substr(0, stem.size()), stem) ||
        !EqualsAsciiNoCase(candidate.substr(candidate.size() - extension.size()), extension)) {
        return false;
    }
    const std::string_view time = candidate.substr(stem.size(), kStampWidth);
    BackupStamp read;
    const bool ok = time[0] == '.' && time[9] == '-' && time[16] == '-' && ReadDigits(time, 1, 4, read.year) &&
                    ReadDigits(time, 5, 2, read.month) && ReadDigits(time, 7, 2, read.day) &&
                    ReadDigits(time, 10, 2, read.hour) && ReadDigits(time, 12, 2, read.minute) &&
                    ReadDigits(time, 14, 2, read.second) && ReadDigits(time, 17, 3, read.millisecond);
    if (ok) stamp = read;
    return ok;
}

std::vector<DatedBackup> DatedBackupsNewestFirst(std::string_view fileName, const std::vector<std::string>& names)
{
    std::vector<DatedBackup> found;
    for (const std::string& name : names) {
        BackupStamp stamp;
        if (ParseBackupFileName(fileName, name, stamp)) found.push_back({stamp, name});
    }
    // Two names of one time differ only in letter case: the name decides.
    std::sort(found.begin(), found.end(), [](const DatedBackup& a, const DatedBackup& b) {
        return b.stamp < a.stamp || (!(a.stamp < b.stamp) && b.name < a.name);
    });
    return found;
}

std::vector<std::string> BackupsNewestFirst(std::string_view fileName, const std::vector<std::string>& names)
{
    std::vector<std::string> sorted;
    for (DatedBackup& backup : DatedBackupsNewestFirst(fileName, names)) sorted.push_back(std::move(backup.name));
    return sorted;
}

std::vector<std::string> BackupsToDrop(std::string_view fileName, const std::vector<std::string>& names,
                                       std::size_t keep)
{
    std::vector<std::string> sorted = BackupsNewestFirst(fileName, names);
    if (sorted.size() <= keep) return {};
    return std::vector<std::string>(sorted.begin() + static_cast<std::ptrdiff_t>(keep), sorted.end());
}

int BackupCountFromText(std::string_view text)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    TrimBlanks(begin, end);
    if (begin == end || end - begin > 6) return kDefaultBackupCount;
    int count = 0;
    for (const char* c = begin; c != end; ++c) {
        if (*c < '0' || *c > '9') return kDefaultBackupCount;
        count = count * 10 + (*c - '0');
    }
    return count;
}
