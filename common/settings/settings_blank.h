#pragma once

// A blank as the settings files' reader sees it: space, tab, line breaks,
// vertical tab, form feed and ^Z.
bool IsSettingsBlank(char c);
// Narrows [begin, end) to the text without blanks at either end, as the
// profile read drops them around a value.
void TrimBlanks(const char*& begin, const char*& end);
