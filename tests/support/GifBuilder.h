// Small GIF byte streams made piece by piece, for tests that need a picture of exactly
// known structure (and, where the system loader must read it, valid image data).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace test::gif {

using Bytes = std::vector<uint8_t>;

struct Rgb {
    uint8_t r, g, b;
};

constexpr uint8_t kTrailer = 0x3B;

// Pieces joined in order.
Bytes Join(std::initializer_list<Bytes> pieces);

// Header and Logical Screen Descriptor, followed by a Global Color Table when `table` is
// not empty (padded with black to a power of two, at least two entries).
Bytes Screen(uint16_t width, uint16_t height, const std::vector<Rgb>& table, const char* signature = "GIF89a");

// A Graphic Control Extension; otherBits go into the packed byte beside the disposal
// (reserved bits, user input flag, transparent colour flag).
Bytes GraphicControl(uint16_t delay, uint8_t disposal, uint8_t otherBits = 0);

// An Image Descriptor with its data: `indices` (width x height colour indexes, row by row)
// encoded as LZW that the system loader can read. A non-empty localTable is written as
// the Local Color Table.
Bytes Image(uint16_t left, uint16_t top, uint16_t width, uint16_t height, const std::vector<uint8_t>& indices,
            const std::vector<Rgb>& localTable = {});
// The same picture filled with one colour index.
Bytes FilledImage(uint16_t left, uint16_t top, uint16_t width, uint16_t height, uint8_t index);

Bytes Comment(const std::string& text);
// The usual "NETSCAPE2.0" looping extension.
Bytes LoopingApplication();
Bytes PlainText(const std::string& text);

// `payload` split into data sub-blocks and ended by the Block Terminator.
Bytes SubBlocks(const Bytes& payload);

}  // namespace test::gif
