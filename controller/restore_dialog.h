#pragma once

// The modal dialog that lists the backups of the command table's file and
// loads the one chosen.

#include "dialog_object.h"

#include <cstddef>
#include <string>
#include <vector>

class CommandTable;

// One line of the list.
struct RestoreChoice {
    std::string path;
    std::string time;        // "2026/12/09 21:53:00"
    bool loaded = false;     // the backup could be read
    std::size_t commands = 0;
};

// The backups of the table file at `path`, newest first, each read once for
// its number of commands.
std::vector<RestoreChoice> ListRestoreChoices(const std::string& path);

// What the dialog is opened with.
struct RestoreRequest {
    std::string tablePath;
    CommandTable* table;   // receives the backup chosen
};

class RestoreDialog final : public DialogObject {
public:
    // param: the RestoreRequest.
    RestoreDialog(HWND window, LPARAM param);

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Fill();
    // Loads the selected backup into the request's table; false keeps the
    // dialog open.
    bool LoadChosen();
    void OnSelectionChanged();
    // The chosen line, or null.
    const RestoreChoice* Selected() const;

    HWND window_;
    HWND list_;
    CommandTable* table_;
    std::vector<RestoreChoice> choices_;
};

// 1 when a backup was loaded into `table`, 0 after Cancel (the table as it
// was), -1 when the dialog could not be shown.
INT_PTR RunRestoreDialog(HWND owner, const std::string& tablePath, CommandTable& table);

INT_PTR CALLBACK RestoreDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
