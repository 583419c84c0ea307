// The window's picture in memory it shares with a local X server.
#pragma once
#include "core/Box2i.hpp"
#include "graphics/ImageRef.hpp"
#include "graphics/Pixels.hpp"

#include <cstddef>

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

namespace vf {

// A frame shown through shared memory costs the server one short request instead
// of the frame's pixels through the socket.  Under host automation that write was
// a third of each frame's time, and it blocked until the server had read it all.
// Every call is made under the Xlib lock.
class X11SharedImage {
public:
    X11SharedImage() = default;
    X11SharedImage(const X11SharedImage&) = delete;
    X11SharedImage& operator=(const X11SharedImage&) = delete;

    // Readies the image for width x height pixels of a 24-bit visual, keeping the
    // memory when it is large enough.  False when the server cannot share memory
    // with us (remote, without the extension, in another IPC namespace): the
    // caller then sends pixels through the socket, as it does from then on.
    bool resize(Display* display, Visual* visual, int width, int height);
    // Detaches and frees the memory; a round trip, so the server has let go.
    void release(Display* display);
    bool active() const { return image_ != nullptr; }

    // Copies the area of `pixels` (4-byte pixels, the image's size) and asks the
    // server to draw it into the window.
    void put(Display* display, Drawable window, GC gc, ImageRef<RGBA> pixels, box2i area);

private:
    bool attach(Display* display, std::size_t bytes);
    void dropImage();

    XShmSegmentInfo segment_{};
    std::size_t capacity_ = 0;
    XImage* image_ = nullptr;
    bool refused_ = false;
};

} // namespace vf
