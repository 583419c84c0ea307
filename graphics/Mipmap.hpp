#pragma once
#include "core/Box2i.hpp"
#include "core/GrowableArray.hpp"
#include "graphics/ImageRef.hpp"
#include "graphics/OwnedImage.hpp"
#include "graphics/Pixels.hpp"

namespace vf {

// Filter that builds mip level k from level k - 1.
enum class Quality : int {
    box = 0,                   // mean of 2 x 2, rounded
    cubic = 1,                 // 4 x 4 with weights (1, 3, 3, 1), edge rows/columns clamped
    boxAlphaCov = 2,           // RGBA only: 2 x 2 with colour weighted by alpha
    boxAlphaCovIntoPremul = 3, // RGBA only: 2 x 2 giving premultiplied colour at a quarter of the weight
};

// Level filters. Each fills the destination pixels inside rectOnDest (clipped to
// the destination and to half the source) from the source level; nothing else is
// read or written, so threads may fill disjoint rectangles of one level at once.
// No allocation.
void generateLevelBoxRGBA(ImageRef<RGBA> dest, ImageRef<RGBA> source, box2i rectOnDest);
void generateLevelCubicRGBA(ImageRef<RGBA> dest, ImageRef<RGBA> source, box2i rectOnDest);
void generateLevelBoxAlphaCovRGBA(ImageRef<RGBA> dest, ImageRef<RGBA> source, box2i rectOnDest);
void generateLevelBoxAlphaCovIntoPremulRGBA(ImageRef<RGBA> dest, ImageRef<RGBA> source, box2i rectOnDest);
void generateLevelBoxL16(ImageRef<L16> dest, ImageRef<L16> source, box2i rectOnDest);
void generateLevelCubicL16(ImageRef<L16> dest, ImageRef<L16> source, box2i rectOnDest);

// A full-size image (level 0) and its successive halvings: level k measures
// (width >> k, height >> k). Instantiated for RGBA and L16.
template <typename T>
class Mipmap {
public:
    // The level images, owned by the mipmap; the list only ever grows.
    class Levels {
    public:
        Levels() = default;
        Levels(const Levels&) = delete;
        Levels& operator=(const Levels&) = delete;
        ~Levels();
        int length() const { return list_.length(); }
        OwnedImage<T>& operator[](int k) const { return *list_[k]; }

    private:
        friend class Mipmap;
        GrowableArray<OwnedImage<T>*> list_;
    };

    Mipmap() = default;
    Mipmap(const Mipmap&) = delete;
    Mipmap& operator=(const Mipmap&) = delete;

    // Sizes levels 0..maxLevel that have a non-zero size (no border, alignment 1).
    // The level count never decreases: levels past what the new size allows are
    // kept, sized to zero, so that filling them is a harmless no-op. Allocates.
    void size(int maxLevel, int width, int height);

    int numLevels() const { return levels.length(); }
    OwnedImage<T>& level(int k) const { return levels[k]; }

    // Rebuilds the part of `level` that depends on the given rectangle of
    // level - 1 and returns it, so that callers chain level after level. A level
    // outside 1..numLevels()-1, or a filter this pixel type does not have, does
    // nothing and returns an empty box. No allocation.
    box2i generateNextLevel(Quality quality, box2i updatedRectOnPreviousLevel, int level);

    // The rectangle of the next level that depends on rectangle r of a level of
    // the given size.
    static box2i impactOnNextLevel(Quality quality, box2i r, int previousWidth, int previousHeight);

    Levels levels;
};

extern template class Mipmap<RGBA>;
extern template class Mipmap<L16>;

} // namespace vf
