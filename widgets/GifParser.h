// Reading the block structure of a GIF byte stream: counting its frames and cutting each
// frame out into a standalone one-frame GIF. Plain code over a byte range, so that a
// malformed stream can be tried without a window or a picture loader.
#pragma once

#include <cstdint>

// What the byte at the read offset starts.
enum class GifBlockKind : int {
    Unrecognised = 0,
    ApplicationExtension = 1,  // 0x21 0xFF
    CommentExtension = 2,      // 0x21 0xFE
    GraphicControl = 3,        // 0x21 0xF9
    PlainText = 4,             // 0x21 0x01
    Image = 5,                 // 0x2C
    Trailer = 6,               // 0x3B
};

// Header (6 bytes) and Logical Screen Descriptor (7 bytes): what every extracted frame
// starts with, followed by the Global Color Table.
constexpr uint32_t kGifScreenPrefixLength = 13;
constexpr uint8_t kGifTrailer = 0x3B;
// The delay of a frame without a Graphic Control Extension: all 32 bits set.
constexpr uint32_t kGifNoDelay = 0xFFFFFFFFu;

// "GIF" followed by "87a" or "89a". Any other version is left to the system loader.
bool IsGifHeader(const uint8_t* data, uint32_t size);

// How long the animation shows a frame with this Delay Time (hundredths of a second).
// The product is taken in 32 bits on purpose: a frame without a Graphic Control Extension
// (kGifNoDelay) then waits 4294967286 ms, which keeps the animation on it until stopped.
uint32_t GifFrameWaitMs(uint32_t delay);

// One frame as found in the stream: where its bytes are and what its descriptors say.
struct GifFrameSpan {
    uint32_t start = 0;   // the Graphic Control Extension, or the Image when there is none
    uint32_t length = 0;  // up to and including the image data's Block Terminator
    uint32_t delay = kGifNoDelay;
    uint32_t disposal = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t left = 0;
    int32_t top = 0;
};

class GifParser {
public:
    // data must stay valid while the parser is used. A stream too short for its Logical
    // Screen Descriptor and Global Color Table is not valid and yields no frames.
    GifParser(const uint8_t* data, uint32_t size);

    bool valid() const { return valid_; }
    int32_t screenWidth() const { return screenWidth_; }
    int32_t screenHeight() const { return screenHeight_; }
    // 3 x 2^(n+1) bytes when the Global Color Table Flag is set, else 0.
    uint32_t globalColorTableSize() const { return globalColorTableSize_; }
    uint32_t firstBlockOffset() const { return kGifScreenPrefixLength + globalColorTableSize_; }

    uint32_t readOffset() const { return readOffset_; }
    void Rewind() { readOffset_ = firstBlockOffset(); }

    // The kind of block at the read offset. A block whose label, fixed fields or data
    // sub-blocks would reach past the end of the data is Unrecognised.
    GifBlockKind Kind() const;
    // The whole block's byte length, or -1 for an Unrecognised block.
    int64_t BlockLength() const;
    // Bytes from start up to and including the zero-size Block Terminator, or -1 when a
    // size byte or the bytes it announces lie beyond the data.
    int64_t SubBlockChainLength(uint32_t start) const;
    // Moves past the block at the read offset; false (read offset unchanged) when it
    // cannot be passed.
    bool SkipBlock();

    // Passes one frame (its Graphic Control Extension when present and its Image or Plain
    // Text block) together with any application and comment extensions before it.
    bool SkipGraphicBlock();
    // From the first block: how many frames follow in a row.
    uint32_t CountFrames();
    // Finds the next frame like SkipGraphicBlock and reports it; false when there is none.
    bool ExtractFrame(GifFrameSpan& frame);

    // A one-frame GIF of the frame: Header, Logical Screen Descriptor and Global Color
    // Table unchanged, the frame's span, and a Trailer.
    uint64_t FrameGifLength(const GifFrameSpan& frame) const;
    // Writes FrameGifLength(frame) bytes to out.
    void WriteFrameGif(const GifFrameSpan& frame, uint8_t* out) const;

private:
    struct Block {
        GifBlockKind kind;
        int64_t length;
    };
    Block Examine() const;
    // Skips application and comment extensions; the kind found after them.
    GifBlockKind SkipExtensions(bool& ok);
    // Skips blocks until an Image, Plain Text, Unrecognised or Trailer block.
    GifBlockKind SkipToGraphicRendering(bool& ok);

    const uint8_t* data_;
    uint32_t size_;
    bool valid_ = false;
    int32_t screenWidth_ = 0;
    int32_t screenHeight_ = 0;
    uint32_t globalColorTableSize_ = 0;
    uint32_t readOffset_ = 0;
};
