// The resources as built into the program: the seven GIF pictures walked block by block,
// the bitmaps, the icon group, the skin block and the manifest.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

std::vector<uint8_t> ResourceBytes(const char* type, UINT id, WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)) {
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC info = ::FindResourceExA(module, type, MAKEINTRESOURCEA(id), language);
    if (!info) return {};
    HGLOBAL data = ::LoadResource(module, info);
    const auto* bytes = static_cast<const uint8_t*>(::LockResource(data));
    return bytes ? std::vector<uint8_t>(bytes, bytes + ::SizeofResource(module, info)) : std::vector<uint8_t>{};
}

uint16_t Word(const std::vector<uint8_t>& d, size_t at) { return static_cast<uint16_t>(d.at(at) | d.at(at + 1) << 8); }

struct Frame {
    int left, top, width, height;
    int disposal;
    int delay;
};

struct Gif {
    std::string version;
    int width = 0, height = 0;
    bool loops = false;
    std::vector<Frame> frames;
    bool endsWithTrailer = false;
};

// An independent walk over the blocks, strict about lengths.
Gif Walk(const std::vector<uint8_t>& d) {
    Gif gif;
    gif.version.assign(d.begin(), d.begin() + 6);
    gif.width = Word(d, 6);
    gif.height = Word(d, 8);
    size_t at = 13;
    if (d.at(10) & 0x80) at += 3u * (2u << (d[10] & 7));
    auto skipChain = [&](size_t p) {
        while (d.at(p) != 0) p += 1u + d[p];
        return p + 1;
    };
    Frame pending{0, 0, 0, 0, 0, -1};
    while (at < d.size()) {
        uint8_t b = d[at];
        if (b == 0x3B) {
            gif.endsWithTrailer = at + 1 == d.size();
            break;
        }
        if (b == 0x21 && d.at(at + 1) == 0xFF) {
            gif.loops = gif.loops || std::string(d.begin() + at + 3, d.begin() + at + 14) == "NETSCAPE2.0";
            at = skipChain(at + 14);
        } else if (b == 0x21 && d.at(at + 1) == 0xF9) {
            pending.disposal = (d.at(at + 3) >> 2) & 7;
            pending.delay = Word(d, at + 4);
            at += 8;
        } else if (b == 0x21) {
            at = skipChain(at + 2);
        } else if (b == 0x2C) {
            Frame f = pending;
            f.left = Word(d, at + 1);
            f.top = Word(d, at + 3);
            f.width = Word(d, at + 5);
            f.height = Word(d, at + 7);
            size_t local = (d.at(at + 9) & 0x80) ? 3u * (2u << (d[at + 9] & 7)) : 0u;
            gif.frames.push_back(f);
            pending = Frame{0, 0, 0, 0, 0, -1};
            at = skipChain(at + 11 + local);
        } else {
            ADD_FAILURE() << "unexpected block " << int(b) << " at " << at;
            break;
        }
    }
    return gif;
}

TEST(Resources, LevelPicturesAreTheSixteenFrameAnimation) {
    struct Case {
        UINT id;
        int delay;
    };
    const Case cases[] = {{IDR_GIF_LEVEL1, 312}, {IDR_GIF_LEVEL2, 187}, {IDR_GIF_LEVEL3, 62},
                          {IDR_GIF_LEVEL4, 31},  {IDR_GIF_LEVEL5, 12},  {IDR_GIF_LEVEL6, 6}};
    const int barX[] = {8, 19, 31, 44, 56, 68, 81, 93, 106, 118, 130, 143, 155, 168};
    for (const Case& c : cases) {
        SCOPED_TRACE("GIF " + std::to_string(c.id));
        std::vector<uint8_t> data = ResourceBytes("GIF", c.id);
        ASSERT_FALSE(data.empty());
        Gif gif = Walk(data);
        EXPECT_EQ(gif.version, "GIF89a");
        EXPECT_EQ(gif.width, 200);
        EXPECT_EQ(gif.height, 27);
        EXPECT_TRUE(gif.loops);
        EXPECT_TRUE(gif.endsWithTrailer);
        ASSERT_EQ(gif.frames.size(), 16u);
        for (size_t i = 0; i < gif.frames.size(); ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            const Frame& f = gif.frames[i];
            EXPECT_EQ(f.delay, c.delay);
            if (i == 0 || i == 15) {
                EXPECT_EQ(f.left, 0);
                EXPECT_EQ(f.top, 0);
                EXPECT_EQ(f.width, 200);
                EXPECT_EQ(f.height, 27);
                EXPECT_EQ(f.disposal, i == 0 ? 1 : 2);
            } else {
                EXPECT_EQ(f.left, barX[i - 1]);
                EXPECT_EQ(f.top, 5);
                EXPECT_GE(f.width, 9);
                EXPECT_LE(f.width, 11);
                EXPECT_EQ(f.height, 17);
                EXPECT_EQ(f.disposal, 1);
            }
        }
    }
}

TEST(Resources, StoppedPictureIsOneFrame) {
    Gif gif = Walk(ResourceBytes("GIF", IDR_GIF_STOPPED));
    EXPECT_EQ(gif.width, 200);
    EXPECT_EQ(gif.height, 27);
    EXPECT_EQ(gif.frames.size(), 1u);
    EXPECT_TRUE(gif.endsWithTrailer);
}

TEST(Resources, BitmapsHaveTheirSizes) {
    struct Case {
        UINT id;
        LONG width, height;
    };
    for (const Case& c : {Case{IDB_BANNER, 379, 58}, Case{IDB_LEGEND, 136, 45}}) {
        SCOPED_TRACE(c.id);
        std::vector<uint8_t> dib = ResourceBytes(MAKEINTRESOURCEA(2) /* RT_BITMAP */, c.id);
        ASSERT_GE(dib.size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header;
        std::memcpy(&header, dib.data(), sizeof header);
        EXPECT_EQ(header.biWidth, c.width);
        EXPECT_EQ(header.biHeight, c.height);
        EXPECT_EQ(header.biBitCount, 8);
    }
}

TEST(Resources, IconGroupHasThreeSizesInThreeDepths) {
    std::vector<uint8_t> group = ResourceBytes(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, IDR_MAINFRAME);
    ASSERT_GE(group.size(), 6u);
    size_t count = Word(group, 4);
    ASSERT_EQ(count, 9u);
    std::vector<std::pair<int, int>> found;
    for (size_t i = 0; i < count; ++i) {
        size_t entry = 6 + 14 * i;  // GRPICONDIRENTRY
        int size = group.at(entry) == 0 ? 256 : group[entry];
        found.emplace_back(size, Word(group, entry + 6));
    }
    for (int size : {16, 32, 48}) {
        for (int bits : {4, 8, 32}) {
            EXPECT_NE(std::find(found.begin(), found.end(), std::make_pair(size, bits)), found.end())
                << size << " px at " << bits << " bits";
        }
    }
}

TEST(Resources, SkinBlockAndManifest) {
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC skin = ::FindResourceExA(module, "SKINMAGIC", "DEFAULT", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK));
    ASSERT_NE(skin, nullptr) << "DEFAULT/SKINMAGIC in language 2057";
    EXPECT_EQ(::SizeofResource(module, skin), 44539u);

    std::vector<uint8_t> manifest = ResourceBytes(MAKEINTRESOURCEA(24) /* RT_MANIFEST */, 1);
    std::string text(manifest.begin(), manifest.end());
    EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos);
}

TEST(Resources, AboutEntryTextAndTrayMenu) {
    char about[64] = "";
    ASSERT_GT(::LoadStringA(::GetModuleHandleA(nullptr), IDS_ABOUTBOX, about, sizeof about), 0);
    EXPECT_STREQ(about, "&About Veltrane...");

    HMENU menu = ::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(::GetMenuItemCount(menu), 2);
    char text[64] = "";
    ::GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "Settings");
    EXPECT_EQ(::GetMenuItemID(menu, 1), static_cast<UINT>(ID_APP_ABOUT));

    struct Item {
        const char* text;  // null for a separator
        UINT id;
    };
    const Item items[] = {
        {"Run at &Startup", ID_RUN_AT_STARTUP},
        {nullptr, 0},
        {"Concerned About SAFETY?", ID_WEB_SAFETY},
        {"All About File Sharing", ID_WEB_FILE_SHARING},
        {"eMusic: 25 Free MP3 Downloads!", ID_WEB_EMUSIC},
        {"Download Torrents Anonymously!", ID_WEB_TORRENTS},
        {"Music, Games, Photos", ID_WEB_MEDIA},
        {"Help", ID_WEB_HELP},
        {"&About", ID_APP_ABOUT},
        {nullptr, 0},
        {"&Exit", ID_APP_EXIT},
    };
    HMENU popup = ::GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(::GetMenuItemCount(popup), static_cast<int>(std::size(items)));
    for (int i = 0; i < static_cast<int>(std::size(items)); ++i) {
        SCOPED_TRACE("item " + std::to_string(i));
        UINT state = ::GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION);
        if (!items[i].text) {
            EXPECT_TRUE(state & MF_SEPARATOR);
            continue;
        }
        ::GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, items[i].text);
        EXPECT_EQ(::GetMenuItemID(popup, i), items[i].id);
    }
    ::DestroyMenu(menu);
}

}  // namespace
