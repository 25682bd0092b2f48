// The floor of the controller's command table page: one section read, the
// same nodes inserted into a tree-view control (each under the first earlier
// node whose caption is its own less the last level), and on the bench's
// "save" message the platform's own cost of the controller's OK, in its
// order: one durable write of the same text (a new file forced to the disk
// and renamed over the old one), the tree view torn down with its items,
// and the remote-control broadcasts an editor sends. The frame window goes
// with the process: hiding a framed window costs Wine two seconds without a
// window manager (it waits for one to withdraw it), which is not the work
// measured.
#include "floor_window.h"
#include "platform/option_lock.h"

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

HWND g_tree = nullptr;

void WriteDurably()
{
    std::string text = "[CmdTable]\r\n";
    for (const char* line = g_block.data(); *line != '\0'; line += std::strlen(line) + 1) {
        text += line;
        text += "\r\n";
    }
    const std::string temporary = g_path + ".floor";
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    FlushFileBuffers(file);
    CloseHandle(file);
    MoveFileExA(temporary.c_str(), g_path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kSaveMessage) {
        WriteDurably();
        DestroyWindow(g_tree);
        // The services stopped while an editor runs, then started again.
        const UINT remote = RegisterWindowMessageA(kRemoteControlMessageName);
        BroadcastRemoteControl(remote, kRemoteStopServices);
        BroadcastRemoteControl(remote, kRemoteStartServices);
        PostQuitMessage(0);
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
    HWND tree = g_tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, nullptr,
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
