#include "elevated_start.h"
#include "exec_test_support.h"
#include "launch_options.h"

#include <gtest/gtest.h>

#include <string>

using namespace exec_test;
using namespace testing_support;

namespace {

// Wine runs the "runas" verb as "open", without a consent prompt; Windows asks
// first, and a declined prompt (ERROR_CANCELLED) is kCancelled, which no
// test here can press.
TEST(StartElevated, SplitsTheLineAndKeepsFolderAndWindowState)
{
    Recorder recorder;
    TempDir work;
    std::string folder = work.Path();
    folder.pop_back();
    BoxAnswerer boxes;
    const LaunchRequest request{"\"" + recorder.Exe() + "\" one \"two three\"", work.Path(), SW_SHOWMINNOACTIVE};
    ASSERT_EQ(StartElevated(request), ElevatedStart::kStarted);
    Record record;
    ASSERT_TRUE(recorder.WaitForRecord(record));
    const std::string arguments = " one \"two three\"";
    ASSERT_GT(record.commandLine.size(), arguments.size());
    EXPECT_EQ(record.commandLine.substr(record.commandLine.size() - arguments.size()), arguments);
    EXPECT_STRCASEEQ(record.folder.c_str(), folder.c_str());
    EXPECT_EQ(record.show, SW_SHOWMINNOACTIVE);

    // A failure is the daemon's to show: the shell shows no box of its own.
    EXPECT_EQ(StartElevated({recorder.File("none.exe") + " x", "", SW_SHOWNORMAL}), ElevatedStart::kFailed);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(ApplyLaunchOptions, AnElevatedStartCannotTakeAnEnvironment)
{
    Recorder recorder;
    LaunchOptions options;
    options.asAdmin = true;
    const LaunchRequest request{"\"" + recorder.Exe() + "\"", "", SW_SHOWNORMAL};
    EXPECT_EQ(ApplyLaunchOptions(request, options, true), LaunchStep::kFailed);
    options.asAdmin = false;
    EXPECT_EQ(ApplyLaunchOptions(request, options, true), LaunchStep::kStartAsUsual);
}

} // namespace
