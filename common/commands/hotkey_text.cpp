#include "commands/hotkey_text.h"

#include "settings/ascii_case.h"

#include <cstring>

const KeyNameRow KeyNameTable[kKeyNameCount] = {
    {0x01, "LButton"},
    {0x02, "RButton"},
    {0x03, "Cancel"},
    {0x04, "MButton"},
    {0x05, "XButton1"},
    {0x06, "XButton2"},
    {0x08, "BackSpace"},
    {0x08, "Back"},
    {0x09, "Tab"},
    {0x0C, "Clear"},
    {0x0D, "Return"},
    {0x0D, "Enter"},
    {0x13, "Pause"},
    {0x14, "CapsLock"},
    {0x14, "Capital"},
    {0x15, "Kana"},
    {0x15, "Hanguel"},
    {0x15, "Hangul"},
    {0x17, "Junja"},
    {0x18, "Final"},
    {0x19, "Hanja"},
    {0x19, "Kanji"},
    {0x1B, "Escape"},
    {0x1B, "Esc"},
    {0x1C, "Convert"},
    {0x1D, "NonConvert"},
    {0x1E, "NonConvert"},
    {0x1F, "MODECHANGE"},
    {0x20, "Space"},
    {0x20, "Spc"},
    {0x21, "PageUp"},
    {0x22, "NextDown"},
    {0x23, "End"},
    {0x24, "Home"},
    {0x25, "Left"},
    {0x26, "Up"},
    {0x27, "Right"},
    {0x28, "Down"},
    {0x29, "Select"},
    {0x2A, "Print"},
    {0x2B, "Execute"},
    {0x2C, "Snapshot"},
    {0x2D, "Insert"},
    {0x2D, "Ins"},
    {0x2E, "Delete"},
    {0x2E, "Del"},
    {0x2F, "Help"},
    {0x30, "0"},
    {0x31, "1"},
    {0x32, "2"},
    {0x33, "3"},
    {0x34, "4"},
    {0x35, "5"},
    {0x36, "6"},
    {0x37, "7"},
    {0x38, "8"},
    {0x39, "9"},
    {0x41, "A"},
    {0x42, "B"},
    {0x43, "C"},
    {0x44, "D"},
    {0x45, "E"},
    {0x46, "F"},
    {0x47, "G"},
    {0x48, "H"},
    {0x49, "I"},
    {0x4A, "J"},
    {0x4B, "K"},
    {0x4C, "L"},
    {0x4D, "M"},
    {0x4E, "N"},
    {0x4F, "O"},
    {0x50, "P"},
    {0x51, "Q"},
    {0x52, "R"},
    {0x53, "S"},
    {0x54, "T"},
    {0x55, "U"},
    {0x56, "V"},
    {0x57, "W"},
    {0x58, "X"},
    {0x59, "Y"},
    {0x5A, "Z"},
    {0x5B, "LWin"},
    {0x5C, "RWin"},
    {0x5D, "Apps"},
    {0x5F, "Sleep"},
    {0x60, "Num0"},
    {0x61, "Num1"},
    {0x62, "Num2"},
    {0x63, "Num3"},
    {0x64, "Num4"},
    {0x65, "Num5"},
    {0x66, "Num6"},
    {0x67, "Num7"},
    {0x68, "Num8"},
    {0x69, "Num9"},
    {0x6A, "Multiply"},
    {0x6B, "Add"},
    {0x6C, "Seperator"},
    {0x6C, "Sep"},
    {0x6D, "SubTract"},
    {0x6E, "Decimal"},
    {0x6F, "Divide"},
    {0x70, "F1"},
    {0x71, "F2"},
    {0x72, "F3"},
    {0x73, "F4"},
    {0x74, "F5"},
    {0x75, "F6"},
    {0x76, "F7"},
    {0x77, "F8"},
    {0x78, "F9"},
    {0x79, "F10"},
    {0x7A, "F11"},
    {0x7B, "F12"},
    {0x7C, "F13"},
    {0x7D, "F14"},
    {0x7E, "F15"},
    {0x7F, "F16"},
    {0x80, "F17"},
    {0x81, "F18"},
    {0x82, "F19"},
    {0x83, "F20"},
    {0x84, "F21"},
    {0x85, "F22"},
    {0x86, "F23"},
    {0x87, "F24"},
    {0x90, "NumLock"},
    {0x91, "ScrollLock"},
    {0x91, "Scroll"},
    {0xBA, "Oem1"},
    {0xBB, "OemPlus"},
    {0xBC, "Commna"},
    {0xBD, "Minus"},
    {0xBE, "Period"},
    {0xBF, "Oem2"},
    {0xC0, "Oem3"},
    {0xDB, "Oem4"},
    {0xDC, "Oem5"},
    {0xDD, "Oem6"},
    {0xDE, "Oem7"},
    {0xDF, "Oem8"},
    {0xE2, "Oem102"},
    {0xE5, "ProcessKey"},
    {0xE7, "Packet"},
    {0xF6, "Attn"},
    {0xF7, "CrSel"},
    {0xF8, "ExSel"},
    {0xF9, "EraseEOF"},
    {0xFA, "Play"},
    {0xFB, "Zoom"},
    {0xFD, "PA1"},
    {0xFE, "OemClear"},
    // The browser, media and launch keys, named after the existing ones so
    // that the names above keep their place and their texts.
    {0xA6, "BrowserBack"},
    {0xA7, "BrowserForward"},
    {0xA8, "BrowserRefresh"},
    {0xA9, "BrowserStop"},
    {0xAA, "BrowserSearch"},
    {0xAB, "BrowserFavorites"},
    {0xAC, "BrowserHome"},
    {0xAD, "VolumeMute"},
    {0xAE, "VolumeDown"},
    {0xAF, "VolumeUp"},
    {0xB0, "MediaNextTrack"},
    {0xB1, "MediaPrevTrack"},
    {0xB2, "MediaStop"},
    {0xB3, "MediaPlayPause"},
    {0xB4, "LaunchMail"},
    {0xB5, "LaunchMediaSelect"},
    {0xB6, "LaunchApp1"},
    {0xB7, "LaunchApp2"},
};

namespace {

// The first n characters of text equal word, ignoring ASCII letter case.
// Stops at the end of text, so a shorter text never matches.
bool StartsWithNoCase(const char* text, const char* word, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        if (text[i] == '\0' || AsciiLower(text[i]) != AsciiLower(word[i])) return false;
    }
    return true;
}

struct ModifierWord {
    const char* word;
    int flag;
};

// Tried in this order, each over its own length.
const ModifierWord kModifierWords[] = {
    {"Alt", kModAlt},     {"Ctl", kModCtrl},     {"Ctrl", kModCtrl}, {"Control", kModCtrl},
    {"Shift", kModShift}, {"Windows", kModWin}, {"Win", kModWin},
};

} // namespace

int KeyFromName(const char* text, const char** after)
{
    if (text == nullptr) return 0;
    for (const KeyNameRow& row : KeyNameTable) {
        const std::size_t n = std::strlen(row.name);
        if (!StartsWithNoCase(text, row.name, n)) continue;
        const char next = text[n];
        if (next != ' ' && next != '\0' && next != '+') continue;
        if (after != nullptr) *after = text + n;
        return row.code;
    }
    return 0;
}

bool KeyToName(int code, std::string& target)
{
    const unsigned char low = static_cast<unsigned char>(code & 0xFF);
    for (const KeyNameRow& row : KeyNameTable) {
        if (row.code == low) {
            target += row.name;
            return true;
        }
    }
    return false;
}

bool ParseHotkey(const char* text, int& key, int& modifiers)
{
    if (text == nullptr) return false;
    key = 0;
    modifiers = 0;
    const char* p = text;
    for (;;) {
        if (*p == '\0') return true;
        if (*p == ' ') {
            ++p;
            continue;
        }
        bool matched = false;
        for (const ModifierWord& m : kModifierWords) {
            const std::size_t n = std::strlen(m.word);
            if (StartsWithNoCase(p, m.word, n)) {
                modifiers |= m.flag;
                p += n;
                matched = true;
                break;
            }
        }
        if (!matched) {
            const char* after = nullptr;
            const int code = KeyFromName(p, &after);
            if (code == 0) return false;
            key = code;
            p = after;
        }
        if (*p == '\0') return true;
        if (*p != '+') return false;
        ++p;
    }
}

bool FormatHotkey(int key, int modifiers, std::string& target)
{
    target.clear();
    if (modifiers & kModWin) target += "Win+";
    if (modifiers & kModCtrl) target += "Ctrl+";
    if (modifiers & kModShift) target += "Shift+";
    if (modifiers & kModAlt) target += "Alt+";
    return KeyToName(key, target);
}
