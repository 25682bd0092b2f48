// The floor of the controller's command table page: one section read, the
// same nodes inserted into a tree-view control (each under the first earlier
// node whose caption is its own less the last level), and on the bench's
// "save" message the section written back once.
#include "floor_window.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr UINT kSaveMessage = WM_APP + 1;
std::vector<char> g_block;
std::string g_path;

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kSaveMessage) {
        WritePrivateProfileSectionA("CmdTable", g_block.data(), g_path.c_str());
        DestroyWindow(window);
        return 0;
    }
    return floor_window::DefaultProc(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    char dir[MAX_PATH];
    GetModuleFileNameA(nullptr, dir, MAX_PATH);
    *std::strrchr(dir, '\\') = '\0';
    const std::string main = std::string(dir) + "\\_setting.ini";
    char local[MAX_PATH];
    GetPrivateProfileStringA("LocalSetting", "Current", "", local, MAX_PATH, main.c_str());
    g_path = std::string(dir) + "\\" + local;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = instance;
    wc.lpszClassName = "Krvn_ControllerFloor";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "controller floor", WS_OVERLAPPEDWINDOW, 0, 0, 400, 400,
                                  nullptr, nullptr, instance, nullptr);
    HWND tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, nullptr,
                                WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 0, 0, 380,
                                360, window, nullptr, instance, nullptr);

    DWORD size = 1 << 20;
    for (;;) {
        g_block.resize(size);
        const DWORD n = GetPrivateProfileSectionA("CmdTable", g_block.data(), size, g_path.c_str());
        if (n < size - 2) break;
        size *= 2;
    }
    ShowWindow(window, SW_SHOW);
    SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
    std::unordered_map<std::string, HTREEITEM> byCaption;
    for (const char* line = g_block.data(); *line != '\0'; line += std::strlen(line) + 1) {
        const char* eq = std::strchr(line, '=');
        if (eq == nullptr || std::strncmp(eq - 8, ".caption", 8) != 0) continue;
        const std::string caption = eq + 1;
        const std::size_t slash = caption.rfind('/');
        HTREEITEM parent = TVI_ROOT;
        if (slash != std::string::npos) {
            auto found = byCaption.find(caption.substr(0, slash));
            if (found != byCaption.end()) parent = found->second;
        }
        const std::string name = slash == std::string::npos ? caption : caption.substr(slash + 1);
        TVINSERTSTRUCTA insert = {};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM;
        insert.item.pszText = const_cast<char*>(name.c_str());
        insert.item.lParam = static_cast<LPARAM>(byCaption.size());
        auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
        byCaption.emplace(caption, item);
    }
    SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree, nullptr, TRUE);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
