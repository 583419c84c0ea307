#include "TestImageFiles.hpp"

#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

#include <algorithm>

namespace vf::test {

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    out.insert(out.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
}

void putChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body)
{
    put32(out, uint32_t(body.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    uint32_t crc = ~0u;
    for (size_t i = start; i < out.size(); ++i) {
        crc ^= out[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    put32(out, ~crc);
}

} // namespace

std::vector<uint8_t> encodePng(int width, int height, int colourType, int bitDepth, const std::vector<uint16_t>& samples)
{
    const size_t perRow = samples.size() / size_t(height);
    std::vector<uint8_t> raw;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (i % perRow == 0)
            raw.push_back(0); // filter type: none
        if (bitDepth == 16)
            raw.push_back(uint8_t(samples[i] >> 8));
        raw.push_back(uint8_t(samples[i]));
    }
    // zlib stream of one stored block (test images stay under 64 KiB).
    const auto n = uint16_t(raw.size());
    std::vector<uint8_t> z(7 + raw.size());
    const uint8_t head[7] = {0x78, 0x01, 1, uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8)};
    std::copy(head, head + 7, z.begin());
    std::copy(raw.begin(), raw.end(), z.begin() + 7);
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    put32(z, (b << 16) | a);

    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> header;
    put32(header, uint32_t(width));
    put32(header, uint32_t(height));
    header.insert(header.end(), {uint8_t(bitDepth), uint8_t(colourType), 0, 0, 0});
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", z);
    putChunk(png, "IEND", {});
    return png;
}

std::vector<uint8_t> encodeFlatJpeg(int width, int height, RGBA colour)
{
    std::vector<uint8_t> rgb;
    for (int i = 0; i < width * height; ++i)
        rgb.insert(rgb.end(), {colour.r, colour.g, colour.b});
    std::vector<uint8_t> out;
    auto append = [](void* context, void* data, int size) {
        auto* v = static_cast<std::vector<uint8_t>*>(context);
        v->insert(v->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    stbi_write_jpg_to_func(append, &out, width, height, 3, rgb.data(), 95);
    return out;
}

} // namespace vf::test
