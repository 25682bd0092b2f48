#pragma once

#include <windows.h>

#include <string>

constexpr UINT kErrorTitleId = 2002;

// An error box: title 2002, text = string `id` filled with printf rules.
// The owner is used only when it is a visible window. Returns the button
// pressed, or 0 when a string is missing and no box was shown.
int ShowError(HWND owner, UINT id, ...);
// A question box with the given button flags; 0 when a string is missing.
int ShowConfirm(HWND owner, UINT titleId, UINT textId, UINT flags);
// The system's text for `code`, system-modal, under title 2002.
void ShowSystemError(HWND owner, DWORD code);

// String `id` of the running program, or empty when it is missing.
std::string LoadResourceString(UINT id);
