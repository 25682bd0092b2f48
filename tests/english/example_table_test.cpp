// The example tables the package ships, under the code page of the locale the
// test runs in: each one the code page can show loads, runs in the daemon
// without a box and saves back byte for byte. Built into a Japanese and an
// English test program.
#include "commands/command_table.h"
#include "daemon_test_files.h"
#include "settings/settings_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace daemon_test;
using namespace testing_support;

namespace {

// The example as the package stages it: CR LF lines in the system code page.
std::string StagedExample(const char* name)
{
    const std::string source = ReadFileText(std::string(KORVANE_SOURCE_DIR "/package/") + name);
    std::wstring wide(source.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, source.data(), static_cast<int>(source.size()), &wide[0],
                                    static_cast<int>(wide.size())));
    std::string text(wide.size() * 2, '\0');
    text.resize(WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &text[0],
                                    static_cast<int>(text.size()), nullptr, nullptr));
    std::string lines;
    for (char c : text) {
        if (c == '\n') lines += '\r';
        lines += c;
    }
    return lines;
}

TEST(ExampleTable, EachExampleTheCodePageShowsLoadsRunsAndSaves)
{
    std::vector<const char*> examples = {"local-en.ini"};
    if (GetACP() == 932) examples.push_back("local-ja.ini");
    for (const char* example : examples) {
        SCOPED_TRACE(example);
        ProgramFolder folder({"korvaned.exe"});
        folder.WriteMainSettings("local.ini");
        const std::string text = StagedExample(example);
        ASSERT_TRUE(WriteFileText(folder.File("local.ini"), text));
        // Plain ASCII is the same in every code page.
        if (example == std::string("local-en.ini")) {
            const std::string source = ReadFileText(std::string(KORVANE_SOURCE_DIR "/package/") + example);
            EXPECT_TRUE(std::all_of(source.begin(), source.end(), [](char c) { return (c & 0x80) == 0; }));
        }

        SettingsFile file;
        CommandTable table;
        ASSERT_TRUE(file.Open(folder.File("local.ini").c_str()));
        ASSERT_TRUE(table.Load(file));
        EXPECT_EQ(table.Size(), 17u);
        ASSERT_TRUE(table.Save(file));
        EXPECT_EQ(ReadFileText(folder.File("local.ini")), text);

        Process daemon;
        ASSERT_TRUE(daemon.Start("\"" + folder.Program("korvaned.exe") + "\"", folder.Path()));
        EXPECT_NE(WaitForDaemonStartUp(), nullptr);
        EXPECT_EQ(FindMessageBox(daemon.Id()), nullptr);  // every command and hotkey taken in
        EndDaemon(daemon);
    }
}

} // namespace
