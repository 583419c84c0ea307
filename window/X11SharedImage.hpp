// The window's picture in memory it shares with a local X server.
#pragma once
#include "core/Box2i.hpp"
#include "graphics/ImageRef.hpp"
#include "graphics/Pixels.hpp"

#include <cstddef>

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

namespace vf {

// A small frame shown through shared memory costs the server one short request
// instead of the frame's pixels through the socket.  Under host automation that
// write was a third of each frame's time, and it blocked until the server had read
// it all.  Large frames (opening, resizing) still go through the socket: they are
// rare, and filling fresh shared pages took longer than the write.
// Every call is made under the Xlib lock.
class X11SharedImage {
public:
    X11SharedImage() = default;
    X11SharedImage(const X11SharedImage&) = delete;
    X11SharedImage& operator=(const X11SharedImage&) = delete;

    // The window's new size in pixels of a 24-bit visual; the memory is attached
    // (or grown) when the first small area is put.
    void resize(Visual* visual, int width, int height);
    // Detaches and frees the memory; a round trip, so the server has let go.
    void release(Display* display);

    // Copies the area of `pixels` (4-byte pixels, the window's size) and asks the
    // server to draw it into the window.  False, having done nothing, for a large
    // area or a server that cannot share memory with us (remote, without the
    // extension, in another IPC namespace): the caller sends it through the socket.
    bool put(Display* display, Drawable window, GC gc, ImageRef<RGBA> pixels, box2i area);

private:
    bool makeImage(Display* display);
    bool attach(Display* display, std::size_t bytes);
    void dropImage();

    Visual* visual_ = nullptr;
    int width_ = 0, height_ = 0;
    XShmSegmentInfo segment_{};
    std::size_t capacity_ = 0;
    XImage* image_ = nullptr;
    bool refused_ = false;
};

} // namespace vf
