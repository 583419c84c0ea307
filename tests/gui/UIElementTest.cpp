#include "GuiTestSupport.hpp"

#include "gui/ZOrderSort.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace vf {
namespace {

using test::addProbe;
using test::Probe;
using test::TestRoot;

class UIElementEvents : public ::testing::Test {
protected:
    TestRoot root;
    UIContext* ctx = root.uiContext();
    MouseState none{};
};

TEST_F(UIElementEvents, ClickGoesToHigherZOrderSibling)
{
    Probe* low = addProbe(&root, new Probe(ctx, "low"), box2i::rectangle(0, 0, 50, 50));
    Probe* high = addProbe(&root, new Probe(ctx, "high"), box2i::rectangle(10, 10, 50, 50));
    high->setZOrder(1);
    EXPECT_TRUE(root.mouseClick(20, 25, 0, false, none));
    EXPECT_TRUE(high->has("click 10,15"));
    EXPECT_TRUE(low->log.empty());
    EXPECT_EQ(ctx->dragged(), high);
    EXPECT_EQ(ctx->focused(), high);
}

TEST_F(UIElementEvents, EqualZOrderClickGoesToFirstAdded)
{
    Probe* first = addProbe(&root, new Probe(ctx, "first"), box2i::rectangle(0, 0, 50, 50));
    Probe* second = addProbe(&root, new Probe(ctx, "second"), box2i::rectangle(0, 0, 50, 50));
    EXPECT_TRUE(root.mouseClick(5, 5, 0, false, none));
    EXPECT_TRUE(first->has("click 5,5"));
    EXPECT_TRUE(second->log.empty());
}

TEST_F(UIElementEvents, RefusedClickFallsThroughToTheNextElement)
{
    Probe* under = addProbe(&root, new Probe(ctx, "under"), box2i::rectangle(0, 0, 50, 50));
    Probe* over = addProbe(&root, new Probe(ctx, "over"), box2i::rectangle(0, 0, 50, 50));
    over->setZOrder(2);
    over->acceptClicks = false;
    EXPECT_TRUE(root.mouseClick(5, 5, 0, false, none));
    EXPECT_TRUE(over->has("click 5,5"));
    EXPECT_TRUE(under->has("click 5,5"));
    EXPECT_EQ(ctx->dragged(), under);
}

TEST_F(UIElementEvents, FocusAndDragMoveToTheNewlyClickedElement)
{
    Probe* a = addProbe(&root, new Probe(ctx, "a"), box2i::rectangle(0, 0, 10, 10));
    Probe* b = addProbe(&root, new Probe(ctx, "b"), box2i::rectangle(20, 0, 10, 10));
    root.mouseClick(5, 5, 0, false, none);
    root.mouseClick(25, 5, 0, false, none);
    EXPECT_EQ(a->log, (std::vector<std::string>{"click 5,5", "beginDrag", "focusEnter", "stopDrag", "focusExit"}));
    EXPECT_EQ(b->log, (std::vector<std::string>{"click 5,5", "beginDrag", "focusEnter"}));
    EXPECT_EQ(ctx->focused(), b);
}

TEST_F(UIElementEvents, UnacceptedClickChangesNeitherFocusNorDrag)
{
    Probe* a = addProbe(&root, new Probe(ctx, "a"), box2i::rectangle(0, 0, 10, 10));
    root.mouseClick(5, 5, 0, false, none);
    a->acceptClicks = false;
    EXPECT_FALSE(root.mouseClick(5, 5, 0, false, none));
    EXPECT_FALSE(root.mouseClick(100, 100, 0, false, none));
    EXPECT_EQ(ctx->focused(), a);
    EXPECT_EQ(ctx->dragged(), a);
}

TEST_F(UIElementEvents, NegativeLocalCoordinatesAreOutside)
{
    Probe* a = addProbe(&root, new Probe(ctx, "a"), box2i::rectangle(10, 10, 10, 10));
    EXPECT_FALSE(root.mouseClick(9, 15, 0, false, none));
    EXPECT_FALSE(root.mouseClick(20, 15, 0, false, none));
    EXPECT_TRUE(a->log.empty());
}

TEST_F(UIElementEvents, HoverGoesToTopmostButEveryoneUnderGetsMoves)
{
    Probe* low = addProbe(&root, new Probe(ctx, "low"), box2i::rectangle(0, 0, 50, 50));
    Probe* high = addProbe(&root, new Probe(ctx, "high"), box2i::rectangle(0, 0, 50, 50));
    high->setZOrder(1);
    EXPECT_TRUE(root.mouseMove(5, 5, 1, 1, none, false));
    EXPECT_EQ(ctx->mouseOver(), high);
    EXPECT_EQ(high->log, (std::vector<std::string>{"enter", "move"}));
    EXPECT_EQ(low->log, (std::vector<std::string>{"move"}));

    high->setPosition(box2i::rectangle(100, 100, 10, 10));
    root.mouseMove(5, 5, 0, 0, none, false);
    EXPECT_EQ(ctx->mouseOver(), low);
    EXPECT_TRUE(high->has("exit"));
}

TEST_F(UIElementEvents, DraggedElementGetsDragEvenOutside)
{
    Probe* a = addProbe(&root, new Probe(ctx, "a"), box2i::rectangle(0, 0, 10, 10));
    root.mouseClick(5, 5, 0, false, none);
    a->log.clear();
    root.mouseMove(300, 300, 10, 10, none, false);
    EXPECT_EQ(a->log, (std::vector<std::string>{"drag"}));
}

TEST_F(UIElementEvents, HiddenSubtreeGetsNoPointerButKeysAndAnimation)
{
    Probe* parent = addProbe(&root, new Probe(ctx, "parent", rawLayerFlag | animatedFlag), box2i::rectangle(0, 0, 50, 50));
    Probe* child = addProbe(parent, new Probe(ctx, "child", rawLayerFlag | animatedFlag), box2i::rectangle(0, 0, 20, 20));
    parent->setVisible(false);
    EXPECT_FALSE(child->visibilityStatus());
    EXPECT_FALSE(root.mouseClick(5, 5, 0, false, none));
    EXPECT_FALSE(root.mouseWheel(5, 5, 0, 1, none));
    EXPECT_FALSE(root.mouseMove(5, 5, 0, 0, none, false));
    EXPECT_TRUE(child->log.empty());
    EXPECT_TRUE(parent->log.empty());

    GrowableArray<UIElement*> raw, lit;
    root.getDrawLists(raw, lit);
    for (UIElement* e : raw)
        EXPECT_TRUE(e != parent && e != child);

    root.animate(0.01, 1.0);
    root.keyDown(Key::a);
    EXPECT_TRUE(child->has("animate"));
    EXPECT_TRUE(child->has("keyDown"));

    parent->setVisible(true);
    EXPECT_TRUE(child->visibilityStatus());
    EXPECT_TRUE(root.mouseClick(5, 5, 0, false, none));
}

TEST_F(UIElementEvents, ManyChildrenSortStablyByZOrder)
{
    GrowableArray<UIElement*> list, scratch;
    std::vector<Probe*> probes;
    for (int i = 0; i < 200; ++i) {
        probes.push_back(new Probe(ctx, "p"));
        probes.back()->setZOrder((i * 7) % 5);
        list.pushBack(probes.back());
    }
    stableSortByZOrder(list, scratch, true);
    for (int i = 1; i < list.length(); ++i) {
        ASSERT_GE(list[i - 1]->zOrder(), list[i]->zOrder());
        if (list[i - 1]->zOrder() == list[i]->zOrder()) {
            ASSERT_LT(std::find(probes.begin(), probes.end(), list[i - 1]),
                      std::find(probes.begin(), probes.end(), list[i]));
        }
    }
    for (Probe* p : probes)
        delete p;
}

TEST(UIElementIds, FirstMatchInPreOrderAndRootThroughContext)
{
    TestRoot root;
    UIContext* ctx = root.uiContext();
    Probe* a = addProbe(&root, new Probe(ctx, "a"), box2i::rectangle(0, 0, 1, 1));
    Probe* deep = addProbe(a, new Probe(ctx, "twin"), box2i::rectangle(0, 0, 1, 1));
    addProbe(&root, new Probe(ctx, "twin"), box2i::rectangle(0, 0, 1, 1));
    EXPECT_EQ(root.getElementById("twin"), deep);
    EXPECT_EQ(ctx->getElementById("twin"), deep);
    EXPECT_EQ(ctx->getElementById("__ROOT__"), &root);
    EXPECT_EQ(ctx->getElementById(nullptr), nullptr);
    EXPECT_EQ(ctx->getElementById("missing"), nullptr);
}

TEST(UIElementDirty, LayerChoosesTheList)
{
    TestRoot root;
    UIContext* ctx = root.uiContext();
    Probe* raw = addProbe(&root, new Probe(ctx, "raw", rawLayerFlag), box2i::rectangle(10, 10, 5, 5));
    Probe* lit = addProbe(&root, new Probe(ctx, "lit", litLayerFlag | rawLayerFlag), box2i::rectangle(20, 20, 5, 5));
    Probe* neither = addProbe(&root, new Probe(ctx, "none", 0), box2i::rectangle(30, 30, 5, 5));
    GrowableArray<box2i> out;
    ctx->rawDirtyList().pullAllRectangles(out);
    ctx->litDirtyList().pullAllRectangles(out);
    out.clearContents();

    raw->setDirty(box2i::rectangle(1, 1, 2, 2));
    lit->setDirtyWhole();
    neither->setDirtyWhole();
    ctx->rawDirtyList().pullAllRectangles(out);
    ASSERT_EQ(out.length(), 1);
    EXPECT_EQ(out[0], box2i::rectangle(11, 11, 2, 2));
    out.clearContents();
    ctx->litDirtyList().pullAllRectangles(out);
    ASSERT_EQ(out.length(), 1);
    EXPECT_EQ(out[0], box2i::rectangle(20, 20, 5, 5));

    out.clearContents();
    neither->setDirtyWhole(UILayer::everyLayer);
    ctx->litDirtyList().pullAllRectangles(out);
    EXPECT_EQ(out.length(), 1);
}

TEST(UIElementDirty, SetPositionRepaintsOldAndNewAndReflowsOnlyOnChange)
{
    TestRoot root;
    UIContext* ctx = root.uiContext();
    Probe* p = addProbe(&root, new Probe(ctx, "p"), box2i::rectangle(0, 0, 10, 10));
    GrowableArray<box2i> out;
    ctx->rawDirtyList().pullAllRectangles(out);
    out.clearContents();
    const int reflows = p->reflows;
    p->setPosition(box2i::rectangle(0, 0, 10, 10));
    EXPECT_EQ(p->reflows, reflows);
    EXPECT_TRUE(ctx->rawDirtyList().isEmpty());
    p->setPosition(box2i::rectangle(100, 0, 10, 10));
    EXPECT_EQ(p->reflows, reflows + 1);
    ctx->rawDirtyList().pullAllRectangles(out);
    EXPECT_EQ(out.length(), 2);
}

TEST(UIElementRender, RawViewIsCroppedAndRectsAreLocal)
{
    TestRoot root;
    Probe* p = addProbe(&root, new Probe(root.uiContext(), "p"), box2i{{90, 5}, {120, 25}});
    OwnedImage<RGBA> map;
    map.size(100, 100);
    const box2i areas[] = {box2i{{0, 0}, {95, 10}}, box2i{{200, 200}, {210, 210}}};
    p->renderRaw(map.toRef(), areas);
    EXPECT_EQ(p->lastMapWidth, 10); // clipped to the map
    EXPECT_EQ(p->lastMapHeight, 20);
    ASSERT_EQ(p->lastRects.size(), 1u);
    EXPECT_EQ(p->lastRects[0], (box2i{{0, 0}, {5, 5}}));

    p->setPosition(box2i::rectangle(150, 150, 10, 10));
    p->draws = 0;
    p->renderRaw(map.toRef(), areas);
    EXPECT_EQ(p->draws, 0);
}

TEST(UIElementRender, PlaceholderPaintsACheckerboard)
{
    TestRoot root;
    UIElement* e = new UIElement(root.uiContext(), litLayerFlag);
    root.addChild(e);
    e->setPosition(box2i::rectangle(4, 4, 16, 16));
    OwnedImage<RGBA> diffuse, material;
    OwnedImage<L16> depth;
    diffuse.size(32, 32);
    material.size(32, 32);
    depth.size(32, 32);
    const box2i areas[] = {box2i{{0, 0}, {32, 32}}};
    e->renderPBR(diffuse.toRef(), depth.toRef(), material.toRef(), areas);
    // Local (0,0) is light, local (8,0) dark.
    EXPECT_EQ(diffuse.toRef().at(4, 4), (RGBA{0x96, 0x96, 0x96, 0}));
    EXPECT_EQ(diffuse.toRef().at(12, 4), (RGBA{0x64, 0x64, 0x64, 0}));
    EXPECT_EQ(depth.toRef().at(10, 10).l, 15000);
    EXPECT_EQ(material.toRef().at(19, 19), (RGBA{0x80, 0x19, 0x80, 0xFF}));
}

} // namespace
} // namespace vf

namespace vf {
namespace {

TEST(UIElementMisuse, ElementWithoutAContextIgnoresEventsAndRepaints)
{
    UIElement lone(nullptr, rawLayerFlag);
    lone.setPosition(box2i::rectangle(0, 0, 10, 10));
    lone.setDirtyWhole();
    EXPECT_FALSE(lone.mouseClick(1, 1, 0, false, {}));
    EXPECT_FALSE(lone.mouseWheel(1, 1, 0, 1, {}));
    EXPECT_FALSE(lone.mouseMove(1, 1, 0, 0, {}, false));
    EXPECT_EQ(lone.getElementById(nullptr), nullptr);
    char longId[300];
    std::memset(longId, 'x', sizeof(longId) - 1);
    longId[sizeof(longId) - 1] = 0;
    lone.setId(longId);
    EXPECT_EQ(std::strlen(lone.id()), 127u);
}

} // namespace
} // namespace vf
