#pragma once

// Stepping through 8-bit text of the system code page by character.
// On Windows the lead-byte test is the platform's (IsDBCSLeadByte); the host
// build, which has no system code page, uses the rule of code page 932.

bool IsCp932LeadByte(unsigned char c);
bool IsLeadByte(unsigned char c);

// The character after the one at p. A lead byte followed by the terminating
// NUL counts as one character, so the step never passes the end of the text.
inline const char* NextChar(const char* p)
{
    if (*p == '\0') return p;
    if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') return p + 2;
    return p + 1;
}
