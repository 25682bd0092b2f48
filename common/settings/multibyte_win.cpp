#include "settings/multibyte.h"

#include <windows.h>

bool IsLeadByte(unsigned char c)
{
    return IsDBCSLeadByte(c) != FALSE;
}
