#include "sheet_fixture.h"

#include <vector>

using namespace testing_support;

std::string Sjis(const char* utf8)
{
    wchar_t wide[2048];
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 2048);
    char out[4096];
    WideCharToMultiByte(932, 0, wide, n, out, sizeof out, nullptr, nullptr);
    return out;
}

std::string Utf8(const std::string& sjis)
{
    wchar_t wide[2048];
    const int n = MultiByteToWideChar(932, 0, sjis.c_str(), -1, wide, 2048);
    char out[4096];
    WideCharToMultiByte(CP_UTF8, 0, wide, n, out, sizeof out, nullptr, nullptr);
    return out;
}

namespace {
struct ErrorBoxSearch {
    DWORD processId;
    std::string title;
    HWND found;
};

BOOL CALLBACK FindErrorBoxProc(HWND window, LPARAM param)
{
    auto& search = *reinterpret_cast<ErrorBoxSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[32] = {}, title[128] = {};
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, title, sizeof title);
    if (pid == search.processId && IsWindowVisible(window) && std::string(cls) == "#32770" && title == search.title) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND FindErrorBox(DWORD processId)
{
    ErrorBoxSearch search = {processId, Sjis("エラー - Korvane"), nullptr};
    EnumWindows(FindErrorBoxProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

ErrorBoxes::ErrorBoxes(DWORD processId) : processId_(processId)
{
    thread_ = std::thread([this] {
        HWND last = nullptr;
        while (!stop_) {
            HWND box = FindErrorBox(processId_);
            if (box && box != last) {
                const std::string text = ReadMessageBox(box).text;
                std::lock_guard<std::mutex> hold(lock_);
                texts_.push_back(text);
            }
            // Answered again until it is gone: a box pressed before it is
            // ready to take the press stays open otherwise.
            if (box)
                AnswerMessageBox(box, IDOK);
            last = box;
            Sleep(box ? 50 : 20);
        }
        done_ = true;
    });
}

ErrorBoxes::~ErrorBoxes()
{
    // Reading a box sends it messages that this thread must pump.
    stop_ = true;
    testing_support::WaitFor([this] { return done_.load(); }, 10000);
    thread_.join();
}

std::vector<std::string> ErrorBoxes::Texts() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return texts_;
}

bool ErrorBoxes::WaitFor(size_t count, DWORD timeoutMs) const
{
    return testing_support::WaitFor([&] { return Texts().size() >= count; }, timeoutMs);
}

void SheetTest::SetUp()
{
    static bool initialised = false;
    if (!initialised) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                                              ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        initialised = true;
    }
    localPath_ = dir_.File("local.ini");
}

void SheetTest::TearDown()
{
    if (sheet_ && IsWindow(sheet_)) {
        if (Page())
            Press(PSBTN_CANCEL);
        DestroyWindow(sheet_);
    }
}

void SheetTest::WriteLocal(const std::string& utf8)
{
    ASSERT_TRUE(WriteFileText(localPath_, Sjis(utf8.c_str())));
}

void SheetTest::WriteTable(const std::vector<std::string>& captions)
{
    std::string text = "[CmdTable]\r\n";
    for (size_t i = 0; i < captions.size(); ++i)
        text += "cmd[" + std::to_string(i) + "].caption=" + captions[i] + "\r\n" + "cmd[" + std::to_string(i) +
                "].cmdline=run" + std::to_string(i) + "\r\n";
    WriteLocal(text);
}

void SheetTest::OpenSheet() { OpenSheetOn(localPath_); }

void SheetTest::OpenSheetOn(const std::string& path)
{
    ASSERT_TRUE(settings_.Open(path.c_str()));
    sheet_ = reinterpret_cast<HWND>(ShowOptionsSheet(GetModuleHandleA(nullptr), settings_, true));
    ASSERT_NE(sheet_, nullptr);
    tablePage_ = Page();
    ASSERT_NE(tablePage_, nullptr);
    WaitFor([] { return false; }, 50);
}

bool SheetTest::Press(int button)
{
    SendMessageA(sheet_, PSM_PRESSBUTTON, button, 0);
    return WaitFor([&] { return Page() == nullptr; }, 500);
}

CommandTablePage& SheetTest::TablePage() const
{
    return *static_cast<CommandTablePage*>(DialogObjectOf(tablePage_));
}

static std::string ItemText(HWND tree, HTREEITEM item)
{
    char text[512] = {};
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    return Utf8(text);
}

static std::string ShownFrom(HWND tree, HTREEITEM item)
{
    std::string out;
    for (; item; item = TreeView_GetNextSibling(tree, item)) {
        if (!out.empty())
            out += ' ';
        out += ItemText(tree, item);
        if (HTREEITEM child = TreeView_GetChild(tree, item))
            out += "(" + ShownFrom(tree, child) + ")";
    }
    return out;
}

std::string SheetTest::Shown() const { return ShownFrom(TreeView(), TreeView_GetRoot(TreeView())); }

static HTREEITEM FindFrom(HWND tree, HTREEITEM item, const std::string& label)
{
    for (; item; item = TreeView_GetNextSibling(tree, item)) {
        if (ItemText(tree, item) == label)
            return item;
        if (HTREEITEM found = FindFrom(tree, TreeView_GetChild(tree, item), label))
            return found;
    }
    return nullptr;
}

HTREEITEM SheetTest::FindItem(const char* utf8Label) const
{
    return FindFrom(TreeView(), TreeView_GetRoot(TreeView()), utf8Label);
}

std::string SheetTest::Saved(const char* section, const char* key) const
{
    char value[1024] = {};
    GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, localPath_.c_str());
    return Utf8(value);
}
