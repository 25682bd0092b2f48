#pragma once

// The program information page: the product version and two links.

#include "dialog_object.h"

struct ProductVersion {
    unsigned short major = 0, minor = 0, third = 0, fourth = 0;
};

// The version numbers of a file's version resource; false when it has none.
bool ReadProductVersion(const char* path, bool wantProductVersion, ProductVersion& version);

class ProgramInfoPage final : public DialogObject {
public:
    ProgramInfoPage(HWND window, LPARAM param);

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OpenString(UINT id);

    HWND window_;
};

INT_PTR CALLBACK ProgramInfoPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
