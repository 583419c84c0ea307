#pragma once
#include "client/Parameter.hpp"
#include "graphics/OwnedImage.hpp"
#include "gui/GUIGraphics.hpp"
#include "gui/UIContext.hpp"
#include "tests/support/Recorders.hpp"

#include <vector>

namespace vf::test {

// A root to give widgets a context; never opened, so it has no window or host.
inline GUIGraphics* makeRoot(bool resizable = true)
{
    static const float scales[] = {0.5f, 1.0f};
    return new GUIGraphics(SizeConstraints::discrete(100, 100, scales, resizable ? 2 : 1), rawLayerFlag);
}

inline void fill(OwnedImage<RGBA>& image, RGBA c)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.scanline(y)[x] = c;
}

inline void fill(ImageRef<RGBA> image, RGBA c)
{
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.at(x, y) = c;
}

inline std::vector<box2i> pullRawDirty(UIContext* context)
{
    GrowableArray<box2i> list;
    context->rawDirtyList().pullAllRectangles(list);
    return std::vector<box2i>(list.begin(), list.end());
}

} // namespace vf::test
