#pragma once

#include "platform/ui_language.h"

#include <windows.h>

// The program's texts, dialogs and menus in the chosen language. The system
// would pick resources by the user's UI language alone; these take the
// language the settings choose too, the same way on every system.

// Chooses the language for the rest of the run; until then it follows the
// system (the user's UI language and the code page).
void SetUiLanguage(UiLanguage language);
UiLanguage CurrentUiLanguage();
// The language on this system for a setting of [Language] UI ("" for none).
UiLanguage SystemUiLanguage(std::string_view setting = {});

// LoadStringA in the chosen language. A string the program carries in one
// language only (a file name) is taken from there. Cut at a character's
// end when the buffer is short.
int LoadUiString(UINT id, char* buffer, int size);
// The dialog template, for the *Indirect* calls.
const DLGTEMPLATE* UiDialogTemplate(UINT id);
HMENU LoadUiMenu(UINT id);
