#include "backup_names.h"

#include "settings/ascii_case.h"

namespace {

// The time stamp between the name's stem and its extension.
constexpr std::string_view kStampShape = "########-######-###";

bool HasStampShape(std::string_view stamp)
{
    if (stamp.size() != kStampShape.size()) return false;
    for (std::size_t i = 0; i < stamp.size(); ++i) {
        const bool digit = stamp[i] >= '0' && stamp[i] <= '9';
        if (kStampShape[i] == '#' ? !digit : stamp[i] != kStampShape[i]) return false;
    }
    return true;
}

} // namespace

bool IsBackupName(std::string_view name, std::string_view fileName)
{
    const std::size_t dot = fileName.rfind('.');
    const std::string_view stem = dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
    const std::string_view extension = dot == std::string_view::npos ? std::string_view() : fileName.substr(dot);
    if (name.size() != stem.size() + 1 + kStampShape.size() + extension.size()) return false;
    return EqualsAsciiNoCase(name.substr(0, stem.size()), stem) && name[stem.size()] == '.' &&
           HasStampShape(name.substr(stem.size() + 1, kStampShape.size())) &&
           EqualsAsciiNoCase(name.substr(name.size() - extension.size()), extension);
}

std::string NewestBackup(const std::vector<std::string>& names, std::string_view fileName)
{
    // The stamp decides: the stems of the candidates differ in letter case at most.
    const std::size_t dot = fileName.rfind('.');
    const std::size_t extension = dot == std::string_view::npos ? 0 : fileName.size() - dot;
    const std::string* newest = nullptr;
    const auto stamp = [&](const std::string& name) {
        return std::string_view(name).substr(name.size() - extension - kStampShape.size(), kStampShape.size());
    };
    for (const std::string& name : names) {
        if (!IsBackupName(name, fileName)) continue;
        if (newest == nullptr || stamp(name) > stamp(*newest)) newest = &name;
    }
    return newest != nullptr ? *newest : std::string();
}
