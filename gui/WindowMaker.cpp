#include "gui/WindowMaker.hpp"

#include <atomic>

namespace vf {
namespace {

std::atomic<WindowMaker> registeredMaker{nullptr};

} // namespace

void setWindowMaker(WindowMaker maker)
{
    registeredMaker.store(maker);
}

IWindow* makeWindow(WindowUsage usage, void* parentWindow, IWindowListener* listener, int width, int height)
{
    const WindowMaker maker = registeredMaker.load();
    return maker != nullptr ? maker(usage, parentWindow, listener, width, height) : nullptr;
}

} // namespace vf
