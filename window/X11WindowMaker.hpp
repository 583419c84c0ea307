#pragma once
// The X11 window in the shape the GUI root's window maker asks for.
#include "window/X11Window.hpp"

namespace vf {

inline IWindow* makeX11Window(WindowUsage usage, void* parentWindow, IWindowListener* listener, int width, int height)
{
    return X11Window::create(usage, parentWindow, listener, width, height);
}

} // namespace vf
