#include "window/X11SharedImage.hpp"

#include "window/X11Display.hpp"

#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>

namespace vf {

namespace {

// Only a server on this machine, reached through a local socket, sees our
// segments: a forwarded display could even attach an unrelated one of its own.
bool serverIsLocal(Display* display)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    return getsockname(ConnectionNumber(display), reinterpret_cast<sockaddr*>(&address), &length) == 0
        && address.ss_family == AF_UNIX;
}

// Up to a knob and its label at the largest size, with room to spare.
constexpr long maxSharedPixels = 256 * 256;

} // namespace

void X11SharedImage::resize(Visual* visual, int width, int height)
{
    dropImage();
    visual_ = visual;
    width_ = width;
    height_ = height;
}

bool X11SharedImage::makeImage(Display* display)
{
    if (refused_ || width_ <= 0 || height_ <= 0)
        return false;
    const std::size_t bytes = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4;
    if (bytes > capacity_) {
        release(display);
        if (!serverIsLocal(display) || XShmQueryExtension(display) == False || !attach(display, bytes)) {
            refused_ = true;
            return false;
        }
    }
    image_ = XShmCreateImage(display, visual_, 24, ZPixmap, segment_.shmaddr, &segment_, static_cast<unsigned>(width_),
                             static_cast<unsigned>(height_));
    if (image_ != nullptr && (image_->bits_per_pixel != 32 || image_->bytes_per_line != width_ * 4)) {
        dropImage();
        release(display);
        refused_ = true;
    }
    return image_ != nullptr;
}

bool X11SharedImage::attach(Display* display, std::size_t bytes)
{
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0)
        return false;
    void* memory = shmat(id, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return false;
    }
    segment_.shmid = id;
    segment_.shmaddr = static_cast<char*>(memory);
    segment_.readOnly = True;
    // Any error in the round trip counts against the attachment: at worst a
    // stray one of another request sends frames through the socket.
    XSync(display, False);
    const unsigned long errorsBefore = x11::droppedErrorCount();
    const bool sent = XShmAttach(display, &segment_) != False;
    XSync(display, False);
    // Marked for removal now: it goes when both sides have let go, even if we crash.
    shmctl(id, IPC_RMID, nullptr);
    if (!sent || x11::droppedErrorCount() != errorsBefore) {
        shmdt(memory);
        segment_ = {};
        return false;
    }
    capacity_ = bytes;
    return true;
}

void X11SharedImage::release(Display* display)
{
    dropImage();
    if (capacity_ == 0)
        return;
    XShmDetach(display, &segment_);
    XSync(display, False);
    shmdt(segment_.shmaddr);
    segment_ = {};
    capacity_ = 0;
}

void X11SharedImage::dropImage()
{
    if (image_ == nullptr)
        return;
    // The memory is the segment's: only the description goes.
    image_->data = nullptr;
    XFree(image_);
    image_ = nullptr;
}

bool X11SharedImage::put(Display* display, Drawable window, GC gc, ImageRef<RGBA> pixels, box2i area)
{
    if (static_cast<long>(area.width()) * area.height() > maxSharedPixels || (image_ == nullptr && !makeImage(display)))
        return false;
    const box2i r = area.intersection(box2i{{0, 0}, {image_->width, image_->height}}).intersection(pixels.bounds());
    if (r.empty())
        return true;
    const auto pitch = static_cast<std::size_t>(image_->bytes_per_line);
    for (int y = r.min.y; y < r.max.y; ++y)
        std::memcpy(segment_.shmaddr + static_cast<std::size_t>(y) * pitch + static_cast<std::size_t>(r.min.x) * 4,
                    pixels.scanline(y) + r.min.x, static_cast<std::size_t>(r.width()) * 4);
    XShmPutImage(display, window, gc, image_, r.min.x, r.min.y, r.min.x, r.min.y, static_cast<unsigned>(r.width()),
                 static_cast<unsigned>(r.height()), False);
    return true;
}

} // namespace vf
