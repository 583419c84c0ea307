#pragma once
#include "core/Box2i.hpp"

namespace vf {

class ImageResizer;
class UIElement;

// What elements may ask of the editor they live in.  Event thread unless stated.
class IUIContext {
public:
    virtual ~IUIContext() = default;

    virtual float getUIScale() = 0;   // always 1
    virtual float getUserScale() = 0; // always 1
    virtual vec2i getDefaultUISizeInPixels() = 0;
    virtual int getDefaultUIWidth() = 0;
    virtual int getDefaultUIHeight() = 0;
    // The content size.
    virtual vec2i getUISizeInPixelsUser() = 0;
    // Both the window size.
    virtual vec2i getUISizeInPixelsLogical() = 0;
    virtual vec2i getUISizeInPixelsPhysical() = 0;
    // Asks the host, then the editor's own window, for a new window size.
    virtual bool requestUIResize(int width, int height) = 0;
    virtual void getUINearestValidSize(int* width, int* height) = 0;
    virtual bool isUIResizable() = 0;
    // Shared resampler for work done on the event thread (never on pool threads).
    virtual ImageResizer* globalImageResizer() = 0;
    // 16 slots (0..15) for the editor's own use; other indices are ignored / give null.
    virtual void setUserPointer(int index, void* pointer) = 0;
    virtual void* getUserPointer(int index) = 0;
    virtual UIElement* getRootElement() = 0;
    // Null for a null id; "__ROOT__" gives the root.
    virtual UIElement* getElementById(const char* id) = 0;
};

} // namespace vf
