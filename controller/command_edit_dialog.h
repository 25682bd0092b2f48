#pragma once

// The modal dialog in which one command's fields are entered.

#include "dialog_object.h"
#include "hotkey_conflict.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct CommandItem;

// Whether a name is already used by a sibling of the command being edited.
using NameTakenCheck = std::function<bool(const std::string&)>;

// What the dialog is opened with.
struct CommandEditRequest {
    CommandItem* item;
    NameTakenCheck nameTaken;   // empty: no name is taken
    // The hotkeys of the table's other commands.
    std::vector<TableHotkey> otherHotkeys;
};

// The 22 service command lines the command-line box offers, in order.
extern const char* const kServiceCommandLines[22];

class CommandEditDialog final : public DialogObject {
public:
    // param: the CommandEditRequest; one without an item ends the dialog with -1.
    CommandEditDialog(HWND window, LPARAM param);

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void FillControls();
    // Validates and copies the controls into the item; false leaves it unchanged.
    bool StoreControls();
    static void BrowseCommandLine(HWND owner, HWND target);
    // The item as the controls show it, unsaved edits included.
    CommandItem ShownItem() const;
    // Runs ShownItem and tells the outcome in the line under the buttons.
    void RunNow();
    // Says in the line under the hotkey who holds the chosen combination.
    void ShowHotkeyState();

private:
    // What the option controls showed when the dialog opened: only a control
    // the user changed rewrites its key, so keys as stored ("start" written
    // out, another letter case, a value of a newer version) stay as they are.
    struct OptionControls {
        int running = 0;
        std::string windowTitle;
        bool runAsAdmin = false;
        bool mergeEnvironment = false;
        std::string icon;
    };
    OptionControls ReadOptionControls() const;
    void FillOptionControls();
    // Writes the keys of the option controls that changed since they were shown.
    void StoreOptionControls(CommandItem& item) const;
    // Everything but the name.
    void StoreFields(CommandItem& item) const;
    std::uint32_t ShownModifiers() const;
    std::uint8_t ShownKey() const;
    // Asks before a combination another command holds is taken; true to go on.
    bool ConfirmHotkey();
    bool IsChecked(HWND box) const;

    HWND window_;
    HWND captionBox_;
    HWND shiftBox_, controlBox_, altBox_, winBox_;
    HWND keyBox_;
    HWND cmdlineBox_;
    HWND folderBox_;
    HWND envBox_;
    HWND showBox_;
    HWND runningBox_;
    HWND windowTitleBox_;
    HWND runAsBox_;
    HWND envModeBox_;
    HWND iconBox_;
    HWND hotkeyStateLine_;
    HWND runResultLine_;
    OptionControls shownOptions_;
    CommandItem* item_;
    NameTakenCheck nameTaken_;
    std::vector<TableHotkey> otherHotkeys_;
};

// 1 after OK, 0 after Cancel, -1 when the dialog could not be shown. OK
// with a name that nameTaken reports is refused with a box; OK with a hotkey
// of otherHotkeys asks first.
INT_PTR RunCommandEditDialog(HWND owner, CommandItem* item, NameTakenCheck nameTaken = NameTakenCheck(),
                             std::vector<TableHotkey> otherHotkeys = {});

INT_PTR CALLBACK CommandEditDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The window state combo's index for a showCmd, and back.
int ShowCmdToIndex(int showCmd);
int IndexToShowCmd(int index);
