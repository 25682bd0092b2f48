#include "reload_check.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kTable = "[CmdTable]\r\ncmd[0].caption=A\r\ncmd[0].hotkey=Ctrl+F13\r\n";

TEST(ReloadCheckTest, LocalTextsCaughtHalfWrittenAreTold)
{
    struct Case {
        const char* what;
        std::string text;
        bool whole;
    } cases[] = {
        {"empty", "", true},
        {"every line ended", kTable + "[Desktop]\r\nHideIcon=true\r\n", true},
        {"bare line feeds", "[CmdTable]\ncmd[0].caption=A\n", true},
        {"cut between CR and LF", kTable + "cmd[1].caption=B\r", true},
        // The broken tail the start-up loads without a word.
        {"garbage and an open bracket", kTable + std::string("\x81\x00\xff garbage \r\n[", 15), true},
        {"unended comment", kTable + "; note", true},
        {"unended header", kTable + "[Other]", true},
        {"unended line of no command", kTable + "note=kept", true},
        {"unended line of a later section", kTable + "[Options]\r\nWidth=1", true},
        {"unended line of a repeated table", kTable + "[Other]\r\n[CmdTable]\r\ncmd[9].caption=Z", true},
        {"cut in a key", kTable + "cmd[1].cmdli", false},
        {"cut in a value", kTable + "cmd[1].caption=Fo", false},
        {"cut in a key's start, any case", kTable + "CM", false},
        {"cut in a double-byte character", kTable + "cmd[1].caption=\x83", false},
        {"cut in the Desktop section", kTable + "[Desktop]\r\nHideIc", false},
        {"cut before the table", "[Options]\r\nWidth=1", false},
        {"room written with NULs", kTable + std::string(8, '\0'), false},
        {"NULs after a cut key", kTable + "[Other]\r\nx" + std::string(3, '\0'), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(LocalTextLoadsWhole(c.text), c.whole);
    }
}

TEST(ReloadCheckTest, MainTextsAndTheirCurrentFile)
{
    struct Case {
        const char* what;
        std::string text;
        bool whole;
        std::string current;
    } cases[] = {
        {"ended", "[LocalSetting]\r\nCurrent=local.ini\r\n", true, "local.ini"},
        {"cut in the name", "[LocalSetting]\r\nCurrent=loc", false, "loc"},
        {"cut before the section", "[ProgramInfo]\r\nDaemon.Path=x", false, ""},
        {"unended later section", "[LocalSetting]\r\nCurrent=a.ini\r\n[ProgramInfo]\r\nDaemon.Path=x", true, "a.ini"},
        {"quotes and letter case", "[localsetting]\r\n current = \"C:\\x y\\a.ini\" \r\n", true, "C:\\x y\\a.ini"},
        {"first of repeated keys", "[LocalSetting]\r\nCurrent='a.ini'\r\nCurrent=b.ini\r\n", true, "a.ini"},
        {"unmatched quote kept", "[LocalSetting]\r\nCurrent=\"a.ini\r\n", true, "\"a.ini"},
        {"no such key", "[LocalSetting]\r\nOther=1\r\n", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(MainTextLoadsWhole(c.text), c.whole);
        EXPECT_EQ(CurrentFromMainText(c.text), c.current);
    }
}

TEST(ReloadCheckTest, ABurstIsReadOnceAndUnreadableFilesAFewTimesMore)
{
    ReloadTiming timing;
    EXPECT_EQ(timing.Changed(), ReloadTiming::kQuietMs);
    for (unsigned i = 1; i < ReloadTiming::kTries; ++i) EXPECT_EQ(timing.Unreadable(), ReloadTiming::kRetryMs);
    EXPECT_EQ(timing.Unreadable(), 0u);
    // A new change gives the reads their tries again.
    timing.Changed();
    EXPECT_EQ(timing.Unreadable(), ReloadTiming::kRetryMs);
    EXPECT_NE(TextDigest("a"), TextDigest("b"));
    EXPECT_NE(TextDigest("ab"), TextDigest("b", TextDigest("a", 1)));
}

} // namespace
