#pragma once

#include <string_view>

class SettingsFile;

constexpr const char kDesktopSection[] = "Desktop";

// Opacity as stored (on the scale of 255), clamped into 0-255.
inline unsigned char ClampOpacity(int value)
{
    return static_cast<unsigned char>(value > 255 ? 255 : value < 0 ? 0 : value);
}

// The shell-extension choices of the Desktop section.
struct ShellSettings {
    bool showDesktopIcons = true;
    bool showTaskbar = true;
    bool translucentTaskbar = false;
    unsigned char taskbarOpacity = 255;

    // Overwrites every field (a missing or empty opacity reads as 255); true in
    // every case.
    bool Load(const SettingsFile& file);
    // The same from a settings file's text, read as the platform reads the keys.
    void LoadFromText(std::string_view text);
    // Writes the four keys in one write; false when the file could not be written.
    bool Save(SettingsFile& file) const;
};
