#pragma once

#include <string>
#include <string_view>

// An icon as the shell names one: a file and an index in it. A negative
// index is a resource identifier (-3: the icon resource 3), as in the
// shell's icon locations.
struct IconLocation {
    std::string path;
    int index = 0;
};

// Reads "path,index", "path" (index 0) or "\"path\",index". The index is the
// number after the last comma; a comma followed by anything else belongs to
// the path. Blanks around the parts are dropped. False for an empty path.
bool ParseIconLocation(std::string_view text, IconLocation& location);
