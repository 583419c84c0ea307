#pragma once
// Where the GUI root gets its native window from: the platform's window code is
// registered here, so that the GUI framework links no window system itself and a
// test can hand the root a window of its own.
#include "window/WindowTypes.hpp"

namespace vf {

class IWindow;
class IWindowListener;

using WindowMaker = IWindow* (*)(WindowUsage usage, void* parentWindow, IWindowListener* listener, int width,
                                 int height);

// Host UI thread, before an editor opens.  Null: editors open no window.
void setWindowMaker(WindowMaker maker);

// The registered maker's window, or null when none is registered or it fails.
IWindow* makeWindow(WindowUsage usage, void* parentWindow, IWindowListener* listener, int width, int height);

} // namespace vf
