#pragma once

// The shell extension page: the Desktop section's four choices.

#include "dialog_object.h"

class SettingsFile;

class ShellExtensionPage final : public DialogObject {
public:
    // param: the PROPSHEETPAGEA description, whose lParam is the SettingsFile.
    ShellExtensionPage(HWND window, LPARAM param);

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void LoadPage();
    // False when the section could not be written (an error box was shown).
    bool StorePage();
    void RefreshControls();
    static bool TranslucencyAvailable();

private:
    bool IsChecked(HWND box) const;

    SettingsFile* settings_;
    HWND window_;
    HWND hideIconsBox_;
    HWND hideTaskbarBox_;
    HWND translucentBox_;
    HWND slider_;
    HWND currentLabel_;
    HWND transparentLabel_;
    HWND opaqueLabel_;
    HWND information_;
};

INT_PTR CALLBACK ShellExtensionPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
