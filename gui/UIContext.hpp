#pragma once
#include "core/GrowableArray.hpp"
#include "gui/DirtyRectList.hpp"
#include "gui/IUIContext.hpp"

#include <atomic>

namespace vf {

class GUIGraphics;
class ImageResizer;
class UIElement;

// State shared by every element of one editor: input focus, drag and hover, the
// two dirty lists and the shared scratch of event distribution.  Owned by the root.
class UIContext final : public IUIContext {
public:
    explicit UIContext(GUIGraphics* root);
    ~UIContext() override;
    UIContext(const UIContext&) = delete;
    UIContext& operator=(const UIContext&) = delete;

    float getUIScale() override { return 1.0f; }
    float getUserScale() override { return 1.0f; }
    vec2i getDefaultUISizeInPixels() override;
    int getDefaultUIWidth() override;
    int getDefaultUIHeight() override;
    vec2i getUISizeInPixelsUser() override;
    vec2i getUISizeInPixelsLogical() override;
    vec2i getUISizeInPixelsPhysical() override;
    bool requestUIResize(int width, int height) override;
    void getUINearestValidSize(int* width, int* height) override;
    bool isUIResizable() override;
    ImageResizer* globalImageResizer() override { return imageResizer_; }
    void setUserPointer(int index, void* pointer) override;
    void* getUserPointer(int index) override;
    UIElement* getRootElement() override;
    UIElement* getElementById(const char* id) override;

    // Set by event distribution on the event thread; the window's timer thread
    // reads dragged and mouse-over (for the cursor) without a lock, hence atomics.
    UIElement* focused() const { return focused_.load(std::memory_order_relaxed); }
    UIElement* dragged() const { return dragged_.load(std::memory_order_relaxed); }
    UIElement* mouseOver() const { return mouseOver_.load(std::memory_order_relaxed); }
    void setFocused(UIElement* e) { focused_.store(e, std::memory_order_relaxed); }
    void setDragged(UIElement* e) { dragged_.store(e, std::memory_order_relaxed); }
    void setMouseOver(UIElement* e) { mouseOver_.store(e, std::memory_order_relaxed); }

    // Any thread.
    DirtyRectList& litDirtyList() { return litDirtyList_; }
    DirtyRectList& rawDirtyList() { return rawDirtyList_; }
    GrowableArray<UIElement*>& sortScratch() { return sortScratch_; }
    GUIGraphics* root() const { return root_; }

private:
    std::atomic<UIElement*> focused_{nullptr};
    std::atomic<UIElement*> dragged_{nullptr};
    std::atomic<UIElement*> mouseOver_{nullptr};
    DirtyRectList litDirtyList_;
    DirtyRectList rawDirtyList_;
    GUIGraphics* root_ = nullptr;
    ImageResizer* imageResizer_ = nullptr;
    GrowableArray<UIElement*> sortScratch_;
    void* userPointers_[16] = {};
};

} // namespace vf
