#pragma once

// Chooses the language of the program's texts from [Language] UI in the main
// settings file and the system. Called first thing by every program.
void ApplyUiLanguageSetting();
