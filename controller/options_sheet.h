#pragma once

// The controller's property sheet: three pages over one local settings file.

#include <windows.h>

#include <string>

class SettingsFile;

// "オプションと情報:" followed at once by the file's full path.
std::string SheetCaption(const SettingsFile& settings);

// The sheet some controller shows (a visible dialog whose caption begins
// with the sheet's caption text), or null.
HWND FindOpenSheet();

// Runs the sheet on `settings`. Modal: returns when the sheet closed, with
// 0. Modeless (for tests): returns the sheet's window at once.
INT_PTR ShowOptionsSheet(HINSTANCE instance, SettingsFile& settings, bool modeless);

// Opens the named local settings file (the current one when the name is
// empty) in `settings` and runs the sheet on it until it closes. The closed
// sheet's window stays until the program ends, and its pages point at
// `settings`: the caller keeps it as long.
void RunOptionsSheet(HINSTANCE instance, SettingsFile& settings, const char* commandLine);
