#include "graphics/QoiDecoder.hpp"

#include "core/OutOfMemory.hpp"

#include <cstdlib>
#include <cstring>

namespace vf {

namespace {

enum : uint8_t {
    opIndex = 0x00, // 00iiiiii
    opDiff = 0x40,  // 01rrggbb
    opLuma = 0x80,  // 10gggggg rrrrbbbb
    opRun = 0xC0,   // 11llllll
    opRGB = 0xFE,
    opRGBA = 0xFF,
    tagMask = 0xC0,
};

uint32_t readBigEndian32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

int indexPosition(RGBA px)
{
    return (px.r * 3 + px.g * 5 + px.b * 7 + px.a * 11) % 64;
}

} // namespace

bool QoiDecoder::hasSignature(const uint8_t* data, std::size_t size)
{
    return data != nullptr && size >= headerSize && std::memcmp(data, "qoif", 4) == 0;
}

RGBA* QoiDecoder::decode(const uint8_t* data, std::size_t size, int& width, int& height)
{
    width = 0;
    height = 0;
    if (!hasSignature(data, size))
        return nullptr;
    const uint32_t w = readBigEndian32(data + 4);
    const uint32_t h = readBigEndian32(data + 8);
    const uint8_t channels = data[12];
    const uint8_t colorspace = data[13];
    if (w == 0 || h == 0 || (channels != 3 && channels != 4) || colorspace > 1)
        return nullptr;
    const uint64_t count = uint64_t(w) * h;
    // No byte of the stream gives more than 62 pixels: shorter data cannot fill the image.
    if (count > maxPixels || count > (size - headerSize) * 62)
        return nullptr;

    RGBA* out = static_cast<RGBA*>(checkedMalloc(count * sizeof(RGBA)));
    RGBA index[64] = {};
    RGBA px{0, 0, 0, 255};
    std::size_t p = headerSize;
    uint64_t i = 0;
    while (i < count) {
        if (p >= size)
            break;
        const uint8_t b1 = data[p++];
        uint32_t run = 1;
        if (b1 == opRGB) {
            if (size - p < 3)
                break;
            px.r = data[p];
            px.g = data[p + 1];
            px.b = data[p + 2];
            p += 3;
        } else if (b1 == opRGBA) {
            if (size - p < 4)
                break;
            px = RGBA{data[p], data[p + 1], data[p + 2], data[p + 3]};
            p += 4;
        } else if ((b1 & tagMask) == opIndex) {
            px = index[b1];
        } else if ((b1 & tagMask) == opDiff) {
            px.r = static_cast<uint8_t>(px.r + ((b1 >> 4) & 3) - 2);
            px.g = static_cast<uint8_t>(px.g + ((b1 >> 2) & 3) - 2);
            px.b = static_cast<uint8_t>(px.b + (b1 & 3) - 2);
        } else if ((b1 & tagMask) == opLuma) {
            if (p >= size)
                break;
            const uint8_t b2 = data[p++];
            const int dg = (b1 & 0x3F) - 32;
            px.r = static_cast<uint8_t>(px.r + dg - 8 + ((b2 >> 4) & 0x0F));
            px.g = static_cast<uint8_t>(px.g + dg);
            px.b = static_cast<uint8_t>(px.b + dg - 8 + (b2 & 0x0F));
        } else { // run of the previous pixel; 63 and 64 are taken by the RGB/RGBA tags
            run = (b1 & 0x3F) + 1u;
        }
        index[indexPosition(px)] = px;
        for (; run > 0 && i < count; --run)
            out[i++] = px;
    }
    if (i < count) {
        std::free(out);
        return nullptr;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return out;
}

} // namespace vf
