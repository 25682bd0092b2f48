#pragma once

// The enable rules and the percentage label of the shell extension page.

#include <string>

struct ShellControlStates {
    bool translucentBox = true;
    bool slider = true;
    bool transparentLabel = true;
    bool currentLabel = true;
    bool opaqueLabel = true;
};

// In this order: no translucency support switches all five off, a hidden
// taskbar switches all five off, an unchecked translucency box switches off
// the slider and its three labels.
ShellControlStates ComputeShellControlStates(bool translucencyAvailable, bool hideTaskbar, bool translucent);

// position x 100 / 255, truncated, as "N%"; position is clamped into 0-255.
std::string OpacityPercentText(int position);
