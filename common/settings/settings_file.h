#pragma once

#include "settings/ini_text.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class IniSection;

// One key of a batched write.
struct SettingsValue {
    const char* section;
    const char* key;
    std::string value;
};

// Accessor of one INI file by its full path. It holds no handle: reads are
// one call of the platform's profile functions with the path; writes edit
// the file's text and put the new file in place.
class SettingsFile {
public:
    // Resolves `name` against the program directory, which also becomes the
    // process's current directory. False only for a null name or when the
    // program's own path cannot be found. The file need not exist.
    bool Open(const char* name);
    // Open(name), or the current local settings file named by the main
    // settings file when name is null or empty; that one, when it does not
    // exist, starts as a copy of the example table beside the programs for
    // the system code page ("example-ja.ini" or "example-en.ini"), if any.
    bool OpenLocal(const char* name);

    bool IsOpen() const { return open_; }
    const char* Path() const { return path_; }

    bool HasValue(const char* section, const char* key) const;
    // False, leaving target unchanged, when the value is missing or empty.
    bool ReadString(const char* section, const char* key, std::string& target) const;
    bool ReadBool(const char* section, const char* key) const;
    int ReadInt(const char* section, const char* key) const;
    // All keys of a section in one read (per-key reads grow with the file).
    bool ReadSection(const char* section, IniSection& target) const;
    // Hands the file's whole text to `use`, valid during the call (a missing
    // file is empty). False, without a call, for a file the platform reads in
    // another encoding or that cannot be read: ReadSection serves then.
    bool ReadText(const std::function<void(std::string_view text)>& use) const;

    // Writes report whether the file was written, with the last error of the
    // call that failed when not. Each write replaces the whole file at once
    // (the file a symbolic link leads to, keeping its attributes and
    // permissions): a failed one leaves it as it was. A file of several names
    // (hard links), or one where no new file can be made beside it, is
    // written over instead, its old bytes put back when that fails.
    bool WriteString(const char* section, const char* key, const char* value);
    bool WriteInt(const char* section, const char* key, int value);
    bool WriteBool(const char* section, const char* key, bool value);
    // Sets every key in one write of the file.
    bool WriteStrings(const std::vector<SettingsValue>& values);
    // Replaces the whole section with the "key=value" lines.
    bool WriteSection(const char* section, const std::vector<std::string>& lines);
    // The same with the lines as one text, each ended by a line end.
    bool WriteSectionText(const char* section, const std::string& lines);
    // The same with the lines handed over in pieces of whole lines, so that
    // a large section is never held in memory whole.
    bool WriteSectionLines(const char* section, const IniLines& lines);
    bool ClearSection(const char* section);

private:
    // The profile functions read and write WIN.INI for a null name and may for
    // an empty one: an accessor without a path must touch no file at all.
    bool HasPath() const { return path_[0] != '\0'; }

    bool open_ = false;
    char path_[260] = {};
};

// The values of the main settings file "_setting.ini" in the program directory.
struct MainSettings {
    std::string current;          // LocalSetting/Current
    std::string daemonPath;       // ProgramInfo/Daemon.Path
    std::string controllerPath;   // ProgramInfo/Controller.Path
    std::string switcherPath;     // ProgramInfo/Switcher.Path

    // Missing keys leave their fields as they were; true in every case.
    bool Load();
    // Writes the four keys in one write; false when the file could not be written.
    bool Save() const;
    // The main settings file's name, from the program's strings.
    static std::string FileName();
};
