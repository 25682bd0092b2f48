#include "platform/ui_text.h"

#include "settings/multibyte.h"

#include <string>

namespace {

bool g_chosen = false;
UiLanguage g_language = UiLanguage::kJapanese;

WORD LanguageId()
{
    return CurrentUiLanguage() == UiLanguage::kEnglish ? MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)
                                                       : MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
}

const void* FindUiResource(const char* type, const char* name)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceExA(module, type, name, LanguageId());
    if (resource == nullptr) resource = FindResourceA(module, name, type);
    return resource != nullptr ? LockResource(LoadResource(module, resource)) : nullptr;
}

} // namespace

void SetUiLanguage(UiLanguage language)
{
    g_language = language;
    g_chosen = true;
}

UiLanguage SystemUiLanguage(std::string_view setting)
{
    return ChooseUiLanguage(setting, PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE, GetACP() == 932);
}

UiLanguage CurrentUiLanguage()
{
    if (!g_chosen) SetUiLanguage(SystemUiLanguage());
    return g_language;
}

int LoadUiString(UINT id, char* buffer, int size)
{
    if (size <= 0) return 0;
    buffer[0] = '\0';
    HMODULE module = GetModuleHandleA(nullptr);
    // Strings are stored sixteen to a block, each counted, in UTF-16.
    HRSRC block = FindResourceExA(module, RT_STRING, MAKEINTRESOURCEA((id >> 4) + 1), LanguageId());
    const WCHAR* text = block != nullptr ? static_cast<const WCHAR*>(LockResource(LoadResource(module, block)))
                                         : nullptr;
    if (text != nullptr) {
        for (UINT i = 0; i < (id & 15); ++i) text += 1 + *text;
    }
    if (text == nullptr || *text == 0) return LoadStringA(module, id, buffer, size);
    const int length = WideCharToMultiByte(CP_ACP, 0, text + 1, *text, nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text + 1, *text, &converted[0], length, nullptr, nullptr);
    const char* begin = converted.c_str();
    const char* end = begin;
    while (*end != '\0' && NextChar(end) - begin < size) end = NextChar(end);
    const int n = static_cast<int>(end - begin);
    converted.copy(buffer, static_cast<std::size_t>(n));
    buffer[n] = '\0';
    return n;
}

const DLGTEMPLATE* UiDialogTemplate(UINT id)
{
    return static_cast<const DLGTEMPLATE*>(FindUiResource(RT_DIALOG, MAKEINTRESOURCEA(id)));
}

HMENU LoadUiMenu(UINT id)
{
    const void* menu = FindUiResource(RT_MENU, MAKEINTRESOURCEA(id));
    return menu != nullptr ? LoadMenuIndirectA(menu) : nullptr;
}
