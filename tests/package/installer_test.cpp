// The per-user installer, run silently as a test or a deployment would: its
// files and shortcuts, an update over it, and the uninstaller ending a
// running daemon and keeping the user's settings.
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
    EXPECT_EQ(ShortcutTarget(sendTo), dir + "korvadd.exe");
    EXPECT_EQ(ShortcutTarget(startup), dir + "korvaned.exe");
    for (const char* name : {"Korvane.lnk", "Korvane オプション.lnk", "Korvane 設定ファイルの切り替え.lnk"}) {
        EXPECT_TRUE(FileExists(menu + Ansi(name))) << name;
    }

    const std::string mine = "[CmdTable]\r\ncmd[0].caption=Mine\r\ncmd[0].cmdline=notepad.exe\r\n";
    ASSERT_TRUE(WriteFileText(dir + "local.ini", mine));
    ASSERT_TRUE(WriteFileText(dir + "mine.ini", mine));
    EXPECT_EQ(RunProgram("\"" + setup + "\" /S", 60000), 0u);
    EXPECT_EQ(ReadFileText(dir + "local.ini"), mine);  // the update keeps the user's table

    Process daemon;
    ASSERT_TRUE(daemon.Start("\"" + dir + "korvaned.exe\"", dir));
    ASSERT_NE(WaitForDaemonStartUp(), nullptr);
    // _?= keeps the uninstaller in place, so that its end is the end of the work.
    const std::string folder = dir.substr(0, dir.size() - 1);
    EXPECT_EQ(RunProgram("\"" + dir + "uninstall.exe\" /S _?=" + folder, 60000), 0u);
    EXPECT_EQ(daemon.Wait(10000), 0u);  // ended by code 3, not killed
    for (const char* file : programs) EXPECT_FALSE(FileExists(dir + file)) << file;
    for (const std::string& link : {sendTo, startup, menu}) EXPECT_FALSE(FileExists(link)) << link;
    EXPECT_EQ(ReadFileText(dir + "local.ini"), mine);
    EXPECT_EQ(ReadFileText(dir + "mine.ini"), mine);
    EXPECT_TRUE(FileExists(dir + "_setting.ini"));
    RemoveTree(dir);
}

} // namespace
