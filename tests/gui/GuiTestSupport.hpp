#pragma once
#include "gui/GUIGraphics.hpp"
#include "gui/UIContext.hpp"

#include <string>
#include <vector>

namespace vf::test {

inline SizeConstraints editorConstraints()
{
    static const float ratios[] = {0.65f, 0.75f, 0.85f, 1.0f, 1.25f, 1.5f};
    return SizeConstraints::discrete(365, 650, ratios, 6);
}

// An element that records what it receives and paints a flat colour on the raw
// layer (alpha as given, so tests can tell paint order apart).
class Probe : public UIElement {
public:
    Probe(UIContext* context, const char* name, uint32_t flags = rawLayerFlag, RGBA colour = {})
        : UIElement(context, flags), name(name), colour(colour)
    {
        setId(name);
    }

    bool onMouseClick(int x, int y, int, bool, MouseState) override
    {
        log.push_back("click " + std::to_string(x) + "," + std::to_string(y));
        return acceptClicks;
    }
    bool onMouseWheel(int, int, int, int, MouseState) override
    {
        log.push_back("wheel");
        return acceptWheel;
    }
    void onMouseMove(int, int, int, int, MouseState) override { log.push_back("move"); }
    void onMouseDrag(int, int, int, int, MouseState) override { log.push_back("drag"); }
    void onBeginDrag() override { log.push_back("beginDrag"); }
    void onStopDrag() override { log.push_back("stopDrag"); }
    void onMouseEnter() override { log.push_back("enter"); }
    void onMouseExit() override { log.push_back("exit"); }
    void onFocusEnter() override { log.push_back("focusEnter"); }
    void onFocusExit() override { log.push_back("focusExit"); }
    bool onKeyDown(Key) override
    {
        log.push_back("keyDown");
        return acceptKeys;
    }
    void onAnimate(double, double) override { log.push_back("animate"); }
    void reflow() override { ++reflows; }

    void onDrawRaw(ImageRef<RGBA> rawMap, std::span<const box2i> dirtyRects) override
    {
        lastMapWidth = rawMap.width;
        lastMapHeight = rawMap.height;
        lastRects.assign(dirtyRects.begin(), dirtyRects.end());
        ++draws;
        for (const box2i& r : dirtyRects)
            for (int y = r.min.y; y < r.max.y; ++y)
                for (int x = r.min.x; x < r.max.x; ++x)
                    rawMap.at(x, y) = colour;
    }

    bool has(const std::string& event) const
    {
        for (const std::string& e : log)
            if (e == event)
                return true;
        return false;
    }

    std::string name;
    RGBA colour;
    std::vector<std::string> log;
    bool acceptClicks = true;
    bool acceptWheel = true;
    bool acceptKeys = false;
    int reflows = 0;
    int draws = 0;
    int lastMapWidth = 0;
    int lastMapHeight = 0;
    std::vector<box2i> lastRects;
};

// A root that paints a uniform background on the raw layer.
class TestRoot : public GUIGraphics {
public:
    explicit TestRoot(RGBA background = {10, 20, 30, 255}, uint32_t flags = rawLayerFlag)
        : GUIGraphics(editorConstraints(), flags), background(background)
    {
    }

    void onDrawRaw(ImageRef<RGBA> rawMap, std::span<const box2i> dirtyRects) override
    {
        for (const box2i& r : dirtyRects)
            for (int y = r.min.y; y < r.max.y; ++y)
                for (int x = r.min.x; x < r.max.x; ++x)
                    rawMap.at(x, y) = background;
    }

    // One frame the way the window drives it.
    void frame(WindowPixelFormat format = WindowPixelFormat::RGBA8)
    {
        windowListener()->recomputeDirtyAreas();
        windowListener()->onDraw(format);
    }

    RGBA background;
};

template <typename T>
T* addProbe(UIElement* parent, T* child, box2i position)
{
    parent->addChild(child);
    child->setPosition(position);
    return child;
}

} // namespace vf::test
