#pragma once

// Window-state names under which a command's showCmd is stored.
int ShowCmdFromName(const char* text);
const char* ShowCmdToName(int value);
