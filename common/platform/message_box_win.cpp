#include "platform/message_box.h"
#include "platform/ui_text.h"

#include <cstdarg>
#include <cstdio>

namespace {

HWND VisibleOwner(HWND owner)
{
    return (owner != nullptr && IsWindowVisible(owner)) ? owner : nullptr;
}

} // namespace

std::string LoadResourceString(UINT id)
{
    char text[1024];
    return LoadUiString(id, text, sizeof text) ? std::string(text) : std::string();
}

int ShowError(HWND owner, UINT id, ...)
{
    char title[128], format[1024], text[1024];
    if (!LoadUiString(kErrorTitleId, title, sizeof title)) return 0;
    if (!LoadUiString(id, format, sizeof format)) return 0;
    va_list args;
    va_start(args, id);
    // A longer text (a huge command line) is cut, never written past the buffer.
    // The system runtime's formatter: the formats are only %s and %d.
    _vsnprintf(text, sizeof text - 1, format, args);
    text[sizeof text - 1] = '\0';
    va_end(args);
    return MessageBoxA(VisibleOwner(owner), text, title, MB_OK | MB_ICONERROR);
}

int ShowConfirm(HWND owner, UINT titleId, UINT textId, UINT flags)
{
    char title[128], text[1024];
    if (!LoadUiString(titleId, title, sizeof title)) return 0;
    if (!LoadUiString(textId, text, sizeof text)) return 0;
    return MessageBoxA(VisibleOwner(owner), text, title, flags | MB_ICONQUESTION);
}

void ShowSystemError(HWND owner, DWORD code)
{
    char title[128];
    LoadUiString(kErrorTitleId, title, sizeof title);
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0,
                   nullptr);
    MessageBoxA(owner, text ? text : "", title, MB_SYSTEMMODAL);
    if (text != nullptr) LocalFree(text);
}
