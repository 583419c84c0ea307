// Whole image files, as loadOwnedImage receives them: QOI, PNG and JPEG by signature.
// An image that loads must be as large as it says (every pixel is read) and within
// the loader's size limit; one that does not must come back empty.
#include "FuzzInput.hpp"

#include "graphics/ImageLoader.hpp"
#include "graphics/QoiDecoder.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto image = vf::loadOwnedImage(data, size);
    FUZZ_CHECK(image != nullptr);
    if (image->empty()) {
        FUZZ_CHECK(image->width() == 0 && image->height() == 0 && image->pixels() == nullptr);
        return 0;
    }
    FUZZ_CHECK(image->width() > 0 && image->height() > 0 && image->pitch() == 4 * image->width());
    FUZZ_CHECK(uint64_t(image->width()) * uint64_t(image->height()) <= vf::QoiDecoder::maxPixels);
    uint64_t sum = 0;
    for (int y = 0; y < image->height(); ++y)
        for (int x = 0; x < image->width(); ++x)
            sum += image->scanline(y)[x].a;
    FUZZ_CHECK(sum <= 255u * uint64_t(image->width()) * uint64_t(image->height()));
    return 0;
}
