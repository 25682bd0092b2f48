#pragma once

// The modal dialog in which one command's fields are entered.

#include "dialog_object.h"

#include <functional>
#include <string>

struct CommandItem;

// Whether a name is already used by a sibling of the command being edited.
using NameTakenCheck = std::function<bool(const std::string&)>;

// What the dialog is opened with.
struct CommandEditRequest {
    CommandItem* item;
    NameTakenCheck nameTaken;   // empty: no name is taken
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

private:
    // What the option controls showed when the dialog opened: only a control
    // the user changed rewrites its key, so keys as stored ("start" written
    // out, another letter case, a value of a newer version) stay as they are.
    struct OptionControls {
        int running = 0;
        std::string windowTitle;
        bool runAsAdmin = false;
        bool mergeEnvironment = false;
    };
    OptionControls ReadOptionControls() const;
    void FillOptionControls();
    void StoreOptionControls();
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
    OptionControls shownOptions_;
    CommandItem* item_;
    NameTakenCheck nameTaken_;
};

// 1 after OK, 0 after Cancel, -1 when the dialog could not be shown. OK
// with a name that nameTaken reports is refused with a box.
INT_PTR RunCommandEditDialog(HWND owner, CommandItem* item, NameTakenCheck nameTaken = NameTakenCheck());

INT_PTR CALLBACK CommandEditDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The window state combo's index for a showCmd, and back.
int ShowCmdToIndex(int showCmd);
int IndexToShowCmd(int index);
