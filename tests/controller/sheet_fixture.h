#pragma once

// Opens the controller's sheet modeless in the test process on a settings
// file of a temporary folder, and reads its tree control back.

#include "command_table_page.h"
#include "options_sheet.h"
#include "settings/settings_file.h"
#include "test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Records and answers, from a thread of its own, the error boxes (title
// "エラー - Korvane") of one process. The shared BoxAnswerer takes any
// dialog, and a property sheet is a dialog too.
class ErrorBoxes {
public:
    explicit ErrorBoxes(DWORD processId = GetCurrentProcessId());
    ~ErrorBoxes();
    std::vector<std::string> Texts() const;
    bool WaitFor(size_t count, DWORD timeoutMs = 5000) const;

private:
    DWORD processId_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    mutable std::mutex lock_;
    std::vector<std::string> texts_;
    std::thread thread_;
};

// A visible error box of the process, or null.
HWND FindErrorBox(DWORD processId = GetCurrentProcessId());

// UTF-8 source text in the code page the programs use, and back.
std::string Sjis(const char* utf8);
std::string Utf8(const std::string& sjis);

class SheetTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the local settings file (UTF-8 text, stored as Shift-JIS).
    void WriteLocal(const std::string& utf8);
    void WriteTable(const std::vector<std::string>& captions);
    std::string LocalText() const { return testing_support::ReadFileText(localPath_); }
    void OpenSheet();
    void OpenSheetOn(const std::string& path);
    // Presses a sheet button and pumps; true when the sheet has closed.
    bool Press(int button);

    HWND Page() const { return PropSheet_GetCurrentPageHwnd(sheet_); }
    CommandTablePage& TablePage() const;
    HWND TreeView() const { return GetDlgItem(tablePage_, IDC_TREE_ID); }
    // The tree as shown: labels, children in parentheses (UTF-8).
    std::string Shown() const;
    HTREEITEM FindItem(const char* utf8Label) const;
    std::string Saved(const char* section, const char* key) const;

    static constexpr int IDC_TREE_ID = 1000;
    testing_support::TempDir dir_;
    std::string localPath_;
    SettingsFile settings_;
    HWND sheet_ = nullptr;
    HWND tablePage_ = nullptr;
};
