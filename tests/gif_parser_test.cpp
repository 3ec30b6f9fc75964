// The GIF block reader on crafted byte streams and on the program's own level pictures:
// block kinds and lengths, frame counting, frame extraction, and that no malformed stream
// makes it read beyond its data.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/GifBuilder.h"
#include "tests/support/Support.h"
#include "widgets/GifParser.h"

namespace {

using test::gif::Bytes;
using test::gif::Join;
namespace gif = test::gif;

// Bytes that end exactly where an inaccessible page begins: a read past their end faults
// instead of quietly finding whatever lies behind them.
class GuardedBytes {
public:
    explicit GuardedBytes(const Bytes& bytes) : size_(static_cast<uint32_t>(bytes.size())) {
        SYSTEM_INFO info{};
        ::GetSystemInfo(&info);
        const size_t page = info.dwPageSize;
        const size_t dataPages = (bytes.size() + page - 1) / page + 1;
        base_ = static_cast<uint8_t*>(
            ::VirtualAlloc(nullptr, (dataPages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        guarded_ = base_ && ::VirtualProtect(base_ + dataPages * page, page, PAGE_NOACCESS, &old);
        if (base_) {
            data_ = base_ + dataPages * page - bytes.size();
            if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
        }
    }
    ~GuardedBytes() {
        if (base_) ::VirtualFree(base_, 0, MEM_RELEASE);
    }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    bool ok() const { return base_ && guarded_; }
    const uint8_t* data() const { return data_; }
    uint32_t size() const { return size_; }

private:
    uint8_t* base_ = nullptr;
    uint8_t* data_ = nullptr;
    uint32_t size_;
    bool guarded_ = false;
};

// A read past the guarded data ends the run at once with a message.
[[maybe_unused]] const bool kFaultsEndTheRun = (test::EndProcessOnFault(), true);

const std::vector<gif::Rgb> kFourColours{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 0, 0}};
const std::vector<gif::Rgb> kTwoColours{{255, 255, 255}, {0, 0, 0}};

Bytes Prefix(const Bytes& gifBytes, size_t length) { return Bytes(gifBytes.begin(), gifBytes.begin() + length); }

TEST(GifHeader, OnlyVersions87aAnd89aAreGifs) {
    struct Case {
        std::string bytes;
        bool gif;
    } cases[] = {
        {"GIF89a", true},       {"GIF87a", true},      {"GIF89a\x01\x02", true}, {"GIF88a", false},
        {"GIF90a", false},      {"gif89a", false},     {"GIF89", false},        {"GIF", false},
        {"\x89PNG\r\n", false}, {"BM\0\0\0\0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        Bytes bytes(c.bytes.begin(), c.bytes.end());
        GuardedBytes data(bytes);
        ASSERT_TRUE(data.ok());
        EXPECT_EQ(IsGifHeader(data.data(), data.size()), c.gif);
    }
}

TEST(GifFrameWait, HundredthsBecomeMillisecondsWithShortDelaysRaised) {
    struct Case {
        uint32_t delay;
        uint32_t waitMs;
    } cases[] = {
        {0, 100},   {4, 100},     {5, 50},       {6, 60},
        {12, 120},  {312, 3120},  {65535, 655350},
        {kGifNoDelay, 4294967286u},  // taken in 32 bits: the frame stays until stopped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.delay);
        EXPECT_EQ(GifFrameWaitMs(c.delay), c.waitMs);
    }
}

TEST(GifBlocks, KindAndLengthOfTheBlockAtTheFirstOffset) {
    const Bytes screen = gif::Screen(8, 4, {});
    const Bytes image = gif::FilledImage(0, 0, 2, 2, 1);
    const Bytes imageWithTable = gif::Image(0, 0, 2, 2, {0, 1, 1, 0}, kTwoColours);
    const Bytes comment = gif::Comment("hi");
    const Bytes application = gif::LoopingApplication();
    const Bytes plainText = gif::PlainText("abc");
    const Bytes control = gif::GraphicControl(7, 1);

    struct Case {
        const char* name;
        Bytes block;  // what follows the 13-byte screen; the data ends with it
        GifBlockKind kind;
        int64_t length;
    } cases[] = {
        {"trailer", {gif::kTrailer}, GifBlockKind::Trailer, 1},
        {"graphic control", control, GifBlockKind::GraphicControl, 8},
        {"comment", comment, GifBlockKind::CommentExtension, 2 + 1 + 2 + 1},
        {"application", application, GifBlockKind::ApplicationExtension, 14 + 1 + 3 + 1},
        {"plain text", plainText, GifBlockKind::PlainText, 15 + 1 + 3 + 1},
        {"image", image, GifBlockKind::Image, static_cast<int64_t>(image.size())},
        {"image with local table", imageWithTable, GifBlockKind::Image, static_cast<int64_t>(imageWithTable.size())},
        {"image followed by more data", Join({image, {gif::kTrailer}}), GifBlockKind::Image,
         static_cast<int64_t>(image.size())},
        {"unknown byte", {0x00, gif::kTrailer}, GifBlockKind::Unrecognised, -1},
        {"unknown extension label", {0x21, 0x99, 0x00, gif::kTrailer}, GifBlockKind::Unrecognised, -1},
        {"introducer at the end", {0x21}, GifBlockKind::Unrecognised, -1},
        {"graphic control cut short", Prefix(control, 7), GifBlockKind::Unrecognised, -1},
        {"image descriptor cut before its packed field", Prefix(image, 9), GifBlockKind::Unrecognised, -1},
        {"image ending inside its local table", Prefix(imageWithTable, 12), GifBlockKind::Unrecognised, -1},
        {"image without its code size byte", Prefix(image, 10), GifBlockKind::Unrecognised, -1},
        {"image data chain without terminator", Prefix(image, image.size() - 1), GifBlockKind::Unrecognised, -1},
        {"sub-block announcing more than is left", Join({Prefix(image, 11), {0x20, 1, 2, 3}}),
         GifBlockKind::Unrecognised, -1},
        {"application extension cut inside its identifier", Prefix(application, 10), GifBlockKind::Unrecognised,
         -1},
        {"comment without sub-blocks", {0x21, 0xFE}, GifBlockKind::Unrecognised, -1},
        {"plain text cut inside its fields", Prefix(plainText, 14), GifBlockKind::Unrecognised, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuardedBytes data(Join({screen, c.block}));
        ASSERT_TRUE(data.ok());
        GifParser parser(data.data(), data.size());
        ASSERT_TRUE(parser.valid());
        EXPECT_EQ(parser.readOffset(), 13u);
        EXPECT_EQ(parser.Kind(), c.kind);
        EXPECT_EQ(parser.BlockLength(), c.length);
        EXPECT_EQ(parser.SkipBlock(), c.length > 0);
        EXPECT_EQ(parser.readOffset(), c.length > 0 ? 13u + static_cast<uint32_t>(c.length) : 13u);
    }
}

TEST(GifBlocks, SubBlockChainLengthStopsAtTheTerminatorOrTheEnd) {
    Bytes longBlock(256, 7);
    longBlock[0] = 255;
    struct Case {
        const char* name;
        Bytes chain;
        int64_t length;
    } cases[] = {
        {"terminator only", {0}, 1},
        {"one sub-block", {2, 9, 9, 0}, 4},
        {"two sub-blocks", {1, 9, 3, 9, 9, 9, 0}, 7},
        {"full-size sub-block", Join({longBlock, {0}}), 257},
        {"bytes after the terminator are not walked", {1, 9, 0, 5, 5}, 3},
        {"size byte missing", {}, -1},
        {"terminator missing", {2, 9, 9}, -1},
        {"sub-block longer than the data", {5, 9, 9}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuardedBytes data(Join({gif::Screen(1, 1, {}), c.chain}));
        ASSERT_TRUE(data.ok());
        GifParser parser(data.data(), data.size());
        ASSERT_TRUE(parser.valid());
        EXPECT_EQ(parser.SubBlockChainLength(13), c.length);
    }
}

struct ExpectedFrame {
    Bytes span;
    uint32_t delay;
    uint32_t disposal;
    int32_t left, top, width, height;
};

void ExpectFrames(const Bytes& bytes, uint32_t firstBlock, const std::vector<ExpectedFrame>& expected) {
    GuardedBytes data(bytes);
    ASSERT_TRUE(data.ok());
    GifParser parser(data.data(), data.size());
    EXPECT_EQ(parser.firstBlockOffset(), firstBlock);
    EXPECT_EQ(parser.CountFrames(), expected.size());

    parser.Rewind();
    const Bytes prefix(bytes.begin(), bytes.begin() + firstBlock);
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        GifFrameSpan frame;
        ASSERT_TRUE(parser.ExtractFrame(frame));
        const ExpectedFrame& want = expected[i];
        EXPECT_EQ(frame.delay, want.delay);
        EXPECT_EQ(frame.disposal, want.disposal);
        EXPECT_EQ(frame.left, want.left);
        EXPECT_EQ(frame.top, want.top);
        EXPECT_EQ(frame.width, want.width);
        EXPECT_EQ(frame.height, want.height);
        ASSERT_LE(uint64_t{frame.start} + frame.length, bytes.size());
        EXPECT_EQ(Bytes(bytes.begin() + frame.start, bytes.begin() + frame.start + frame.length), want.span);

        // The standalone picture: the screen with its global table, the span, a trailer.
        const Bytes standalone = Join({prefix, want.span, {gif::kTrailer}});
        ASSERT_EQ(parser.FrameGifLength(frame), standalone.size());
        Bytes written(standalone.size() + 1, 0xCC);
        parser.WriteFrameGif(frame, written.data());
        EXPECT_EQ(written.back(), 0xCC) << "wrote past its stated length";
        written.pop_back();
        EXPECT_EQ(written, standalone);
    }
    GifFrameSpan after;
    EXPECT_FALSE(parser.ExtractFrame(after));
}

TEST(GifFrames, CountedAndExtractedFromCraftedStreams) {
    const Bytes noTable = gif::Screen(8, 4, {});
    const Bytes fourColours = gif::Screen(8, 4, kFourColours);
    const Bytes control10 = gif::GraphicControl(10, 1);
    const Bytes control20 = gif::GraphicControl(20, 2);
    const Bytes whole = gif::FilledImage(0, 0, 8, 4, 0);
    const Bytes part = gif::FilledImage(2, 1, 3, 2, 1);
    const Bytes local = gif::Image(5, 3, 2, 1, {1, 0}, kTwoColours);
    const Bytes comment = gif::Comment("between");
    const Bytes plainText = gif::PlainText("text");
    Bytes truncatedPart = part;
    truncatedPart.resize(part.size() - 2);  // the data ends inside the image's data chain

    const ExpectedFrame wholeFrame{Join({control10, whole}), 10, 1, 0, 0, 8, 4};
    const ExpectedFrame partFrame{Join({control20, part}), 20, 2, 2, 1, 3, 2};

    struct Case {
        const char* name;
        Bytes bytes;
        uint32_t firstBlock;
        std::vector<ExpectedFrame> frames;
    } cases[] = {
        {"global table flag clear: first block at 13",
         Join({noTable, control10, whole, control20, part, {gif::kTrailer}}),
         13,
         {wholeFrame, partFrame}},
        {"global table of four colours: first block at 25",
         Join({fourColours, control10, whole, control20, part, {gif::kTrailer}}),
         25,
         {wholeFrame, partFrame}},
        {"local colour table",
         Join({fourColours, control10, whole, gif::GraphicControl(3, 0), local, {gif::kTrailer}}),
         25,
         {wholeFrame, {Join({gif::GraphicControl(3, 0), local}), 3, 0, 5, 3, 2, 1}}},
        {"application and comment extensions are not frames and stay out of the spans",
         Join({noTable, gif::LoopingApplication(), control10, whole, comment, gif::LoopingApplication(), control20,
               part, comment, {gif::kTrailer}}),
         13,
         {wholeFrame, partFrame}},
        {"a comment between control and image belongs to the span",
         Join({noTable, control10, comment, whole, {gif::kTrailer}}),
         13,
         {{Join({control10, comment, whole}), 10, 1, 0, 0, 8, 4}}},
        {"frames without a graphic control extension",
         Join({noTable, whole, part, {gif::kTrailer}}),
         13,
         {{whole, kGifNoDelay, 0, 0, 0, 8, 4}, {part, kGifNoDelay, 0, 2, 1, 3, 2}}},
        {"disposal is bits 2 to 4 whatever the other bits hold",
         Join({noTable, gif::GraphicControl(1, 0, 0xE3), part, gif::GraphicControl(2, 3, 0xE3), part,
               gif::GraphicControl(3, 7, 0x00), part, gif::GraphicControl(4, 5, 0xE3), part, {gif::kTrailer}}),
         13,
         {{Join({gif::GraphicControl(1, 0, 0xE3), part}), 1, 0, 2, 1, 3, 2},
          {Join({gif::GraphicControl(2, 3, 0xE3), part}), 2, 3, 2, 1, 3, 2},
          {Join({gif::GraphicControl(3, 7, 0x00), part}), 3, 7, 2, 1, 3, 2},
          {Join({gif::GraphicControl(4, 5, 0xE3), part}), 4, 5, 2, 1, 3, 2}}},
        {"a plain text block is a frame without position or size",
         Join({noTable, control10, plainText, control20, part, {gif::kTrailer}}),
         13,
         {{Join({control10, plainText}), 10, 1, 0, 0, 0, 0}, partFrame}},
        {"a sub-block chain running past the data ends the count",
         Join({noTable, control10, whole, control20, truncatedPart}),
         13,
         {wholeFrame}},
        {"an unrecognised block ends the count",
         Join({noTable, control10, whole, {0x00}, control20, part, {gif::kTrailer}}),
         13,
         {wholeFrame}},
        {"an unknown extension label ends the count",
         Join({noTable, control10, whole, {0x21, 0x99, 0x01, 0x00, 0x00}, control20, part, {gif::kTrailer}}),
         13,
         {wholeFrame}},
        {"the end of the data without a trailer ends the count",
         Join({noTable, control10, whole, control20, part}),
         13,
         {wholeFrame, partFrame}},
        {"a control extension without an image is no frame",
         Join({noTable, control10, whole, control20, {gif::kTrailer}}),
         13,
         {wholeFrame}},
        {"a control extension at the end of the data is no frame",
         Join({noTable, control10, whole, control20}),
         13,
         {wholeFrame}},
        {"trailer only", Join({noTable, {gif::kTrailer}}), 13, {}},
        {"screen only", noTable, 13, {}},
        {"data ending inside the global table", Prefix(fourColours, 20), 13, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectFrames(c.bytes, c.firstBlock, c.frames);
    }
}

TEST(GifFrames, StreamTooShortForItsScreenIsNotParsed) {
    for (size_t length : {size_t{6}, size_t{10}, size_t{12}}) {
        SCOPED_TRACE(length);
        GuardedBytes data(Prefix(gif::Screen(8, 4, {}), length));
        ASSERT_TRUE(data.ok());
        GifParser parser(data.data(), data.size());
        EXPECT_FALSE(parser.valid());
        EXPECT_EQ(parser.Kind(), GifBlockKind::Unrecognised);
        EXPECT_EQ(parser.CountFrames(), 0u);
        GifFrameSpan frame;
        EXPECT_FALSE(parser.ExtractFrame(frame));
    }
}

TEST(GifFrames, ScreenSizeAndTableSizeComeFromTheLogicalScreenDescriptor) {
    struct Case {
        const char* name;
        size_t colours;
        uint32_t tableSize;
    } cases[] = {{"no table", 0, 0}, {"2 colours", 2, 6}, {"4 colours", 4, 12}, {"16 colours", 16, 48},
                 {"256 colours", 256, 768}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<gif::Rgb> table(c.colours, gif::Rgb{1, 2, 3});
        GuardedBytes data(Join({gif::Screen(300, 260, table), {gif::kTrailer}}));
        ASSERT_TRUE(data.ok());
        GifParser parser(data.data(), data.size());
        ASSERT_TRUE(parser.valid());
        EXPECT_EQ(parser.screenWidth(), 300);
        EXPECT_EQ(parser.screenHeight(), 260);
        EXPECT_EQ(parser.globalColorTableSize(), c.tableSize);
        EXPECT_EQ(parser.readOffset(), 13 + c.tableSize);
        EXPECT_EQ(parser.Kind(), GifBlockKind::Trailer);
    }
}

// The program's own pictures as the resources hold them.
Bytes ResourceBytes(UINT id) {
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC info = ::FindResourceA(module, MAKEINTRESOURCEA(id), "GIF");
    if (!info) return {};
    HGLOBAL resource = ::LoadResource(module, info);
    const auto* bytes = static_cast<const uint8_t*>(::LockResource(resource));
    if (!bytes) return {};
    return Bytes(bytes, bytes + ::SizeofResource(module, info));
}

TEST(GifFrames, LevelPicturesHaveSixteenFramesOfTheirDelay) {
    const int barX[] = {8, 19, 31, 44, 56, 68, 81, 93, 106, 118, 130, 143, 155, 168};
    struct Case {
        UINT id;
        uint32_t delay;
    } cases[] = {{IDR_GIF_LEVEL1, 312}, {IDR_GIF_LEVEL2, 187}, {IDR_GIF_LEVEL3, 62},
                 {IDR_GIF_LEVEL4, 31},  {IDR_GIF_LEVEL5, 12},  {IDR_GIF_LEVEL6, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        Bytes bytes = ResourceBytes(c.id);
        ASSERT_FALSE(bytes.empty());
        GuardedBytes data(bytes);
        ASSERT_TRUE(data.ok());
        ASSERT_TRUE(IsGifHeader(data.data(), data.size()));
        GifParser parser(data.data(), data.size());
        EXPECT_EQ(parser.screenWidth(), 200);
        EXPECT_EQ(parser.screenHeight(), 27);
        EXPECT_EQ(parser.CountFrames(), 16u);

        parser.Rewind();
        std::vector<GifFrameSpan> frames;
        GifFrameSpan frame;
        while (parser.ExtractFrame(frame)) frames.push_back(frame);
        ASSERT_EQ(frames.size(), 16u);
        for (size_t i = 0; i < frames.size(); ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            const GifFrameSpan& f = frames[i];
            EXPECT_EQ(f.delay, c.delay);
            if (i == 0 || i == 15) {
                EXPECT_EQ(f.left, 0);
                EXPECT_EQ(f.top, 0);
                EXPECT_EQ(f.width, 200);
                EXPECT_EQ(f.height, 27);
                EXPECT_EQ(f.disposal, i == 0 ? 1u : 2u);
            } else {
                EXPECT_EQ(f.left, barX[i - 1]);
                EXPECT_EQ(f.top, 5);
                EXPECT_GE(f.width, 9);
                EXPECT_LE(f.width, 11);
                EXPECT_EQ(f.height, 17);
                EXPECT_EQ(f.disposal, 1u);
            }
        }
    }
}

TEST(GifFrames, StillPictureHasOneFrame) {
    Bytes bytes = ResourceBytes(IDR_GIF_STOPPED);
    ASSERT_FALSE(bytes.empty());
    GuardedBytes data(bytes);
    ASSERT_TRUE(data.ok());
    GifParser parser(data.data(), data.size());
    EXPECT_EQ(parser.screenWidth(), 200);
    EXPECT_EQ(parser.screenHeight(), 27);
    EXPECT_EQ(parser.CountFrames(), 1u);
}

}  // namespace
