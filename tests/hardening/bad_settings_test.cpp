// The four programs started on damaged and unusual settings files: they show
// only their own boxes, end with their exit codes, and never write a file they
// could not read as it is.
#include "editor_test_support.h"
#include "daemon_test_files.h"
#include "settings/settings_file.h"
#include "test_support.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace testing_support;
using namespace editor_test;

namespace {

// What the programs may do to the file they use.
enum class Reading {
    // Read as it is (through the platform, which takes NUL-free text in the
    // system code page and UTF-16 with its mark): a save may rewrite it, but
    // what was read and every byte listed as kept must be there afterwards.
    kRewritable,
    // Not read as it is: a save would write back something else than the
    // file held, so the file must stay byte for byte as it was.
    kUntouchable,
    // Cannot be written at all (a folder, a missing drive): the save fails.
    kUnwritable,
};

struct BadFile {
    const char* label;
    std::string current;            // Current of the main file for the daemon, controller and adder
    std::string local;              // local.ini; empty: none is written
    Reading localReading;
    std::vector<std::string> localKept;
    std::string main;               // the switcher's main settings file
    Reading mainReading;
    std::vector<std::string> mainKept;
};

std::string MainText(const std::string& current)
{
    return "[LocalSetting]\r\nCurrent=" + current +
           "\r\n[ProgramInfo]\r\nDaemon.Path=C:\\Korvane\\korvaned.exe\r\n"
           "Controller.Path=C:\\Korvane\\korvopt.exe\r\nSwitcher.Path=C:\\Korvane\\korvswt.exe\r\n";
}

std::string Utf16(const std::string& utf8)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n);
    return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

std::string Garbage(std::size_t size)
{
    std::string bytes(size, '\0');
    unsigned state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return bytes;
}

// A section of 50 MB in lines of 100 bytes, built once: 50 MB files are never
// committed.
const std::string& Padding()
{
    static std::string text;
    if (text.empty()) {
        text = "[Padding]\r\n";
        char line[128];
        for (int i = 0; text.size() < 50u * 1024 * 1024; ++i) {
            std::snprintf(line, sizeof line, "p%07d=%s\r\n", i, std::string(89, 'x').c_str());
            text += line;
        }
    }
    return text;
}

const std::string kCut = "\x95";   // the first byte of the two of 表

std::vector<BadFile> Corpus(const std::string& missingDrive)
{
    const std::string longCaption(100000, 'c'), longCmdline = "C:\\" + std::string(99997, 'p');
    const std::string longNoValue(100000, 'k'), longCurrent(100000, 'n');
    const std::string garbage = Garbage(64 * 1024);
    const std::string utf16Other = Utf16("[Other]\r\nkey=value\r\n");
    return {
        // NUL bytes end the platform's reading of a value: what follows is lost.
        {"binary garbage", "local.ini", std::string("[CmdTable]\r\ncmd[0].caption=G\0x\r\n", 32) + garbage,
         Reading::kUntouchable, {},
         std::string("[LocalSetting]\r\nCurrent=lo\0cal.ini\r\n", 36) + garbage, Reading::kUntouchable, {}},
        // Plain text, however large, is read as it is; its other section stays.
        {"50 MB file", "local.ini", "[CmdTable]\r\ncmd[0].caption=A\r\ncmd[0].cmdline=a.exe\r\n" + Padding(),
         Reading::kRewritable, {Padding()}, MainText("local.ini") + Padding(), Reading::kRewritable, {Padding()}},
        // Long values are read whole (the reads grow their buffers) and written back whole.
        {"lines of 100,000 characters", "local.ini",
         "[CmdTable]\r\ncmd[0].caption=" + longCaption + "\r\ncmd[0].cmdline=" + longCmdline + "\r\n[Other]\r\n" +
             longNoValue + "\r\n",
         Reading::kRewritable, {"cmd[0].caption=" + longCaption + "\r\n", "cmd[0].cmdline=" + longCmdline + "\r\n"},
         "[LocalSetting]\r\nCurrent=" + longCurrent + "\r\n[ProgramInfo]\r\nDaemon.Path=" + longCmdline + "\r\n",
         Reading::kRewritable, {"Daemon.Path=" + longCmdline + "\r\n"}},
        // A key without "=" reads as an empty value.
        {"keys without values", "local.ini",
         "[CmdTable]\r\ncmd[0].caption=A\r\ncmd[0].cmdline\r\ncmd[0].hotkey\r\ncmd[1].caption\r\ncmd[2].caption=C\r\n",
         Reading::kRewritable, {},
         "[LocalSetting]\r\nCurrent\r\n[ProgramInfo]\r\nDaemon.Path\r\nController.Path=C:\\k\\korvopt.exe\r\n",
         Reading::kRewritable, {}},
        // The platform takes the first of two equal keys.
        {"duplicate keys", "local.ini",
         "[CmdTable]\r\ncmd[0].caption=First\r\ncmd[0].cmdline=first.exe\r\ncmd[0].caption=Second\r\n"
         "cmd[0].cmdline=second.exe\r\n",
         Reading::kRewritable, {},
         "[LocalSetting]\r\nCurrent=first.ini\r\nCurrent=second.ini\r\n[ProgramInfo]\r\nDaemon.Path=first.exe\r\n"
         "Daemon.Path=second.exe\r\n",
         Reading::kRewritable, {}},
        // The platform reads the first of two sections of one name; the second is left alone.
        {"repeated section", "local.ini",
         "[CmdTable]\r\ncmd[0].caption=A\r\n[Other]\r\nkey=value\r\n[CmdTable]\r\ncmd[1].caption=B\r\n",
         Reading::kRewritable, {"[Other]\r\nkey=value\r\n", "[CmdTable]\r\ncmd[1].caption=B\r\n"},
         "[LocalSetting]\r\nCurrent=a.ini\r\n[ProgramInfo]\r\nDaemon.Path=d.exe\r\n[LocalSetting]\r\nCurrent=b.ini\r\n",
         Reading::kRewritable, {"[LocalSetting]\r\nCurrent=b.ini\r\n"}},
        // A lone lead byte reads as another character, which a save would write.
        {"Shift-JIS cut in a character", "local.ini",
         "[CmdTable]\r\ncmd[0].caption=" + Sjis("表示") + "\r\ncmd[0].cmdline=C:\\" + kCut +
             "\r\ncmd[1].caption=B" + kCut,
         Reading::kUntouchable, {}, "[LocalSetting]\r\nCurrent=" + kCut + "\r\n[ProgramInfo]\r\nDaemon.Path=C:\\" + kCut,
         Reading::kUntouchable, {}},
        // Bytes the code page does not map, in lines no save replaces, are kept as they are.
        {"unmapped bytes outside what is saved", "local.ini",
         "[Notes]\r\nn=a\xA0" "b\r\n[CmdTable]\r\ncmd[0].caption=A\r\ncmd[0].cmdline=a.exe\r\n",
         Reading::kRewritable, {"[Notes]\r\nn=a\xA0" "b\r\n"}, MainText("local.ini") + "[Notes]\r\nn=\xFD\xFE\xFF\r\n",
         Reading::kRewritable, {"[Notes]\r\nn=\xFD\xFE\xFF\r\n"}},
        // Windows takes the UTF-8 mark as part of the first line and the text
        // as Shift-JIS. (Wine reads the file as UTF-8.)
        {"UTF-8 with a byte-order mark", "local.ini",
         "\xEF\xBB\xBF[CmdTable]\r\ncmd[0].caption=\xE8\xA1\xA8\xE7\xA4\xBA\r\ncmd[0].cmdline=a.exe\r\n",
         Reading::kUntouchable, {}, "\xEF\xBB\xBF" + MainText("\xE8\xA1\xA8.ini"), Reading::kUntouchable, {}},
        // The platform reads and writes UTF-16 with its mark.
        {"UTF-16 with a byte-order mark", "local.ini",
         "\xFF\xFE" + Utf16("[CmdTable]\r\ncmd[0].caption=\xE8\xA1\xA8\xE7\xA4\xBA\r\ncmd[0].cmdline=a.exe\r\n") +
             utf16Other,
         Reading::kRewritable, {utf16Other}, "\xFF\xFE" + Utf16(MainText("\xE8\xA1\xA8.ini")) + utf16Other,
         Reading::kRewritable, {utf16Other}},
        // Nothing can be written there: a save fails, and says so.
        {"Current names a folder", "sub", "", Reading::kUnwritable, {}, MainText("sub"), Reading::kRewritable, {}},
        {"Current names a missing drive", missingDrive + "\\korvane\\local.ini", "", Reading::kUnwritable, {},
         MainText(missingDrive + "\\korvane\\local.ini"), Reading::kRewritable, {}},
        // The main file is a readable settings file like any other.
        {"Current names the main settings file", "_setting.ini", "", Reading::kRewritable,
         {"Current=_setting.ini\r\n", "Switcher.Path=C:\\Korvane\\korvswt.exe\r\n"}, MainText("_setting.ini"),
         Reading::kRewritable, {}},
    };
}

// A drive letter that is not mapped, as "X:".
std::string MissingDrive()
{
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Y'; letter > 'D'; --letter) {
        if (!(drives & (1u << (letter - 'A')))) return std::string(1, letter) + ":";
    }
    return "B:";
}

// The text matches a format of the string table: its literal parts in order.
bool MatchesFormat(const std::string& text, const std::string& format)
{
    std::size_t at = 0, from = 0;
    for (;;) {
        const std::size_t mark = format.find('%', from);
        const std::string part = format.substr(from, mark == std::string::npos ? std::string::npos : mark - from);
        const std::size_t found = text.find(part, at);
        if (found == std::string::npos || (from == 0 && found != 0)) return false;
        at = found + part.size();
        if (mark == std::string::npos) return at == text.size();
        from = mark + 2;
    }
}

class BadSettingsTest : public ::testing::Test {
protected:
    BadSettingsTest() : folder_({"korvaned.exe", "korvopt.exe", "korvadd.exe", "korvswt.exe"}) {}

    ~BadSettingsTest() override
    {
        // The texts of every box, for the record.
        for (const std::string& line : record_) std::printf("%s\n", line.c_str());
    }

    std::string Main() const { return folder_.File("_setting.ini"); }
    std::string Subject(const BadFile& c) const
    {
        return c.current.size() > 1 && c.current[1] == ':' ? c.current : folder_.File(c.current);
    }

    // Lays out the folder for one case: the main file naming `current`, the
    // local file, a folder `sub` and a file to add.
    void Lay(const BadFile& c, const std::string& main)
    {
        DeleteFileA(folder_.File("local.ini").c_str());
        RemoveTree(folder_.File("sub"));
        CreateDirectoryA(folder_.File("sub").c_str(), nullptr);
        ASSERT_TRUE(WriteFileText(Main(), main));
        if (!c.local.empty()) {
            ASSERT_TRUE(WriteFileText(folder_.File("local.ini"), c.local));
        }
        ASSERT_TRUE(WriteFileText(folder_.File("f.txt"), "x"));
        mainBefore_ = ReadFileText(Main());
        subjectBefore_ = ReadFileText(Subject(c));
        tableBefore_ = LoadedLines(Subject(c));
    }

    // Boxes may show only the given formats; each is recorded.
    void CheckBoxes(const BadFile& c, const char* run, const std::vector<BoxText>& boxes,
                    const std::vector<std::string>& formats)
    {
        for (const BoxText& box : boxes) {
            record_.push_back(std::string(c.label) + " / " + run + ": [" + box.title + "] " + box.text);
            bool known = false;
            for (const std::string& format : formats) known = known || MatchesFormat(box.text, Sjis(format.c_str()));
            EXPECT_TRUE(known && box.title == Sjis("エラー - Korvane")) << run << ": " << box.title << " " << box.text;
        }
    }

    // Runs an editing program without a window to its end, answering its boxes.
    DWORD RunEditor(const char* exe, const std::string& args, std::vector<BoxText>& boxes)
    {
        Process editor;
        if (!StartProgram(editor, folder_.Program(exe), args)) {
            ADD_FAILURE() << exe << " could not be started";
            return static_cast<DWORD>(-1);
        }
        BoxAnswerer answerer(IDOK, editor.Id());
        const DWORD code = WaitPumping(editor, 120000);
        boxes = answerer.Boxes();
        return code;
    }

    // The files after a program that must not have written.
    void ExpectUntouched(const BadFile& c)
    {
        EXPECT_TRUE(ReadFileText(Main()) == mainBefore_) << "main settings file changed";
        EXPECT_TRUE(ReadFileText(Subject(c)) == subjectBefore_) << "settings file changed";
    }

    // The files after a save of the table programs: `added` are the lines
    // the save appends to what was read.
    void ExpectSaved(const BadFile& c, const Lines& added)
    {
        ExpectSavedFiles(c, added);
    }

    void ExpectSavedFiles(const BadFile& c, const Lines& added)
    {
        const std::string after = ReadFileText(Subject(c));
        switch (c.localReading) {
        case Reading::kUntouchable:
            EXPECT_TRUE(after == subjectBefore_) << "a file that cannot be read as it is was written";
            break;
        case Reading::kUnwritable:
            EXPECT_FALSE(FileExists(folder_.File("local.ini")));
            EXPECT_TRUE(RemoveDirectoryA(folder_.File("sub").c_str())) << "the folder is no longer empty";
            CreateDirectoryA(folder_.File("sub").c_str(), nullptr);
            break;
        case Reading::kRewritable:
            EXPECT_EQ(StoredLines(Subject(c)), Concat(tableBefore_, added));
            ExpectKept(after, subjectBefore_, c.localKept);
            break;
        }
        if (c.current != "_setting.ini") {
            EXPECT_TRUE(ReadFileText(Main()) == mainBefore_) << "main file changed";
        }
    }

    static void ExpectKept(const std::string& after, const std::string& before, const std::vector<std::string>& kept)
    {
        for (const std::string& bytes : kept) {
            EXPECT_NE(after.find(bytes), std::string::npos) << "lost: " << bytes.substr(0, 60);
        }
        for (const char* mark : {"\xFF\xFE", "\xEF\xBB\xBF"}) {
            if (before.rfind(mark, 0) == 0) {
                EXPECT_EQ(after.rfind(mark, 0), 0u) << "byte-order mark lost";
            }
        }
    }

    ProgramFolder folder_;
    RemoteListener listener_;
    std::string mainBefore_, subjectBefore_;
    Lines tableBefore_;
    std::vector<std::string> record_;
    std::string run_;
};

const std::vector<std::string> kDaemonBoxes = {
    "コマンド「%s」に割り当てられているホットキー「%s」を読み込めません。深刻な空きメモリ容量不足か、プログラミングミスです。",
    "コマンド「%s」をコマンドメニューのアイテムとして登録できません。多くの場合、深刻なシステムリソース不足です。",
    "ホットキー「%s」をシステムに登録できません。多くの場合、指定された組み合わせのホットキーは、既に他のアプリケーションにより使用されています。",
    "シェル拡張サービスの設定を読み込めません。多くの場合、設定ファイルが破損しているか、深刻な空きメモリ容量不足です。",
    "コマンドテーブルを読み込めません。ローカル設定ファイルが破損しているか、空きメモリ容量が不足している可能性があります。",
};

TEST_F(BadSettingsTest, DaemonStartsAndEndsOnEveryFileWithoutWriting)
{
    for (const BadFile& c : Corpus(MissingDrive())) {
        SCOPED_TRACE(c.label);
        Lay(c, MainText(c.current));
        Process daemon;
        ASSERT_TRUE(daemon.Start("\"" + folder_.Program("korvaned.exe") + "\"", folder_.Path()));
        std::vector<BoxText> boxes;
        {
            BoxAnswerer answerer(IDOK, daemon.Id());
            EXPECT_NE(daemon_test::WaitForDaemonStartUp(60000), nullptr);
            daemon_test::EndDaemon(daemon);
            boxes = answerer.Boxes();
        }
        EXPECT_EQ(daemon.Wait(0), 0u);
        CheckBoxes(c, "daemon", boxes, kDaemonBoxes);
        ExpectUntouched(c);
    }
}

// Until the controller ends or shows a box: records and answers the box
// (the answerer of the other programs would take the sheet, a dialog too,
// for one); true when a box was shown. A box of another title holds the
// controller until the time is up.
bool AnswerControllerBox(Process& controller, std::vector<BoxText>& boxes, DWORD timeoutMs = 60000)
{
    HWND box = nullptr;
    WaitFor([&] {
        box = FindDialog(controller.Id(), Sjis("エラー - Korvane"));
        return box != nullptr || controller.Wait(0) != STILL_ACTIVE;
    }, timeoutMs);
    if (box == nullptr) return false;
    boxes.push_back(ReadMessageBox(box));
    AnswerMessageBox(box, IDOK);
    WaitFor([&] { return !IsWindow(box); });
    return true;
}

const std::vector<std::string> kControllerBoxes = {
    "コマンド名が正しくありません。名前が指定されていないか、又は:(コロン)、'(シングルコーテーション)、\"(ダブルコーテーション)、\\(バックスラッシュ/エンマーク)、/(スラッシュ)が含まれています。",
    "コマンドテーブルに無効又は旧式なコマンドが含まれている為変更を保存できません。旧式コマンドは新しい形式に編集してください。",
    "コマンドテーブルを保存できませんでした。設定ファイル %s に書き込めません。",
};

TEST_F(BadSettingsTest, ControllerOpensOnEveryFileAndSavesOnlyWhatItRead)
{
    for (const BadFile& c : Corpus(MissingDrive())) {
        for (const int button : {PSBTN_CANCEL, PSBTN_OK}) {
            const char* run = button == PSBTN_OK ? "controller OK" : "controller Cancel";
            run_ = std::string(c.label) + " / " + run;
            SCOPED_TRACE(run_);
            Lay(c, MainText(c.current));
            Process controller;
            // A local file is named on the command line, the others through Current.
            const std::string args = c.local.empty() ? "" : " \"" + folder_.File("local.ini") + "\"";
            ASSERT_TRUE(controller.Start("\"" + folder_.Program("korvopt.exe") + "\"" + args, folder_.Path()));
            HWND sheet = WaitForDialog(controller.Id(), Sjis("オプションと情報:") + Subject(c), 60000);
            ASSERT_NE(sheet, nullptr);
            PostMessageA(sheet, PSM_PRESSBUTTON, button, 0);
            std::vector<BoxText> boxes;
            // A refused OK keeps the sheet open after its box.
            if (AnswerControllerBox(controller, boxes) && controller.Wait(0) == STILL_ACTIVE) {
                PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            }
            EXPECT_EQ(WaitPumping(controller), 0u);
            CheckBoxes(c, run, boxes, kControllerBoxes);
            if (button == PSBTN_CANCEL) {
                EXPECT_TRUE(boxes.empty());
                ExpectUntouched(c);
            } else {
                // A file that cannot be read as it is may be refused as well.
                if (c.localReading != Reading::kUntouchable) {
                    EXPECT_EQ(boxes.size(), c.localReading == Reading::kUnwritable ? 1u : 0u);
                }
                ExpectSaved(c, {});
            }
        }
    }
}

const std::vector<std::string> kAdderBoxes = {
    "コマンドを追加できません。指定されたファイルの名前「%s」はコマンド名として使えません。",
    "設定ファイル「%s」に書き込めません。コマンドは追加されませんでした。",
};

TEST_F(BadSettingsTest, AdderRunsOnEveryFileAndSavesOnlyWhatItRead)
{
    for (const BadFile& c : Corpus(MissingDrive())) {
        for (const bool withFile : {false, true}) {
            const char* run = withFile ? "adder with a file" : "adder without arguments";
            run_ = std::string(c.label) + " / " + run;
            SCOPED_TRACE(run_);
            Lay(c, MainText(c.current));
            const std::string file = folder_.File("f.txt");
            std::vector<BoxText> boxes;
            const DWORD code = RunEditor("korvadd.exe", withFile ? file : "", boxes);
            CheckBoxes(c, run, boxes, kAdderBoxes);
            // 2: the save failed, and its box said so.
            switch (c.localReading) {
            case Reading::kRewritable: EXPECT_EQ(code, 0u); break;
            case Reading::kUnwritable: EXPECT_EQ(code, 2u); break;
            case Reading::kUntouchable: EXPECT_TRUE(code == 0u || code == 2u) << code; break;
            }
            EXPECT_EQ(boxes.size(), code == 2u ? 1u : 0u);
            ExpectSaved(c, withFile ? AddedLines(static_cast<int>(tableBefore_.size() / 6), "f", file) : Lines());
        }
    }
}

TEST_F(BadSettingsTest, SwitcherRunsOnEveryMainFileAndSavesOnlyWhatItRead)
{
    const char* keys[] = {"Daemon.Path", "Controller.Path", "Switcher.Path"};
    for (const BadFile& c : Corpus(MissingDrive())) {
        run_ = std::string(c.label) + " / switcher";
        SCOPED_TRACE(run_);
        Lay(c, c.main);
        std::vector<std::string> paths;
        SettingsFile main;
        main.Open(Main().c_str());
        for (const char* key : keys) {
            paths.emplace_back();
            main.ReadString("ProgramInfo", key, paths.back());
        }
        std::vector<BoxText> boxes;
        const DWORD code = RunEditor("korvswt.exe", "new.ini", boxes);
        CheckBoxes(c, "switcher", boxes,
                   {"メイン設定ファイル「%s」に書き込めません。現在の設定ファイルは変更されませんでした。"});
        EXPECT_EQ(boxes.size(), code == 2u ? 1u : 0u);
        EXPECT_TRUE(code == 0u || (code == 2u && c.mainReading == Reading::kUntouchable)) << code;
        [&] {
            const std::string after = ReadFileText(Main());
            if (c.mainReading == Reading::kUntouchable) {
                EXPECT_TRUE(after == mainBefore_) << "a main file that cannot be read as it is was written";
                return;
            }
            std::string current;
            main.ReadString("LocalSetting", "Current", current);
            EXPECT_EQ(current, "new.ini");
            for (int i = 0; i < 3; ++i) {
                std::string path;
                main.ReadString("ProgramInfo", keys[i], path);
                EXPECT_TRUE(path == paths[i]) << keys[i] << " changed";
            }
            ExpectKept(after, mainBefore_, c.mainKept);
        }();
    }
}

} // namespace
