#include "widgets/GifParser.h"

#include <cstring>

namespace {

constexpr uint8_t kExtensionIntroducer = 0x21;
constexpr uint8_t kImageSeparator = 0x2C;
constexpr uint8_t kApplicationLabel = 0xFF;
constexpr uint8_t kCommentLabel = 0xFE;
constexpr uint8_t kGraphicControlLabel = 0xF9;
constexpr uint8_t kPlainTextLabel = 0x01;

// Fixed parts in front of each block's data sub-blocks: introducer, label, block size and
// the block's fields.
constexpr uint64_t kApplicationFixedLength = 14;
constexpr uint64_t kCommentFixedLength = 2;
constexpr uint64_t kPlainTextFixedLength = 15;
// The Graphic Control Extension has no data sub-blocks: its 8 bytes end with the terminator.
constexpr uint64_t kGraphicControlLength = 8;
// Image Descriptor (10 bytes) and the LZW Minimum Code Size byte, without the Local Color
// Table that sits between them.
constexpr uint64_t kImageDescriptorLength = 10;
constexpr uint64_t kImageFixedLength = kImageDescriptorLength + 1;

constexpr uint32_t kScreenWidthOffset = 6;
constexpr uint32_t kScreenHeightOffset = 8;
constexpr uint32_t kScreenPackedOffset = 10;
constexpr uint32_t kImagePackedOffset = 9;
constexpr uint32_t kImageLeftOffset = 1;
constexpr uint32_t kImageTopOffset = 3;
constexpr uint32_t kImageWidthOffset = 5;
constexpr uint32_t kImageHeightOffset = 7;
constexpr uint32_t kControlPackedOffset = 3;
constexpr uint32_t kControlDelayOffset = 4;

constexpr uint8_t kColorTableFlag = 0x80;
constexpr uint8_t kColorTableSizeMask = 0x07;
constexpr unsigned kDisposalShift = 2;
constexpr uint8_t kDisposalMask = 0x07;

constexpr uint32_t kShortestWaitDelay = 5;
constexpr uint32_t kShortDelayWaitMs = 100;
constexpr uint32_t kMsPerDelayUnit = 10;

uint32_t ReadWord(const uint8_t* at) { return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8); }

// 3 x 2^(n+1) bytes, n the table's size field.
uint32_t ColorTableSize(uint8_t packed) {
    if (!(packed & kColorTableFlag)) return 0;
    return 3u << ((packed & kColorTableSizeMask) + 1);
}

bool IsRendering(GifBlockKind kind) { return kind == GifBlockKind::Image || kind == GifBlockKind::PlainText; }
bool IsEnd(GifBlockKind kind) { return kind == GifBlockKind::Unrecognised || kind == GifBlockKind::Trailer; }
bool IsSkippedExtension(GifBlockKind kind) {
    return kind == GifBlockKind::ApplicationExtension || kind == GifBlockKind::CommentExtension;
}

}  // namespace

bool IsGifHeader(const uint8_t* data, uint32_t size) {
    if (!data || size < 6) return false;
    if (std::memcmp(data, "GIF", 3) != 0) return false;
    return std::memcmp(data + 3, "87a", 3) == 0 || std::memcmp(data + 3, "89a", 3) == 0;
}

uint32_t GifFrameWaitMs(uint32_t delay) {
    if (delay < kShortestWaitDelay) return kShortDelayWaitMs;
    return delay * kMsPerDelayUnit;  // wraps in 32 bits by design
}

GifParser::GifParser(const uint8_t* data, uint32_t size) : data_(data), size_(size) {
    if (!data_ || size_ < kGifScreenPrefixLength) return;
    screenWidth_ = static_cast<int32_t>(ReadWord(data_ + kScreenWidthOffset));
    screenHeight_ = static_cast<int32_t>(ReadWord(data_ + kScreenHeightOffset));
    globalColorTableSize_ = ColorTableSize(data_[kScreenPackedOffset]);
    if (static_cast<uint64_t>(kGifScreenPrefixLength) + globalColorTableSize_ > size_) {
        globalColorTableSize_ = 0;
        return;
    }
    valid_ = true;
    Rewind();
}

int64_t GifParser::SubBlockChainLength(uint32_t start) const {
    uint64_t at = start;
    for (;;) {
        if (at >= size_) return -1;
        uint8_t length = data_[at];
        at += 1u + length;
        if (length == 0) return static_cast<int64_t>(at - start);
    }
}

GifParser::Block GifParser::Examine() const {
    const Block unrecognised{GifBlockKind::Unrecognised, -1};
    if (!valid_ || readOffset_ >= size_) return unrecognised;
    const uint64_t at = readOffset_;
    const uint8_t* block = data_ + at;

    GifBlockKind kind = GifBlockKind::Unrecognised;
    uint64_t fixed = 0;
    if (block[0] == kGifTrailer) return {GifBlockKind::Trailer, 1};
    if (block[0] == kImageSeparator) {
        if (at + kImageDescriptorLength > size_) return unrecognised;
        kind = GifBlockKind::Image;
        fixed = kImageFixedLength + ColorTableSize(block[kImagePackedOffset]);
    } else if (block[0] == kExtensionIntroducer) {
        if (at + 2 > size_) return unrecognised;
        switch (block[1]) {
            case kApplicationLabel:
                kind = GifBlockKind::ApplicationExtension;
                fixed = kApplicationFixedLength;
                break;
            case kCommentLabel:
                kind = GifBlockKind::CommentExtension;
                fixed = kCommentFixedLength;
                break;
            case kGraphicControlLabel:
                if (at + kGraphicControlLength > size_) return unrecognised;
                return {GifBlockKind::GraphicControl, static_cast<int64_t>(kGraphicControlLength)};
            case kPlainTextLabel:
                kind = GifBlockKind::PlainText;
                fixed = kPlainTextFixedLength;
                break;
            default:
                return unrecognised;
        }
    } else {
        return unrecognised;
    }
    if (at + fixed >= size_) return unrecognised;  // the chain's first size byte is missing
    int64_t chain = SubBlockChainLength(static_cast<uint32_t>(at + fixed));
    if (chain < 0) return unrecognised;
    return {kind, static_cast<int64_t>(fixed) + chain};
}

GifBlockKind GifParser::Kind() const { return Examine().kind; }

int64_t GifParser::BlockLength() const { return Examine().length; }

bool GifParser::SkipBlock() {
    Block block = Examine();
    if (block.length <= 0 || readOffset_ + static_cast<uint64_t>(block.length) > size_) return false;
    readOffset_ += static_cast<uint32_t>(block.length);
    return true;
}

GifBlockKind GifParser::SkipExtensions(bool& ok) {
    ok = true;
    GifBlockKind kind = Kind();
    while (IsSkippedExtension(kind)) {
        if (!SkipBlock()) {
            ok = false;
            return kind;
        }
        kind = Kind();
    }
    return kind;
}

GifBlockKind GifParser::SkipToGraphicRendering(bool& ok) {
    ok = true;
    GifBlockKind kind = Kind();
    while (!IsRendering(kind) && !IsEnd(kind)) {
        if (!SkipBlock()) {
            ok = false;
            return kind;
        }
        kind = Kind();
    }
    return kind;
}

bool GifParser::SkipGraphicBlock() {
    bool ok = true;
    GifBlockKind kind = SkipExtensions(ok);
    if (!ok || IsEnd(kind)) return false;
    if (kind == GifBlockKind::GraphicControl) {
        if (!SkipBlock()) return false;
        kind = SkipToGraphicRendering(ok);
        if (!ok || IsEnd(kind)) return false;
    }
    return SkipBlock();
}

uint32_t GifParser::CountFrames() {
    Rewind();
    uint32_t count = 0;
    while (SkipGraphicBlock()) ++count;
    return count;
}

bool GifParser::ExtractFrame(GifFrameSpan& frame) {
    GifFrameSpan found;
    bool ok = true;
    GifBlockKind kind = SkipExtensions(ok);
    if (!ok || IsEnd(kind)) return false;
    found.start = readOffset_;
    if (kind == GifBlockKind::GraphicControl) {
        const uint8_t* control = data_ + readOffset_;
        found.delay = ReadWord(control + kControlDelayOffset);
        found.disposal = (control[kControlPackedOffset] >> kDisposalShift) & kDisposalMask;
        if (!SkipBlock()) return false;
        kind = SkipToGraphicRendering(ok);
        if (!ok || IsEnd(kind)) return false;
    } else {
        found.delay = kGifNoDelay;
    }
    if (kind == GifBlockKind::Image) {
        const uint8_t* descriptor = data_ + readOffset_;
        found.width = static_cast<int32_t>(ReadWord(descriptor + kImageWidthOffset));
        found.height = static_cast<int32_t>(ReadWord(descriptor + kImageHeightOffset));
        found.left = static_cast<int32_t>(ReadWord(descriptor + kImageLeftOffset));
        found.top = static_cast<int32_t>(ReadWord(descriptor + kImageTopOffset));
    }
    if (!SkipBlock()) return false;
    found.length = readOffset_ - found.start;
    frame = found;
    return true;
}

uint64_t GifParser::FrameGifLength(const GifFrameSpan& frame) const {
    return static_cast<uint64_t>(firstBlockOffset()) + frame.length + 1;
}

void GifParser::WriteFrameGif(const GifFrameSpan& frame, uint8_t* out) const {
    const uint32_t prefix = firstBlockOffset();
    std::memcpy(out, data_, prefix);
    std::memcpy(out + prefix, data_ + frame.start, frame.length);
    out[prefix + frame.length] = kGifTrailer;
}
