#pragma once

// The modal dialog in which one command's fields are entered.

#include "dialog_object.h"

#include <string>

struct CommandItem;

// The 22 service command lines the command-line box offers, in order.
extern const char* const kServiceCommandLines[22];

class CommandEditDialog final : public DialogObject {
public:
    // param: the CommandItem to edit; null ends the dialog with -1.
    CommandEditDialog(HWND window, LPARAM param);

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void FillControls();
    // Validates and copies the controls into the item; false leaves it unchanged.
    bool StoreControls();
    static void BrowseCommandLine(HWND owner, HWND target);

private:
    bool IsChecked(HWND box) const;

    HWND window_;
    HWND captionBox_;
    HWND shiftBox_, controlBox_, altBox_, winBox_;
    HWND keyBox_;
    HWND cmdlineBox_;
    HWND folderBox_;
    HWND envBox_;
    HWND showBox_;
    CommandItem* item_;
};

// 1 after OK, 0 after Cancel, -1 when the dialog could not be shown.
INT_PTR RunCommandEditDialog(HWND owner, CommandItem* item);

INT_PTR CALLBACK CommandEditDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The window state combo's index for a showCmd, and back.
int ShowCmdToIndex(int showCmd);
int IndexToShowCmd(int index);
