#pragma once
#include <cstdint>

namespace vf {

// A native window showing a GUI.  Host UI thread unless stated otherwise.
class IWindow {
public:
    virtual ~IWindow() = default;

    // Blocks for this window's next event and processes it (stand-alone use only;
    // a plug-in editor gets its events through the window's own event thread).
    virtual void waitEventAndDispatch() = 0;
    // True once the window system reported the window destroyed.  Any thread.
    virtual bool terminated() = 0;
    // Wall clock in milliseconds, truncated to 32 bits.  Any thread.
    virtual uint32_t getTimeMs() = 0;
    // The native window id.
    virtual void* systemHandle() = 0;
    // The editor asks for this size; the host learns it from the window's size
    // hints as well.  Host UI thread or the window's event thread.
    virtual bool requestResize(int width, int height, bool alsoResizeParentWindow) = 0;
    // The largest size the content can take, published to hosts that embed the
    // window (they keep their own window within it).  Host UI thread.
    virtual void setLargestSize(int maxWidth, int maxHeight) = 0;
};

} // namespace vf
