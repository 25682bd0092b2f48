#include "commands/command_icon.h"
#include "menu_icons.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(CommandIconSourceTest, KeyThenServiceThenProgramDocumentOrFolder)
{
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof system);
    const std::string notepad = std::string(system) + "\\notepad.exe";
    const std::string daemon = "C:\\Korvane\\korvaned.exe";
    using Kind = IconSource::Kind;
    const struct {
        std::string cmdline;
        const char* key;
        Kind kind;
        std::string path;
        int index;
    } cases[] = {
        {"", "", Kind::kNone, "", 0},
        {"  \t", "", Kind::kNone, "", 0},
        {"Service:Hotkey.Stop", "", Kind::kLocation, daemon, -kDaemonIconResource},
        {"tesselservice:\\Exit", "", Kind::kLocation, daemon, -kDaemonIconResource},
        {"\"" + notepad + "\" C:\\a.txt", "", Kind::kFile, notepad, 0},
        {"C:\\windows", "", Kind::kFile, "C:\\windows", 0},
        {"C:\\nowhere\\tool.exe", "", Kind::kFile, "C:\\nowhere\\tool.exe", 0},
        {"http://example.com/", "", Kind::kFile, "http://example.com/", 0},
        // The key wins over everything, a group's empty line included.
        {"notepad.exe", "shell32.dll,-16", Kind::kLocation, "shell32.dll", -16},
        {"Service:Exit", "C:\\i.ico", Kind::kLocation, "C:\\i.ico", 0},
        {"", "C:\\i.dll,2", Kind::kLocation, "C:\\i.dll", 2},
        {"C:\\windows", " ", Kind::kFile, "C:\\windows", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cmdline + " | " + c.key);
        const IconSource source = CommandIconSource(c.cmdline, c.key, daemon);
        EXPECT_EQ(source.kind, c.kind);
        if (c.kind == Kind::kNone) continue;
        EXPECT_EQ(lstrcmpiA(source.path.c_str(), c.path.c_str()), 0) << source.path;
        EXPECT_EQ(source.index, c.index);
    }
    // One program, one key: the cache shares what the commands share.
    EXPECT_EQ(CommandIconSource("\"" + notepad + "\" a", "", daemon).Key(),
              CommandIconSource("\"" + notepad + "\" b c", "", daemon).Key());
    EXPECT_NE(CommandIconSource("C:\\i.dll,1", "C:\\i.dll,1", daemon).Key(),
              CommandIconSource("C:\\i.dll,1", "C:\\i.dll,2", daemon).Key());
}

// An icon of 2 x 1 pixels from color and mask bits, without alpha unless the
// color carries it.
HICON MakeIcon(std::uint32_t left, std::uint32_t right, bool leftTransparent)
{
    std::uint32_t colors[2] = {left, right};
    HBITMAP color = CreateBitmap(2, 1, 1, 32, colors);
    // Monochrome rows are padded to 16 bits; a set bit is transparent.
    const unsigned char maskBits[2] = {static_cast<unsigned char>(leftTransparent ? 0x80 : 0x00), 0};
    HBITMAP mask = CreateBitmap(2, 1, 1, 1, maskBits);
    ICONINFO parts = {TRUE, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&parts);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

std::vector<std::uint32_t> BitmapPixels(HBITMAP bitmap)
{
    DIBSECTION dib = {};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof dib, &dib) != sizeof dib) return {};
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
    EXPECT_EQ(dib.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));
    const auto* bits = static_cast<const std::uint32_t*>(dib.dsBm.bmBits);
    return std::vector<std::uint32_t>(bits, bits + dib.dsBm.bmWidth * dib.dsBm.bmHeight);
}

TEST(MenuBitmapTest, AlphaIsPremultipliedAndMasksBecomeTransparency)
{
    const struct {
        const char* what;
        std::uint32_t left, right;
        bool leftTransparent;
        std::uint32_t expectLeft, expectRight;
    } cases[] = {
        {"no alpha: the mask decides", 0x00336699, 0x00FF8040, true, 0x00000000, 0xFFFF8040},
        {"no alpha, opaque mask", 0x00336699, 0x00FF8040, false, 0xFF336699, 0xFFFF8040},
        {"alpha: premultiplied", 0x80C86432, 0xFF102030, false, 0x80643219, 0xFF102030},
        {"alpha wins over the mask", 0x00FFFFFF, 0x40FFFFFF, true, 0x00000000, 0x40404040},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HICON icon = MakeIcon(c.left, c.right, c.leftTransparent);
        ASSERT_NE(icon, nullptr);
        HBITMAP bitmap = MenuBitmapFromIcon(icon);
        DestroyIcon(icon);
        ASSERT_NE(bitmap, nullptr);
        const std::vector<std::uint32_t> pixels = BitmapPixels(bitmap);
        ASSERT_EQ(pixels.size(), 2u);
        EXPECT_EQ(pixels[0], c.expectLeft) << std::hex << pixels[0];
        EXPECT_EQ(pixels[1], c.expectRight) << std::hex << pixels[1];
        DeleteObject(bitmap);
    }
    EXPECT_EQ(MenuBitmapFromIcon(nullptr), nullptr);
}

} // namespace
