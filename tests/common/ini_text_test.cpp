#include "settings/ini_text.h"

#include "settings/ini_piece_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

// How the edits read back through the platform is shown by the Win32 tests,
// which compare them with the platform's own writes; these pin the bytes.

TEST(IniTextTest, ReplaceSectionKeepsEveryOtherLineByteForByte)
{
    const struct {
        const char* name;
        const char* text;
        const char* expected;
    } cases[] = {
        {"middle section; its comments and blanks go with its keys",
         "; head\r\n[Keep]\r\na = 1\r\n\r\nloose line\r\n[S]\r\nold=1\r\n; note\r\n\r\n[After]\r\nb=2\r\n",
         "; head\r\n[Keep]\r\na = 1\r\n\r\nloose line\r\n[S]\r\nx=1\r\ny=two words\r\n[After]\r\nb=2\r\n"},
        {"name in other case and blanks; a repeated section, which no read sees, is kept",
         "[ s ]\r\nold=1\r\n[T]\r\nt=1\r\n[S]\r\nold=2\r\n",
         "[ s ]\r\nx=1\r\ny=two words\r\n[T]\r\nt=1\r\n[S]\r\nold=2\r\n"},
        {"an unclosed bracket is no header; no final line end", "[S\r\nk=1\r\n[S]",
         "[S\r\nk=1\r\n[S]\r\nx=1\r\ny=two words\r\n"},
        {"missing section after a last line without end; bare LF kept", "[A]\na=1",
         "[A]\na=1\n[S]\nx=1\ny=two words\n"},
        {"missing file", "", "[S]\r\nx=1\r\ny=two words\r\n"},
        {"text after the closing bracket; lone CR line ends", "[S] tail\rold=1\r[T]\rt=1\r",
         "[S] tail\rx=1\r\ny=two words\r\n[T]\rt=1\r"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Blanks before a value are dropped and a line without "=" is skipped, as the platform does.
        EXPECT_EQ(ReplaceIniSection(c.text, "S", "x=1\r\nno equals sign\n y =  two words"), c.expected);
    }
    EXPECT_EQ(ReplaceIniSection("[A]\r\n[S]\r\nk=1\r\n[B]\r\n", "S", ""), "[A]\r\n[S]\r\n[B]\r\n");
    EXPECT_EQ(ReplaceIniSection("[A]\r\n", "S", "no key\r\n"), "[A]\r\n");
}

TEST(IniTextTest, SetKeysReplacesInPlaceAndAppendsAtTheSectionsEnd)
{
    const struct {
        const char* name;
        const char* text;
        const char* expected;
    } cases[] = {
        {"existing key in other case keeps its place and name; new key after the last line",
         "[S]\r\nFIRST = old\r\n; note\r\nbare\r\n\r\n[T]\r\nfirst=t\r\n",
         "[S]\r\nFIRST=1\r\n; note\r\nbare\r\nsecond=2\r\n\r\n[T]\r\nfirst=t\r\n"},
        {"only the first duplicate key and the first section change",
         "[S]\r\nfirst=a\r\nfirst=b\r\n[S]\r\nsecond=c\r\n",
         "[S]\r\nfirst=1\r\nfirst=b\r\nsecond=2\r\n[S]\r\nsecond=c\r\n"},
        {"a line without = is the key of that name", "[S]\r\nsecond\r\n",
         "[S]\r\nsecond=2\r\nfirst=1\r\n"},
        {"missing section; no final line end", "[T]\r\nt=1", "[T]\r\nt=1\r\n[S]\r\nfirst=1\r\nsecond=2\r\n"},
        {"last section without final line end", "[S]\r\nsecond=x", "[S]\r\nsecond=2\r\nfirst=1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SetIniKeys(c.text, "S", {{"first", "0"}, {"second", "2"}, {"First", "1"}}), c.expected);
    }
}

TEST(IniTextTest, DoubleByteNamesCompareByCharacter)
{
    // Shift-JIS trail bytes that look like "A" and "a", and one that looks like "]":
    // "[\x83]" is no header, so its next line is a key of section S.
    const std::string upper = "[\x83" "A]\r\nk=1\r\n";
    EXPECT_EQ(SetIniKeys(upper, "\x83" "a", {{"k", "2"}}), upper + "[\x83" "a]\r\nk=2\r\n");
    EXPECT_EQ(SetIniKeys("[S]\r\na=1\r\n[\x83]\r\nk=1\r\n", "S", {{"k", "2"}}), "[S]\r\na=1\r\n[\x83]\r\nk=2\r\n");
}

TEST(IniTextTest, SectionEditOfATextReadInPiecesIsTheEditOfTheWholeText)
{
    const std::string longValue(100, 'v');
    const std::string texts[] = {
        "[A]\r\na=1\r\n[S]\r\ncmd[0].caption=x\r\ncmd[1].caption=[y]\r\n  [B]\r\nb=2\r\n[S]\r\nk=2\r\n",
        // Lone CRs before the first LF, which decides the line ends added.
        "[A]\ra=1\r[S]\rold=1\r[B]\nb=2\n",
        // A "[" after a NUL is inside its line; a line longer than the buffer.
        "[S]\r\nk=1\0[B]\r\nlong=" + longValue + "\r\n\t[B] tail\r\nb=2",
        "[A]\r\n" + longValue + "\r\n[S",
    };
    for (const std::string& text : texts) {
        const std::string whole = ReplaceIniSection(text, "s", "x=1\r\ny=2\r\n");
        for (std::size_t buffer = 1; buffer <= 24; ++buffer) {
            SCOPED_TRACE(text + ", buffer " + std::to_string(buffer));
            std::size_t at = 0, reads = 0;
            IniPieceReader reader(
                [&](char* into, std::size_t room) -> long long {
                    const std::size_t n = std::min({room, text.size() - at, 1 + reads++ % 7});
                    text.copy(into, n, at);
                    at += n;
                    return static_cast<long long>(n);
                },
                buffer);
            std::string out;
            ReplaceIniSection([&](std::string_view& piece) { return reader.Next(piece); }, "s",
                              OnePiece("x=1\r\ny=2\r\n"), [&](std::string_view piece) { out.append(piece); });
            EXPECT_EQ(out, whole);
        }
    }
}
