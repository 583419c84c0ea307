#pragma once
#include <cstdint>

namespace vf {

class IClient;

// Window system asked for by the adapter; this build provides X11 only.
enum class GraphicsBackend : int32_t { automatic = 0, win32 = 1, cocoa = 2, wayland = 3, x11 = 4 };

// The editor as a format adapter sees it (implemented by the GUI root).
// All calls come from the host's UI thread.
class IGraphics {
public:
    virtual ~IGraphics() = default;
    // Creates the editor window as a child of parentWindow; returns the native handle.
    virtual void* openUI(void* parentWindow, void* controlInfo, IClient* client, GraphicsBackend backend) = 0;
    virtual void closeUI() = 0;
    virtual void getGUISize(int* width, int* height) = 0;
    virtual bool isResizeable() = 0;
    virtual void getMaxSmallerValidSize(int* width, int* height) = 0;
    virtual void getNearestValidSize(int* width, int* height) = 0;
    virtual bool nativeWindowResize(int width, int height) = 0;
};

} // namespace vf
