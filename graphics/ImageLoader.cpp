#include "graphics/ImageLoader.hpp"

#include "core/OutOfMemory.hpp"
#include "graphics/QoiDecoder.hpp"

#include <climits>
#include <cstdlib>
#include <cstring>

// The decoder stays private to this file: static linkage, and only the two
// formats we embed.
#define STBI_STATIC
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
// Zeroed allocations: stb_image 2.27 decodes a JPEG scan with a Huffman table the file
// never defined, indexing its tables with whatever the fresh allocation held.  A zeroed
// table decodes every code as an empty one instead.
#define STBI_MALLOC(size) std::calloc(1, size)
#define STBI_REALLOC(pointer, size) std::realloc(pointer, size)
#define STBI_FREE(pointer) std::free(pointer)
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace vf {

namespace {

const uint8_t pngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

bool isPng(const uint8_t* data, std::size_t size)
{
    return size >= sizeof(pngSignature) && std::memcmp(data, pngSignature, sizeof(pngSignature)) == 0;
}

bool isJpeg(const uint8_t* data, std::size_t size)
{
    return size >= 2 && data[0] == 0xFF && data[1] == 0xD8;
}

// The decoder allocates an IDAT chunk's declared length before it reads the chunk, so
// a few bytes could ask for gigabytes: every chunk up to IEND must lie in the data.  It
// also copies an empty first IDAT into a null buffer (undefined behaviour); such files
// are legal but no encoder of ours writes them, so they are refused too.
bool pngChunksFit(const uint8_t* data, std::size_t size)
{
    bool anyImageData = false;
    for (std::size_t p = sizeof(pngSignature); size - p >= 8;) {
        const std::size_t length = std::size_t{data[p]} << 24 | data[p + 1] << 16 | data[p + 2] << 8 | data[p + 3];
        if (length > size - p - 8 || size - p - 8 - length < 4) // data and checksum
            return false;
        if (std::memcmp(data + p + 4, "IDAT", 4) == 0) {
            if (length == 0 && !anyImageData)
                return false;
            anyImageData = true;
        }
        if (std::memcmp(data + p + 4, "IEND", 4) == 0)
            break;
        p += 12 + length;
    }
    return true;
}

// stb_image 2.27 trusts the code counts of a Huffman table: counts summing past 256
// write beyond its tables.  Walks the segments as the decoder does (entropy-coded data
// is skipped up to its next marker) and refuses such a table.
bool jpegHuffmanTablesFit(const uint8_t* data, std::size_t size)
{
    auto at = [&](std::size_t i) -> std::size_t { return i < size ? data[i] : 0; }; // the decoder reads 0 past the end
    std::size_t p = 2;
    while (p + 1 < size) {
        const std::size_t m = data[p + 1];
        if (data[p] != 0xFF || m == 0xFF || m == 0x00 || m == 0x01 || (m >= 0xD0 && m <= 0xD9)) {
            p += data[p] == 0xFF && m != 0xFF ? 2 : 1; // data, fill, stuffing, or a marker without length
            continue;
        }
        const std::size_t length = at(p + 2) << 8 | at(p + 3);
        if (m == 0xC4) { // tables: class and id, 16 counts, the values
            long remaining = static_cast<long>(length) - 2;
            for (std::size_t q = p + 4; remaining > 0;) {
                std::size_t n = 0;
                for (std::size_t i = 1; i <= 16; ++i)
                    n += at(q + i);
                if (n > 256)
                    return false;
                q += 17 + n;
                remaining -= static_cast<long>(17 + n);
            }
        }
        p += 2 + length;
    }
    return true;
}

// PNG or JPEG through the library decoder; 16-bit samples keep their high byte.
RGBA* decodeWithLibrary(const uint8_t* data, std::size_t size, bool png, int& width, int& height)
{
    if (size > static_cast<std::size_t>(INT_MAX))
        return nullptr;
    const int len = static_cast<int>(size);
    int w = 0, h = 0, channelsInFile = 0;
    if (png ? !pngChunksFit(data, size) : !jpegHuffmanTablesFit(data, size))
        return nullptr;
    // The decoder allocates the whole image from the header's size before it reads any
    // pixel: a few bytes could ask for gigabytes.
    if (!stbi_info_from_memory(data, len, &w, &h, &channelsInFile)
        || static_cast<uint64_t>(w) * static_cast<uint64_t>(h) > QoiDecoder::maxPixels)
        return nullptr;
    if (png && stbi_is_16_bit_from_memory(data, len)) {
        stbi_us* wide = stbi_load_16_from_memory(data, len, &w, &h, &channelsInFile, 4);
        if (wide == nullptr)
            return nullptr;
        const std::size_t samples = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4;
        auto* narrow = static_cast<uint8_t*>(checkedMalloc(samples));
        for (std::size_t i = 0; i < samples; ++i)
            narrow[i] = static_cast<uint8_t>(wide[i] >> 8);
        stbi_image_free(wide);
        width = w;
        height = h;
        return reinterpret_cast<RGBA*>(narrow);
    }
    stbi_uc* pixels = stbi_load_from_memory(data, len, &w, &h, &channelsInFile, 4);
    if (pixels == nullptr)
        return nullptr;
    width = w;
    height = h;
    return reinterpret_cast<RGBA*>(pixels);
}

} // namespace

std::unique_ptr<OwnedImage<RGBA>> loadOwnedImage(const uint8_t* data, std::size_t size)
{
    auto image = std::make_unique<OwnedImage<RGBA>>();
    if (data == nullptr || size < 2)
        return image;
    int width = 0, height = 0;
    RGBA* pixels = nullptr;
    if (QoiDecoder::hasSignature(data, size))
        pixels = QoiDecoder::decode(data, size, width, height);
    else if (isPng(data, size))
        pixels = decodeWithLibrary(data, size, true, width, height);
    else if (isJpeg(data, size))
        pixels = decodeWithLibrary(data, size, false, width, height);
    if (pixels != nullptr)
        image->adopt(pixels, width, height);
    return image;
}

} // namespace vf
