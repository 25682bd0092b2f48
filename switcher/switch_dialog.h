#pragma once

#include <windows.h>

#include <string>

// Dialog 101: the user types the path of the settings file to make current,
// or browses for one.
class SwitchDialog {
public:
    // Shows the dialog modally without an owner. True for OK; Path() is then
    // the text left in the edit box, which FitsAsSettingsPath.
    bool Run(HINSTANCE instance);
    const std::string& Path() const { return path_; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id);

    HWND hwnd_ = nullptr;
    std::string path_;
};

// The longest full path, in bytes, that a settings file can have.
constexpr int kLongestSettingsPath = MAX_PATH - 1;

// Whether the text, stored as Current, names a file the programs can open:
// read back and resolved against the program directory, its full path fits
// a path buffer. An empty text (no current file) fits.
bool FitsAsSettingsPath(const std::string& text);

// Lets the user pick an INI file and puts its full path into the edit box.
// False only when no buffer is available or the file dialog fails twice.
bool BrowseSettingsFile(HWND dialog, HWND edit);
