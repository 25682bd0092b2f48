#include "settings/multibyte.h"

bool IsCp932LeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

#ifndef _WIN32
bool IsLeadByte(unsigned char c)
{
    return IsCp932LeadByte(c);
}
#endif
