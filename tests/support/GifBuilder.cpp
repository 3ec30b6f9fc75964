#include "tests/support/GifBuilder.h"

#include <cstring>

namespace test::gif {
namespace {

void PutWord(Bytes& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

// Size field n of a colour table holding at least `count` entries (2^(n+1) entries).
uint8_t TableSizeField(size_t count) {
    uint8_t n = 0;
    while ((size_t{2} << n) < count) ++n;
    return n;
}

void PutTable(Bytes& out, const std::vector<Rgb>& table) {
    size_t entries = size_t{2} << TableSizeField(table.size());
    for (size_t i = 0; i < entries; ++i) {
        Rgb c = i < table.size() ? table[i] : Rgb{0, 0, 0};
        out.push_back(c.r);
        out.push_back(c.g);
        out.push_back(c.b);
    }
}

// LZW that never lets the code table grow: a clear code before every second index keeps
// each decoder at the first code width, whichever way it counts its table. Larger than
// real compression, and trivially right.
Bytes LiteralLzw(const std::vector<uint8_t>& indices, uint8_t minCodeSize) {
    const uint32_t clear = 1u << minCodeSize;
    const uint32_t end = clear + 1;
    const unsigned width = minCodeSize + 1u;
    Bytes out;
    uint32_t bits = 0;
    unsigned count = 0;
    auto emit = [&](uint32_t code) {
        bits |= code << count;
        count += width;
        while (count >= 8) {
            out.push_back(static_cast<uint8_t>(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    for (size_t i = 0; i < indices.size(); ++i) {
        if (i % 2 == 0) emit(clear);
        emit(indices[i]);
    }
    emit(end);
    if (count > 0) out.push_back(static_cast<uint8_t>(bits & 0xFF));
    return out;
}

}  // namespace

Bytes Join(std::initializer_list<Bytes> pieces) {
    Bytes out;
    for (const Bytes& piece : pieces) out.insert(out.end(), piece.begin(), piece.end());
    return out;
}

Bytes Screen(uint16_t width, uint16_t height, const std::vector<Rgb>& table, const char* signature) {
    Bytes out(signature, signature + std::strlen(signature));
    PutWord(out, width);
    PutWord(out, height);
    uint8_t packed = 0x70;  // colour resolution 8 bits
    if (!table.empty()) packed |= 0x80 | TableSizeField(table.size());
    out.push_back(packed);
    out.push_back(0);  // background colour index
    out.push_back(0);  // pixel aspect ratio
    if (!table.empty()) PutTable(out, table);
    return out;
}

Bytes GraphicControl(uint16_t delay, uint8_t disposal, uint8_t otherBits) {
    Bytes out{0x21, 0xF9, 0x04, static_cast<uint8_t>(otherBits | ((disposal & 7) << 2))};
    PutWord(out, delay);
    out.push_back(0);  // transparent colour index
    out.push_back(0);  // block terminator
    return out;
}

Bytes SubBlocks(const Bytes& payload) {
    Bytes out;
    for (size_t at = 0; at < payload.size(); at += 255) {
        size_t length = payload.size() - at < 255 ? payload.size() - at : 255;
        out.push_back(static_cast<uint8_t>(length));
        out.insert(out.end(), payload.begin() + static_cast<std::ptrdiff_t>(at),
                   payload.begin() + static_cast<std::ptrdiff_t>(at + length));
    }
    out.push_back(0);
    return out;
}

Bytes Image(uint16_t left, uint16_t top, uint16_t width, uint16_t height, const std::vector<uint8_t>& indices,
            const std::vector<Rgb>& localTable) {
    Bytes out{0x2C};
    PutWord(out, left);
    PutWord(out, top);
    PutWord(out, width);
    PutWord(out, height);
    out.push_back(localTable.empty() ? 0 : static_cast<uint8_t>(0x80 | TableSizeField(localTable.size())));
    if (!localTable.empty()) PutTable(out, localTable);
    // GIF forbids a minimum code size below 2.
    uint8_t minCodeSize = 2;
    for (uint8_t index : indices) {
        while ((1u << minCodeSize) <= index) ++minCodeSize;
    }
    out.push_back(minCodeSize);
    Bytes data = SubBlocks(LiteralLzw(indices, minCodeSize));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes FilledImage(uint16_t left, uint16_t top, uint16_t width, uint16_t height, uint8_t index) {
    return Image(left, top, width, height, std::vector<uint8_t>(size_t{width} * height, index));
}

Bytes Comment(const std::string& text) {
    Bytes out{0x21, 0xFE};
    Bytes data = SubBlocks(Bytes(text.begin(), text.end()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes LoopingApplication() {
    const char* id = "NETSCAPE2.0";
    Bytes out{0x21, 0xFF, 0x0B};
    out.insert(out.end(), id, id + 11);
    Bytes data = SubBlocks(Bytes{0x01, 0x00, 0x00});
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes PlainText(const std::string& text) {
    Bytes out{0x21, 0x01, 0x0C};
    for (int i = 0; i < 12; ++i) out.push_back(static_cast<uint8_t>(i + 1));  // grid and cell fields
    Bytes data = SubBlocks(Bytes(text.begin(), text.end()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

}  // namespace test::gif
