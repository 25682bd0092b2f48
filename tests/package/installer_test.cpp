// The per-user installer, run silently as a test or a deployment would: its
// files and shortcuts, an update over it that starts the daemon it ended
// again, and the uninstaller ending a running daemon, keeping the user's
// settings, waiting for the editing programs and reporting what it left.
#include "daemon_test_files.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <string>

using namespace daemon_test;
using namespace testing_support;

namespace {

std::string Folder(int csidl)
{
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return std::string();
    return std::string(path) + "\\";
}

// The program a shortcut starts, or empty when it cannot be read.
std::string ShortcutTarget(const std::string& link)
{
    std::string target;
    IShellLinkA* shell = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shell)))) {
        return target;
    }
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t wide[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
        char path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(shell->GetPath(path, MAX_PATH, nullptr, 0))) {
            target = path;
        }
        file->Release();
    }
    shell->Release();
    return target;
}

std::string SetupPath()
{
    std::string path = "Z:" KORVANE_SETUP_PATH;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

bool UninstallEntryPresent()
{
    return RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvane",
                        "UninstallString", RRF_RT_REG_SZ, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// The running daemon's process, opened to wait for it, and its program.
HANDLE OpenDaemonProcess(std::string& program)
{
    DWORD id = 0;
    GetWindowThreadProcessId(FindDaemonWindow(), &id);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, id);
    char path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (process != nullptr && QueryFullProcessImageNameA(process, 0, path, &size)) program = path;
    return process;
}

class Com {
public:
    Com() { CoInitialize(nullptr); }
    ~Com() { CoUninitialize(); }
};

TEST(PackageInstaller, InstallsPerUserUpdatesAndUninstallsKeepingTheSettings)
{
    Com com;
    const std::string setup = SetupPath();
    ASSERT_TRUE(FileExists(setup)) << setup;
    const std::string dir = Folder(CSIDL_LOCAL_APPDATA) + "Programs\\Korvane\\";
    const std::string menu = Folder(CSIDL_PROGRAMS) + "Korvane\\";
    const std::string sendTo = Folder(CSIDL_SENDTO) + "Korvane.lnk";
    const std::string startup = Folder(CSIDL_STARTUP) + "Korvane.lnk";
    RemoveTree(dir);
    const char* const programs[] = {"korvaned.exe", "korvopt.exe", "korvadd.exe", "korvswt.exe"};

    ASSERT_EQ(RunProgram("\"" + setup + "\" /S", 60000), 0u);
    for (const char* file : programs) EXPECT_TRUE(FileExists(dir + file)) << file;
    for (const char* file : {"_setting.ini", "local.ini", "readme.txt", "uninstall.exe"}) {
        EXPECT_TRUE(FileExists(dir + file)) << file;
    }
    EXPECT_NE(ReadFileText(dir + "_setting.ini").find("Controller.Path=korvopt.exe"), std::string::npos);
    // The example table in the installer's language: "メモ帳" in Shift-JIS.
    EXPECT_NE(ReadFileText(dir + "local.ini").find("cmd[0].caption=\x83\x81\x83\x82\x92\xa0\r\n"), std::string::npos);
    EXPECT_EQ(ShortcutTarget(sendTo), dir + "korvadd.exe");
    EXPECT_EQ(ShortcutTarget(startup), dir + "korvaned.exe");
    for (const char* name : {"Korvane.lnk", "Korvane オプション.lnk", "Korvane 設定ファイルの切り替え.lnk"}) {
        EXPECT_TRUE(FileExists(menu + Ansi(name))) << name;
    }

    const std::string mine = "[CmdTable]\r\ncmd[0].caption=Mine\r\ncmd[0].cmdline=notepad.exe\r\n";
    ASSERT_TRUE(WriteFileText(dir + "local.ini", mine));
    ASSERT_TRUE(WriteFileText(dir + "mine.ini", mine));
    Process daemon;
    ASSERT_TRUE(daemon.Start("\"" + dir + "korvaned.exe\"", dir));
    ASSERT_NE(WaitForDaemonStartUp(), nullptr);
    EXPECT_EQ(RunProgram("\"" + setup + "\" /S", 60000), 0u);
    EXPECT_EQ(ReadFileText(dir + "local.ini"), mine);  // the update keeps the user's table
    // The daemon it ended to replace the program runs again, the new program.
    EXPECT_EQ(daemon.Wait(10000), 0u);
    ASSERT_NE(WaitForDaemonStartUp(), nullptr);
    std::string program;
    HANDLE restarted = OpenDaemonProcess(program);
    ASSERT_NE(restarted, nullptr);
    EXPECT_EQ(_stricmp(program.c_str(), (dir + "korvaned.exe").c_str()), 0) << program;

    // _?= keeps the uninstaller in place, so that its end is the end of the work.
    const std::string folder = dir.substr(0, dir.size() - 1);
    EXPECT_EQ(RunProgram("\"" + dir + "uninstall.exe\" /S _?=" + folder, 60000), 0u);
    // Ended by code 3, not killed.
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(restarted, 10000) != WAIT_OBJECT_0) TerminateProcess(restarted, 1);
    EXPECT_TRUE(GetExitCodeProcess(restarted, &code) && code == 0) << code;
    CloseHandle(restarted);
    EXPECT_FALSE(UninstallEntryPresent());
    for (const char* file : programs) EXPECT_FALSE(FileExists(dir + file)) << file;
    for (const std::string& link : {sendTo, startup, menu}) EXPECT_FALSE(FileExists(link)) << link;
    EXPECT_EQ(ReadFileText(dir + "local.ini"), mine);
    EXPECT_EQ(ReadFileText(dir + "mine.ini"), mine);
    EXPECT_TRUE(FileExists(dir + "_setting.ini"));
    RemoveTree(dir);
}

TEST(PackageInstaller, UninstallWaitsForTheEditorsAndReportsWhatItCouldNotRemove)
{
    const std::string setup = SetupPath();
    ASSERT_TRUE(FileExists(setup)) << setup;
    const std::string dir = Folder(CSIDL_LOCAL_APPDATA) + "Programs\\Korvane\\";
    const std::string folder = dir.substr(0, dir.size() - 1);
    const std::string uninstall = "\"" + dir + "uninstall.exe\" /S _?=" + folder;
    RemoveTree(dir);
    ASSERT_EQ(RunProgram("\"" + setup + "\" /S", 60000), 0u);
    const char* const programs[] = {"korvaned.exe", "korvopt.exe", "korvadd.exe", "korvswt.exe"};
    {
        SCOPED_TRACE("an editor stays open: after a bounded wait nothing is removed");
        HANDLE editor = CreateMutexA(nullptr, TRUE, "Korvane_OptionMutex");
        EXPECT_EQ(RunProgram(uninstall, 60000), 2u);
        CloseHandle(editor);
        for (const char* file : programs) EXPECT_TRUE(FileExists(dir + file)) << file;
        EXPECT_TRUE(UninstallEntryPresent());
    }
    {
        SCOPED_TRACE("an editor that closes is waited for; a file held open is reported and kept");
        const std::string stale = dir + "kvn1f0-2.tmp";   // of a save that was killed
        ASSERT_TRUE(WriteFileText(stale, "[CmdTable]\r\n"));
        HANDLE held = CreateFileA((dir + "readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        HANDLE editor = CreateMutexA(nullptr, TRUE, "Korvane_OptionMutex");
        Process run;
        ASSERT_TRUE(run.Start(uninstall));
        EXPECT_EQ(run.Wait(2000), static_cast<DWORD>(STILL_ACTIVE));
        EXPECT_TRUE(FileExists(dir + "korvaned.exe"));
        CloseHandle(editor);   // the mutex goes with its only handle
        EXPECT_EQ(run.Wait(60000), 3u);
        CloseHandle(held);
        for (const char* file : programs) EXPECT_FALSE(FileExists(dir + file)) << file;
        EXPECT_FALSE(FileExists(stale));
        EXPECT_TRUE(FileExists(dir + "readme.txt"));
        // Left to be finished: the entry and its uninstaller stay.
        EXPECT_TRUE(UninstallEntryPresent());
        EXPECT_TRUE(FileExists(dir + "uninstall.exe"));
    }
    {
        SCOPED_TRACE("run again without the settings: the folder goes");
        for (const char* file : {"_setting.ini", "local.ini"}) ASSERT_TRUE(DeleteFileA((dir + file).c_str()));
        ASSERT_TRUE(WriteFileText(dir + "kvn2a-0.tmp", ""));
        // Run as the system runs it: from a copy of itself, which removes the
        // folder after the uninstaller has returned.
        EXPECT_EQ(RunProgram("\"" + dir + "uninstall.exe\" /S", 60000), 0u);
        EXPECT_TRUE(WaitFor([&] { return !FileExists(folder); }, 30000));
        EXPECT_FALSE(UninstallEntryPresent());
    }
    RemoveTree(dir);
}

} // namespace
