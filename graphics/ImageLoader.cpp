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

// PNG or JPEG through the library decoder; 16-bit samples keep their high byte.
RGBA* decodeWithLibrary(const uint8_t* data, std::size_t size, bool png, int& width, int& height)
{
    if (size > static_cast<std::size_t>(INT_MAX))
        return nullptr;
    const int len = static_cast<int>(size);
    int w = 0, h = 0, channelsInFile = 0;
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
