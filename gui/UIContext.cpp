#include "gui/UIContext.hpp"

#include "client/IClient.hpp"
#include "graphics/ImageResizer.hpp"
#include "gui/GUIGraphics.hpp"
#include "window/IWindow.hpp"

#include <cstring>

namespace vf {

UIContext::UIContext(GUIGraphics* root) : root_(root), imageResizer_(new ImageResizer) {}

UIContext::~UIContext()
{
    delete imageResizer_;
}

vec2i UIContext::getDefaultUISizeInPixels()
{
    return {root_->sizeConstraints_.defaultWidth, root_->sizeConstraints_.defaultHeight};
}

int UIContext::getDefaultUIWidth() { return root_->sizeConstraints_.defaultWidth; }
int UIContext::getDefaultUIHeight() { return root_->sizeConstraints_.defaultHeight; }
vec2i UIContext::getUISizeInPixelsUser() { return {root_->contentWidth_, root_->contentHeight_}; }
vec2i UIContext::getUISizeInPixelsLogical() { return {root_->windowWidth_, root_->windowHeight_}; }
vec2i UIContext::getUISizeInPixelsPhysical() { return {root_->windowWidth_, root_->windowHeight_}; }

bool UIContext::requestUIResize(int width, int height)
{
    const bool sameContent = width == root_->contentWidth_ && height == root_->contentHeight_;
    root_->userWidth_ = width;
    root_->userHeight_ = height;
    if (width == root_->windowWidth_ && height == root_->windowHeight_) {
        // A window that fills its host's area may show a smaller content: only that changes.
        if (IWindow* window = root_->window_; window != nullptr && !sameContent)
            window->requestResize(width, height, false);
        return true;
    }
    IClient* client = root_->client_;
    if (client != nullptr && client->getPluginFormat() == PluginFormat::vst3 && client->requestResize(width, height))
        return true; // that host resizes the window itself
    // Our window first: it publishes the new size in its hints, which an embedding
    // host reads when it lays out after hearing of the resize.
    IWindow* window = root_->window_;
    const bool resized = window != nullptr && window->requestResize(width, height, false);
    if (client != nullptr && client->getPluginFormat() != PluginFormat::vst3)
        client->requestResize(width, height);
    return resized;
}

void UIContext::getUINearestValidSize(int* width, int* height)
{
    root_->getNearestValidSize(width, height);
}

bool UIContext::isUIResizable()
{
    return root_->isResizeable();
}

void UIContext::setUserPointer(int index, void* pointer)
{
    if (index >= 0 && index < 16)
        userPointers_[index] = pointer;
}

void* UIContext::getUserPointer(int index)
{
    return index >= 0 && index < 16 ? userPointers_[index] : nullptr;
}

UIElement* UIContext::getRootElement()
{
    return root_;
}

UIElement* UIContext::getElementById(const char* id)
{
    if (id == nullptr)
        return nullptr;
    if (std::strcmp(id, "__ROOT__") == 0)
        return root_;
    return root_->getElementById(id);
}

} // namespace vf
