#pragma once
#include "graphics/ImageRef.hpp"
#include "graphics/Pixels.hpp"
#include "graphics/ResizeFilter.hpp"

#include <cstddef>

namespace vf {

class ThreadPool;

// Lanczos kernel L(x) of lobe count a, in single precision (1 at 0, 0 from |x| >= a).
float lanczosKernel(float x, float a);

// 8-bit sRGB resampler of RGBA images with clamped edges. Its working memory
// (`scratch`) is kept from call to call, so once it is large enough for the
// sizes in use, resampling allocates nothing.
class ImageResizer {
public:
    ImageResizer() = default;
    ImageResizer(const ImageResizer&) = delete;
    ImageResizer& operator=(const ImageResizer&) = delete;
    ~ImageResizer();

    // Whichever thread owns this resizer; allocates only to grow the scratch.
    // alphaChannel 3: colour is weighted by alpha (a transparent pixel lends no
    // colour to its neighbours); -1: all four channels are treated alike, each
    // through the sRGB curve. Empty images, other alphaChannel values or a failed
    // scratch allocation leave the output untouched.
    void resizeImageSRGB(ImageRef<RGBA> input, ImageRef<RGBA> output, int alphaChannel, ResizeFilter filter);

    // The same, with the Lanczos filters splitting the output rows into one band
    // per thread of `pool` (null: the calling thread alone), which waits for
    // them; small images stay on the calling thread. The bytes written do not
    // depend on the split. The scratch holds the weights once and working rows
    // for each band.
    void resizeImageSRGB(
        ImageRef<RGBA> input, ImageRef<RGBA> output, int alphaChannel, ResizeFilter filter, ThreadPool* pool);

    // Which code does the Lanczos work. Callers leave it automatic (the widest
    // vectors the CPU runs); tests pin the others to compare them byte for byte.
    // reference: the original one-pixel-per-vector loop on the calling thread,
    // pool ignored. avx2 on a CPU without it runs sse2.
    enum class Kernel { automatic, reference, sse2, avx2 };
    void setKernel(Kernel kernel) { kernel_ = kernel; }
    static bool cpuHasAvx2();

    std::size_t scratchSize() const { return scratchSize_; }
    const void* scratchData() const { return scratch_; }

private:
    bool ensureScratch(std::size_t bytes);
    void resizeLanczos(
        ImageRef<RGBA> input, ImageRef<RGBA> output, bool alphaWeighted, ResizeFilter filter, ThreadPool* pool);

    Kernel kernel_ = Kernel::automatic;

    // The geometry whose Lanczos weights the scratch holds: a knob resamples
    // frame after frame of one size, and the weights (a sine per tap) were a
    // fifth of each frame's time.
    struct WeightsKey {
        int inWidth = 0, outWidth = 0, inHeight = 0, outHeight = 0;
        float a = 0.0f;
        bool pairs = false;
        bool operator==(const WeightsKey&) const = default;
    };
    WeightsKey weightsKey_;

    void* scratch_ = nullptr;
    std::size_t scratchSize_ = 0;
};

} // namespace vf
