#include "shell_page_rules.h"

ShellControlStates ComputeShellControlStates(bool translucencyAvailable, bool hideTaskbar, bool translucent)
{
    ShellControlStates s;
    if (!translucencyAvailable || hideTaskbar)
        s.translucentBox = s.slider = s.transparentLabel = s.currentLabel = s.opaqueLabel = false;
    if (!translucent)
        s.slider = s.transparentLabel = s.currentLabel = s.opaqueLabel = false;
    return s;
}

std::string OpacityPercentText(int position)
{
    if (position < 0)
        position = 0;
    if (position > 255)
        position = 255;
    return std::to_string(position * 100 / 255) + "%";
}
