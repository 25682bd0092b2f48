#pragma once

#include <windows.h>

#include <string>

// Dialog 101: the user types the path of the settings file to make current,
// or browses for one.
class SwitchDialog {
public:
    // Shows the dialog modally without an owner. True for OK; Path() is then
    // the text left in the edit box (at most 259 characters).
    bool Run(HINSTANCE instance);
    const std::string& Path() const { return path_; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id);

    HWND hwnd_ = nullptr;
    std::string path_;
};

// Lets the user pick an INI file and puts its full path into the edit box.
// False only when no buffer is available or the file dialog fails twice.
bool BrowseSettingsFile(HWND dialog, HWND edit);
