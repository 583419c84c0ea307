// A small LV2 host that loads the built bundle through dlopen, opens the editor in
// a window of its own on the X display it is given, drives it with XTest and reads
// the window's pixels back.  Modes:
//   check   (default) every editor behaviour a host relies on
//   stress  an audio thread runs with changing control values while the editor
//           opens, redraws and closes (meant for ThreadSanitizer builds)
//   bench   times to complete frames (opening, reopening, grip steps), idle CPU,
//           memory and the CPU host automation costs
//   open    one cold opening's time to its complete frame
//   automate the editor open under host automation, for profiling
// Exit codes: 0 passed, 1 failed, 77 skipped (no editor in this build).

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

constexpr int skipCode = 77;
constexpr int numParams = 6;
constexpr int blockSize = 512;
constexpr int designWidth = 365;
constexpr int designHeight = 650;

using Clock = std::chrono::steady_clock;

std::atomic<int> xErrors{0};
int failures = 0;
// The bench reads windows that may be resizing under it: those errors are expected.
bool benchReads = false;

int countXError(Display*, XErrorEvent* e)
{
    if (benchReads && e->request_code == 73) // X_GetImage
        return 0;
    ++xErrors;
    std::fprintf(stderr, "X error: code %d, request %d\n", e->error_code, e->request_code);
    return 0;
}

void check(bool ok, const std::string& what)
{
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!ok)
        ++failures;
}

// The host's UI thread: the only one that may call the editor's idle() and that the
// editor may call back.  Set by main.
std::thread::id uiThread;
constexpr int idlePeriodMs = 33; // the rate hosts use for idle(): 30 Hz
std::atomic<int> callsOffUiThread{0};
std::function<void()> idleAllEditors;

void sleepMs(int ms)
{
    // Like a host's main loop: waiting on the UI thread keeps driving the editors' idle().
    static auto nextIdle = Clock::now();
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (std::this_thread::get_id() == uiThread && idleAllEditors && Clock::now() >= nextIdle) {
            idleAllEditors();
            nextIdle = Clock::now() + std::chrono::milliseconds(idlePeriodMs);
        }
        const auto now = Clock::now();
        if (now >= end)
            return;
        std::this_thread::sleep_for(std::min<Clock::duration>(end - now, std::chrono::milliseconds(2)));
    }
}

void noteCallingThread(const char* call)
{
    if (std::this_thread::get_id() != uiThread && callsOffUiThread++ == 0)
        std::fprintf(stderr, "host %s called off the host's UI thread\n", call);
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < end) {
        if (condition())
            return true;
        sleepMs(5);
    }
    return condition();
}

// ---------------------------------------------------------------- URID map

struct UridMap {
    std::mutex mutex;
    std::vector<std::string> uris;

    static LV2_URID map(LV2_URID_Map_Handle h, const char* uri)
    {
        auto* self = static_cast<UridMap*>(h);
        std::lock_guard<std::mutex> lock(self->mutex);
        for (size_t i = 0; i < self->uris.size(); ++i)
            if (self->uris[i] == uri)
                return static_cast<LV2_URID>(i + 1);
        self->uris.emplace_back(uri);
        return static_cast<LV2_URID>(self->uris.size());
    }
};

UridMap uridMap;
LV2_URID_Map mapFeatureData{&uridMap, &UridMap::map};
int32_t maxBlock = blockSize;
LV2_Options_Option options[2];

// ---------------------------------------------------------------- host records

struct Box {
    int x0, y0, x1, y1;
    int cx() const { return (x0 + x1) / 2; }
    int cy() const { return (y0 + y1) / 2; }
    bool contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

// Design boxes of the editor at 365 x 650, by parameter.
const Box knobBox[numParams] = {
    {73, 458, 153, 538}, {0, 0, 0, 0}, {73, 111, 153, 191}, {223, 111, 303, 191}, {0, 0, 0, 0}, {225, 458, 305, 538}};
const Box labelBox[numParams] = {
    {75, 381, 155, 461}, {0, 0, 0, 0}, {74, 45, 154, 105}, {224, 45, 304, 105}, {0, 0, 0, 0}, {220, 381, 300, 461}};
const Box edgeSwitch{80, 279, 145, 309};
const Box brillianceSwitch{227, 279, 292, 309};

enum class EventKind { touchOn, touchOff, write };

struct HostEvent {
    EventKind kind;
    uint32_t port;
    uint32_t size;
    uint32_t format;
    float value;
};

struct Instance {
    LV2_Handle handle = nullptr;
    const LV2_Descriptor* descriptor = nullptr;
    float controls[numParams] = {};
    std::atomic<float> pendingControl[numParams];
    std::atomic<bool> pending[numParams];
    float inputs[2][blockSize] = {};
    float outputs[2][blockSize] = {};
    float latency = 0;
    alignas(8) uint8_t eventsIn[64] = {};
    uint64_t frames = 0;

    LV2UI_Handle ui = nullptr;
    Window parent = 0;
    LV2UI_Widget widget = nullptr;
    LV2UI_Resize resizeFeature{};
    LV2UI_Touch touchFeature{};

    std::mutex eventMutex;
    std::vector<HostEvent> events;
    std::vector<std::pair<int, int>> resizeCalls;

    Instance()
    {
        // Knobs start mid-way so that a drag can move them either way.
        for (int k = 0; k < numParams; ++k)
            controls[k] = (k == 1 || k == 4) ? 0.0f : 0.5f;
        for (auto& p : pending)
            p = false;
        for (auto& v : pendingControl)
            v = 0.0f;
    }

    std::vector<HostEvent> takeEvents()
    {
        std::lock_guard<std::mutex> lock(eventMutex);
        std::vector<HostEvent> e;
        e.swap(events);
        return e;
    }

    // The host's own change of a control port; it supersedes an unapplied editor write.
    void setControl(int k, float v)
    {
        pending[k] = false;
        controls[k] = v;
    }

    Window child() const { return static_cast<Window>(reinterpret_cast<uintptr_t>(widget)); }

    // The audio context: apply what the editor wrote, then run one block.
    void run(int n = blockSize)
    {
        for (int k = 0; k < numParams; ++k)
            if (pending[k].exchange(false))
                controls[k] = pendingControl[k].load();
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i)
                inputs[c][i] = 0.25f * std::sin(static_cast<float>(frames + static_cast<uint64_t>(i)) * 0.05f);
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(eventsIn);
        seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
        seq->atom.type = UridMap::map(&uridMap, LV2_ATOM__Sequence);
        descriptor->run(handle, static_cast<uint32_t>(n));
        frames += static_cast<uint64_t>(n);
    }
};

// Time of the last button press the host made, and the longest it took the
// press's touch to reach the host.
std::atomic<int64_t> lastPressNs{0};
std::atomic<int64_t> longestPressToTouchNs{0};

int64_t nowNs() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count(); }

void uiWrite(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    noteCallingThread("write");
    auto* inst = static_cast<Instance*>(controller);
    float value = NAN;
    if (size == sizeof(float) && format == 0 && buffer != nullptr)
        std::memcpy(&value, buffer, sizeof(float));
    {
        std::lock_guard<std::mutex> lock(inst->eventMutex);
        inst->events.push_back({EventKind::write, port, size, format, value});
    }
    if (port < numParams && size == sizeof(float) && format == 0) {
        inst->pendingControl[port] = value;
        inst->pending[port] = true;
    }
}

int uiResize(LV2UI_Feature_Handle h, int width, int height)
{
    noteCallingThread("resize");
    auto* inst = static_cast<Instance*>(h);
    std::lock_guard<std::mutex> lock(inst->eventMutex);
    inst->resizeCalls.emplace_back(width, height);
    return 0;
}

void uiTouch(LV2UI_Feature_Handle h, uint32_t port, bool grabbed)
{
    noteCallingThread("touch");
    if (grabbed && lastPressNs.load() != 0) {
        const int64_t delay = nowNs() - lastPressNs.exchange(0);
        if (delay > longestPressToTouchNs.load())
            longestPressToTouchNs = delay;
    }
    auto* inst = static_cast<Instance*>(h);
    std::lock_guard<std::mutex> lock(inst->eventMutex);
    inst->events.push_back({grabbed ? EventKind::touchOn : EventKind::touchOff, port, 0, 0, 0});
}

// ---------------------------------------------------------------- the host

struct Host {
    std::string libraryPath;
    std::string bundlePath;
    void* library = nullptr;
    const LV2_Descriptor* stereo = nullptr;
    const LV2UI_Descriptor* uiDescriptor = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
    std::vector<Instance*> openEditors;
    Display* display = nullptr;
    int screen = 0;

    bool load()
    {
        library = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            std::printf("cannot load %s: %s\n", libraryPath.c_str(), dlerror());
            return false;
        }
        auto descriptorFn = reinterpret_cast<LV2_Descriptor_Function>(dlsym(library, "lv2_descriptor"));
        auto uiFn = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
        if (descriptorFn == nullptr) {
            std::printf("no lv2_descriptor in %s\n", libraryPath.c_str());
            return false;
        }
        stereo = descriptorFn(1);
        uiDescriptor = uiFn != nullptr ? uiFn(0) : nullptr;
        if (uiDescriptor != nullptr && uiDescriptor->extension_data != nullptr)
            idle = static_cast<const LV2UI_Idle_Interface*>(uiDescriptor->extension_data(LV2_UI__idleInterface));
        options[0] = {LV2_OPTIONS_INSTANCE, 0, UridMap::map(&uridMap, LV2_BUF_SIZE__maxBlockLength),
                      sizeof(int32_t), UridMap::map(&uridMap, LV2_ATOM__Int), &maxBlock};
        options[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
        return stereo != nullptr;
    }

    Instance* instantiate()
    {
        auto* inst = new Instance;
        inst->descriptor = stereo;
        const LV2_Feature mapFeature{LV2_URID__map, &mapFeatureData};
        const LV2_Feature optionsFeature{LV2_OPTIONS__options, options};
        const LV2_Feature* features[] = {&mapFeature, &optionsFeature, nullptr};
        inst->handle = stereo->instantiate(stereo, 48000.0, bundlePath.c_str(), features);
        if (inst->handle == nullptr) {
            delete inst;
            return nullptr;
        }
        for (uint32_t k = 0; k < numParams; ++k)
            stereo->connect_port(inst->handle, k, &inst->controls[k]);
        stereo->connect_port(inst->handle, 6, inst->inputs[0]);
        stereo->connect_port(inst->handle, 7, inst->inputs[1]);
        stereo->connect_port(inst->handle, 8, inst->outputs[0]);
        stereo->connect_port(inst->handle, 9, inst->outputs[1]);
        stereo->connect_port(inst->handle, 10, &inst->latency);
        stereo->connect_port(inst->handle, 11, inst->eventsIn);
        if (stereo->activate != nullptr)
            stereo->activate(inst->handle);
        for (int i = 0; i < 4; ++i)
            inst->run();
        return inst;
    }

    void destroy(Instance* inst)
    {
        if (inst->ui != nullptr)
            closeEditor(*inst);
        if (stereo->deactivate != nullptr)
            stereo->deactivate(inst->handle);
        stereo->cleanup(inst->handle);
        delete inst;
    }

    Window makeParent(int x, int y, int w, int h)
    {
        Window p = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, static_cast<unsigned>(w),
                                       static_cast<unsigned>(h), 0, 0, 0);
        XMapWindow(display, p);
        XSync(display, False);
        return p;
    }

    bool openEditor(Instance& inst, Window parent)
    {
        inst.parent = parent;
        inst.resizeFeature = {&inst, uiResize};
        inst.touchFeature = {&inst, uiTouch};
        const LV2_Feature access{LV2_INSTANCE_ACCESS_URI, inst.handle};
        const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))};
        const LV2_Feature resize{LV2_UI__resize, &inst.resizeFeature};
        const LV2_Feature touch{LV2_UI__touch, &inst.touchFeature};
        const LV2_Feature mapFeature{LV2_URID__map, &mapFeatureData};
        const LV2_Feature optionsFeature{LV2_OPTIONS__options, options};
        const LV2_Feature* features[] = {&access, &parentFeature, &resize, &touch, &mapFeature, &optionsFeature,
                                         nullptr};
        {
            std::lock_guard<std::mutex> lock(inst.eventMutex);
            inst.resizeCalls.clear();
            inst.events.clear();
        }
        inst.widget = nullptr;
        inst.ui = uiDescriptor->instantiate(uiDescriptor, stereo->URI, bundlePath.c_str(), uiWrite, &inst,
                                            &inst.widget, features);
        if (inst.ui != nullptr)
            openEditors.push_back(&inst);
        return inst.ui != nullptr;
    }

    void closeEditor(Instance& inst)
    {
        if (inst.ui == nullptr)
            return;
        openEditors.erase(std::find(openEditors.begin(), openEditors.end(), &inst));
        uiDescriptor->cleanup(inst.ui);
        inst.ui = nullptr;
        inst.widget = nullptr;
    }

    // ------------------------------------------------------------ pixels and input

    bool geometry(Window w, int& width, int& height)
    {
        Window root;
        int x, y;
        unsigned int ww, hh, border, depth;
        if (XGetGeometry(display, w, &root, &x, &y, &ww, &hh, &border, &depth) == 0)
            return false;
        width = static_cast<int>(ww);
        height = static_cast<int>(hh);
        return true;
    }

    std::vector<uint32_t> snapshot(Window w, int& width, int& height)
    {
        std::vector<uint32_t> pixels;
        if (!geometry(w, width, height))
            return pixels;
        XImage* image = XGetImage(display, w, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                                  AllPlanes, ZPixmap);
        if (image == nullptr)
            return pixels;
        pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels[static_cast<size_t>(y * width + x)] = static_cast<uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF);
        XDestroyImage(image);
        return pixels;
    }

    // A drawn editor: most of the window differs from the parent's black.
    bool looksDrawn(Window w, int wantWidth, int wantHeight)
    {
        int width = 0, height = 0;
        const auto pixels = snapshot(w, width, height);
        if (pixels.empty() || width != wantWidth || height != wantHeight)
            return false;
        size_t nonBlack = 0;
        for (uint32_t p : pixels)
            nonBlack += p != 0 ? 1 : 0;
        // Both bottom corners must be painted too, so a partly shown frame does not count.
        return nonBlack * 10 > pixels.size() * 9 && pixels.back() != 0 && pixels[pixels.size() - static_cast<size_t>(width)] != 0;
    }

    std::vector<uint32_t> stableSnapshot(Window w, int& width, int& height)
    {
        auto previous = snapshot(w, width, height);
        for (int i = 0; i < 40; ++i) {
            sleepMs(100);
            auto next = snapshot(w, width, height);
            if (next == previous)
                return next;
            previous = std::move(next);
        }
        return previous;
    }

    // The parent sits at the root origin and the editor at the parent's origin, so
    // editor coordinates are root coordinates.
    void moveTo(int x, int y)
    {
        XTestFakeMotionEvent(display, screen, x, y, CurrentTime);
        XSync(display, False);
        sleepMs(8);
    }

    void button(bool press)
    {
        XTestFakeButtonEvent(display, 1, press ? True : False, CurrentTime);
        XSync(display, False);
        if (press)
            lastPressNs = nowNs();
        sleepMs(8);
    }

    void drag(int x, int y, const std::vector<std::pair<int, int>>& steps)
    {
        moveTo(x, y);
        button(true);
        for (auto [dx, dy] : steps) {
            x += dx;
            y += dy;
            moveTo(x, y);
        }
        button(false);
    }

    void parkPointer() { moveTo(1270, 1190); }
};

// ---------------------------------------------------------------- check mode

Box scaled(const Box& b, int width)
{
    const float s = static_cast<float>(width) / static_cast<float>(designWidth);
    auto r = [s](int v) { return static_cast<int>(std::lround(static_cast<float>(v) * s)); };
    return {r(b.x0), r(b.y0), r(b.x1), r(b.y1)};
}

// A gesture is touch(true), one or more writes of 4-byte floats, then touch(false),
// all on the given port.
bool isGesture(const std::vector<HostEvent>& events, uint32_t port, std::string& why, int* writes = nullptr)
{
    if (events.size() < 3) {
        why = "only " + std::to_string(events.size()) + " host calls";
        return false;
    }
    if (events.front().kind != EventKind::touchOn || events.back().kind != EventKind::touchOff) {
        why = "not bracketed by touch(true)/touch(false)";
        return false;
    }
    int count = 0;
    for (const auto& e : events) {
        if (e.port != port) {
            why = "call for port " + std::to_string(e.port);
            return false;
        }
        if (e.kind == EventKind::write) {
            if (e.size != 4 || e.format != 0 || !(e.value >= 0.0f && e.value <= 1.0f)) {
                why = "bad write";
                return false;
            }
            ++count;
        }
    }
    if (writes != nullptr)
        *writes = count;
    if (count == 0) {
        why = "no write";
        return false;
    }
    return true;
}

// Pixels that differ between two snapshots must all lie in the allowed boxes, and
// each box must contain at least one of them.
bool changesOnlyIn(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int width,
                   const std::vector<Box>& allowed, std::string& why)
{
    if (a.size() != b.size() || a.empty()) {
        why = "snapshots differ in size";
        return false;
    }
    std::vector<int> hits(allowed.size(), 0);
    int outside = 0;
    Box outsideBounds{1 << 20, 1 << 20, -1, -1};
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i])
            continue;
        const int x = static_cast<int>(i % static_cast<size_t>(width));
        const int y = static_cast<int>(i / static_cast<size_t>(width));
        bool inside = false;
        for (size_t k = 0; k < allowed.size(); ++k)
            if (allowed[k].contains(x, y)) {
                ++hits[k];
                inside = true;
            }
        if (!inside) {
            ++outside;
            outsideBounds = {std::min(outsideBounds.x0, x), std::min(outsideBounds.y0, y),
                             std::max(outsideBounds.x1, x + 1), std::max(outsideBounds.y1, y + 1)};
        }
    }
    if (outside > 0) {
        why = std::to_string(outside) + " pixels changed outside, within (" + std::to_string(outsideBounds.x0) + ","
            + std::to_string(outsideBounds.y0) + ")-(" + std::to_string(outsideBounds.x1) + ","
            + std::to_string(outsideBounds.y1) + ")";
        return false;
    }
    for (size_t k = 0; k < hits.size(); ++k)
        if (hits[k] == 0) {
            why = "nothing changed in box " + std::to_string(k);
            return false;
        }
    return true;
}

bool openAndShow(Host& host, Instance& inst, Window parent, const std::string& what)
{
    if (!host.openEditor(inst, parent)) {
        check(false, what + ": editor opens");
        return false;
    }
    std::pair<int, int> reported{0, 0};
    size_t calls = 0;
    {
        std::lock_guard<std::mutex> lock(inst.eventMutex);
        calls = inst.resizeCalls.size();
        if (calls > 0)
            reported = inst.resizeCalls.back();
    }
    check(calls == 1 && reported.first == designWidth && reported.second == designHeight,
          what + ": one size report of 365 x 650 (got " + std::to_string(calls) + " calls, last "
              + std::to_string(reported.first) + " x " + std::to_string(reported.second) + ")");
    check(inst.widget != nullptr, what + ": widget is the native window");
    if (inst.widget == nullptr)
        return false;
    Window root, parentOfChild;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(host.display, inst.child(), &root, &parentOfChild, &children, &count) != 0) {
        if (children != nullptr)
            XFree(children);
        check(parentOfChild == parent, what + ": editor is a child of the host window");
    } else {
        check(false, what + ": editor window exists");
    }
    check(waitUntil([&] { return host.looksDrawn(inst.child(), designWidth, designHeight); }),
          what + ": first frame is on screen");
    return true;
}

void knobGestures(Host& host, Instance& inst)
{
    for (int p : {2, 3, 0, 5}) {
        sleepMs(600); // no double click: that would reset the knob
        inst.takeEvents();
        const float before = inst.controls[p];
        const Box& b = knobBox[p];
        std::vector<std::pair<int, int>> steps(6, {0, 8});
        steps.insert(steps.end(), 12, {0, -8});
        host.drag(b.cx(), b.cy(), steps);
        waitUntil([&] {
            std::lock_guard<std::mutex> lock(inst.eventMutex);
            return !inst.events.empty() && inst.events.back().kind == EventKind::touchOff;
        }, 2000);
        const auto events = inst.takeEvents();
        std::string why;
        int writes = 0;
        const bool ok = isGesture(events, static_cast<uint32_t>(p), why, &writes);
        check(ok, "knob " + std::to_string(p) + " drag: touch, writes on port " + std::to_string(p) + ", release"
                      + (ok ? " (" + std::to_string(writes) + " writes)" : " — " + why));
        inst.run();
        check(inst.controls[p] != before, "knob " + std::to_string(p) + " drag changes its parameter");
    }
}

void switchClicks(Host& host, Instance& inst)
{
    const std::pair<int, Box> switches[] = {{1, edgeSwitch}, {4, brillianceSwitch}};
    for (const auto& [p, b] : switches) {
        int width = 0, height = 0;
        host.parkPointer();
        sleepMs(600);
        const auto before = host.stableSnapshot(inst.child(), width, height);
        inst.takeEvents();
        const float value = inst.controls[p];
        host.drag(b.cx(), b.cy(), {});
        waitUntil([&] {
            std::lock_guard<std::mutex> lock(inst.eventMutex);
            return !inst.events.empty() && inst.events.back().kind == EventKind::touchOff;
        }, 2000);
        const auto events = inst.takeEvents();
        std::string why;
        check(isGesture(events, static_cast<uint32_t>(p), why),
              "switch " + std::to_string(p) + " click is one gesture" + (why.empty() ? "" : " — " + why));
        inst.run();
        check(std::fabs(inst.controls[p] - (1.0f - value)) < 1e-6f, "switch " + std::to_string(p) + " toggles");
        host.parkPointer();
        const auto after = host.stableSnapshot(inst.child(), width, height);
        why.clear();
        check(changesOnlyIn(before, after, width, {b}, why),
              "switch " + std::to_string(p) + " is redrawn, nothing else" + (why.empty() ? "" : " — " + why));
    }
}

void hostAutomationRepaints(Host& host, Instance& inst)
{
    for (int p : {3, 5}) {
        host.parkPointer();
        int width = 0, height = 0;
        const auto before = host.stableSnapshot(inst.child(), width, height);
        inst.setControl(p, inst.controls[p] < 0.5f ? 0.9f : 0.1f);
        inst.run();
        waitUntil([&] {
            int w, h;
            return host.snapshot(inst.child(), w, h) != before;
        }, 3000);
        const auto after = host.stableSnapshot(inst.child(), width, height);
        std::string why;
        check(changesOnlyIn(before, after, width, {knobBox[p], labelBox[p]}, why),
              "host change of parameter " + std::to_string(p) + " repaints its knob and label only"
                  + (why.empty() ? "" : " — " + why));
    }
}

void gripResizes(Host& host, Instance& inst)
{
    sleepMs(600);
    int width = 0, height = 0;
    host.geometry(inst.child(), width, height);
    // Drag the grip by what the next size up needs.
    host.drag(width - 15, height - 15, {{23, 40}, {23, 40}, {23, 40}, {22, 43}});
    int newWidth = 0, newHeight = 0;
    waitUntil([&] { return host.geometry(inst.child(), newWidth, newHeight) && newWidth != width; }, 3000);
    check(newWidth == 456 && newHeight == 813,
          "grip drag resizes to the next valid size (got " + std::to_string(newWidth) + " x " + std::to_string(newHeight) + ")");
    check(waitUntil([&] { return host.looksDrawn(inst.child(), newWidth, newHeight); }),
          "the resized editor is drawn in full");
    // The knobs follow the new scale.
    sleepMs(600);
    inst.takeEvents();
    const Box k = scaled(knobBox[2], newWidth);
    host.drag(k.cx(), k.cy(), {{0, -10}, {0, -10}, {0, 30}, {0, 30}});
    waitUntil([&] {
        std::lock_guard<std::mutex> lock(inst.eventMutex);
        return !inst.events.empty() && inst.events.back().kind == EventKind::touchOff;
    }, 2000);
    std::string why;
    check(isGesture(inst.takeEvents(), 2, why), "knob 2 at its scaled place drags" + (why.empty() ? "" : " — " + why));

    sleepMs(600);
    host.drag(newWidth - 15, newHeight - 15, {{-23, -40}, {-23, -40}, {-23, -40}, {-22, -43}});
    waitUntil([&] { return host.geometry(inst.child(), newWidth, newHeight) && newWidth == designWidth; }, 3000);
    check(newWidth == designWidth && newHeight == designHeight, "grip drag back returns to 365 x 650");
    inst.takeEvents();
}

// A double click returns a knob to its default in closed gestures; closing the
// editor during a drag still ends the gesture, before cleanup returns.
void doubleClickThenCloseMidDrag(Host& host, Instance& inst)
{
    const Box& k = knobBox[3];
    sleepMs(600);
    inst.takeEvents();
    host.drag(k.cx(), k.cy(), {});
    host.drag(k.cx(), k.cy(), {});
    sleepMs(300);
    auto events = inst.takeEvents();
    const auto count = [&](EventKind kind) { return std::count_if(events.begin(), events.end(), [&](const HostEvent& e) { return e.kind == kind; }); };
    check(count(EventKind::touchOn) > 0 && count(EventKind::touchOn) == count(EventKind::touchOff)
              && events.back().kind == EventKind::touchOff && count(EventKind::write) > 0,
          "double click on knob 3: closed gestures (" + std::to_string(events.size()) + " host calls)");
    inst.run();
    check(inst.controls[3] == 0.0f, "double click returns knob 3 to its default");

    sleepMs(600);
    inst.takeEvents();
    host.moveTo(k.cx(), k.cy());
    host.button(true);
    host.moveTo(k.cx(), k.cy() + 8);
    host.moveTo(k.cx(), k.cy() + 16);
    sleepMs(50);
    host.closeEditor(inst);
    events = inst.takeEvents();
    host.button(false);
    sleepMs(300);
    check(events.size() >= 2 && events.front().kind == EventKind::touchOn && events.back().kind == EventKind::touchOff
              && inst.takeEvents().empty(),
          "closing during a drag ends the gesture before cleanup returns, and nothing follows");
}

int runChecks(Host& host)
{
    Instance* a = host.instantiate();
    if (a == nullptr) {
        check(false, "stereo plug-in instantiates");
        return 1;
    }
    const Window parentA = host.makeParent(0, 0, 700, 1100);
    if (!host.openEditor(*a, parentA)) {
        std::printf("SKIP: this build has no editor (instantiateUI gives none)\n");
        host.destroy(a);
        return skipCode;
    }
    host.closeEditor(*a);
    sleepMs(50);

    if (openAndShow(host, *a, parentA, "first opening")) {
        knobGestures(host, *a);
        switchClicks(host, *a);
        hostAutomationRepaints(host, *a);
        gripResizes(host, *a);
        doubleClickThenCloseMidDrag(host, *a);
    }
    check(openAndShow(host, *a, parentA, "reopening"), "reopening works");

    // Two instances with editors open at once, closed in both orders.
    Instance* b = host.instantiate();
    // Side by side: an obscured window's pixels cannot be read back.
    const Window parentB = host.makeParent(700, 0, 560, 1000);
    for (bool firstClosesFirst : {true, false}) {
        const std::string order = firstClosesFirst ? "first closes first" : "second closes first";
        if (a->ui == nullptr)
            openAndShow(host, *a, parentA, "instance 1 (" + order + ")");
        openAndShow(host, *b, parentB, "instance 2 (" + order + ")");
        Instance* first = firstClosesFirst ? a : b;
        Instance* second = firstClosesFirst ? b : a;
        host.closeEditor(*first);
        // The other editor keeps drawing on the shared connection.
        int w, h;
        const Window stillOpen = second->child();
        const auto before = host.stableSnapshot(stillOpen, w, h);
        second->setControl(2, second->controls[2] < 0.5f ? 0.8f : 0.2f);
        second->run();
        check(waitUntil([&] { return host.snapshot(stillOpen, w, h) != before; }, 3000),
              "the remaining editor keeps drawing (" + order + ")");
        host.closeEditor(*second);
    }

    // The host destroys its window before it closes the editor.
    openAndShow(host, *b, parentB, "keeper editor");
    for (bool waitAfterDestroy : {true, false}) {
        const Window doomed = host.makeParent(0, 0, 700, 1100);
        if (openAndShow(host, *a, doomed, "editor in a window about to go")) {
            XDestroyWindow(host.display, doomed);
            XSync(host.display, False);
            if (waitAfterDestroy)
                sleepMs(300);
            host.closeEditor(*a);
        }
    }
    b->setControl(3, b->controls[3] < 0.5f ? 0.7f : 0.3f);
    b->run();
    sleepMs(500); // the keeper keeps reading its connection: a late error would show
    host.closeEditor(*b);

    // Without a reachable display the host gets no editor window and keeps running.
    {
        const std::string saved = std::getenv("DISPLAY") != nullptr ? std::getenv("DISPLAY") : "";
        setenv("DISPLAY", ":4093", 1); // no server there
        const bool gotUi = host.openEditor(*a, parentA);
        check(!gotUi || a->widget == nullptr, "no display: the host gets no editor window");
        a->run();
        a->run();
        check(std::isfinite(a->outputs[0][0]) && std::isfinite(a->outputs[1][blockSize - 1]),
              "no display: the plug-in keeps processing");
        host.closeEditor(*a);
        setenv("DISPLAY", saved.c_str(), 1);
        check(openAndShow(host, *a, parentA, "after a failed opening"), "the editor opens again once a display is back");
        host.closeEditor(*a);
    }

    host.destroy(b);
    host.destroy(a);
    XSync(host.display, False);
    check(xErrors.load() == 0, "no X error reached the host's handler (" + std::to_string(xErrors.load()) + ")");
    const double pressToTouchMs = static_cast<double>(longestPressToTouchNs.load()) * 1e-6;
    std::printf("longest delay from a button press to the host's touch: %.1f ms (idle every %d ms)\n",
                pressToTouchMs, idlePeriodMs);
    return failures == 0 ? 0 : 1;
}

// ---------------------------------------------------------------- stress mode

int runStress(Host& host, int cycles)
{
    Instance* inst = host.instantiate();
    if (inst == nullptr)
        return 1;
    const Window parent = host.makeParent(0, 0, 700, 1100);
    if (!host.openEditor(*inst, parent)) {
        std::printf("SKIP: this build has no editor\n");
        host.destroy(inst);
        return skipCode;
    }
    host.closeEditor(*inst);

    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    std::thread audio([&] {
        float phase = 0;
        while (!stop.load()) {
            phase += 0.01f;
            for (int k = 0; k < numParams; ++k)
                if (k != 1 && k != 4)
                    inst->controls[k] = 0.5f + 0.5f * std::sin(phase * static_cast<float>(k + 1));
            inst->controls[1] = std::fmod(phase, 2.0f) < 1.0f ? 1.0f : 0.0f;
            inst->run(blockSize);
            ++blocks;
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });

    int opened = 0;
    for (int c = 0; c < cycles; ++c) {
        if (!host.openEditor(*inst, parent))
            break;
        ++opened;
        waitUntil([&] { return host.looksDrawn(inst->child(), designWidth, designHeight); }, 3000);
        const Box& k = knobBox[c % 2 == 0 ? 0 : 3];
        host.drag(k.cx(), k.cy(), {{0, -5}, {0, -5}, {0, 10}});
        sleepMs(50 + (c % 5) * 20);
        host.closeEditor(*inst);
    }
    stop = true;
    audio.join();
    host.destroy(inst);
    XSync(host.display, False);
    check(opened == cycles, "editor opened and closed " + std::to_string(opened) + " times while "
                                + std::to_string(blocks.load()) + " blocks ran");
    check(xErrors.load() == 0, "no X error reached the host's handler");
    return failures == 0 ? 0 : 1;
}

// ---------------------------------------------------------------- bench mode

double cpuSeconds()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Resident memory of this process in KiB, from the kernel's own account.
long residentKiB()
{
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr)
        return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f) != nullptr)
        if (std::sscanf(line, "VmRSS: %ld", &kib) == 1)
            break;
    std::fclose(f);
    return kib;
}

// Hash of the window's pixels as shown, and its size; 0 when it cannot be read.
uint64_t frameHash(Host& host, Window w, int& width, int& height)
{
    if (!host.geometry(w, width, height))
        return 0;
    XImage* image = XGetImage(host.display, w, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (image == nullptr)
        return 0;
    // Read the rows directly where the layout allows, two pixels a step: polling
    // must load the machine it measures as little as it can.
    const bool direct = image->bits_per_pixel == 32;
    uint64_t hash = 1469598103934665603ull;
    for (int y = 0; y < height; ++y) {
        const char* row = image->data + static_cast<long>(y) * image->bytes_per_line;
        int x = 0;
        for (; direct && x + 2 <= width; x += 2) {
            uint64_t pair;
            std::memcpy(&pair, row + 4 * x, sizeof pair);
            hash = (hash ^ (pair & 0x00FFFFFF00FFFFFFull)) * 1099511628211ull;
        }
        for (; x < width; ++x)
            hash = (hash ^ (XGetPixel(image, x, y) & 0xFFFFFF)) * 1099511628211ull;
    }
    XDestroyImage(image);
    return hash | 1;
}

// Milliseconds from t0 until the window, at the wanted size, first showed the frame
// it then kept: `expected` when known, else the frame unchanged for 300 ms.  -1 on
// a timeout.
double msToCompleteFrame(Host& host, Window w, int wantWidth, int wantHeight, Clock::time_point t0,
                         uint64_t& expected)
{
    const auto deadline = t0 + std::chrono::seconds(5);
    uint64_t last = 0;
    Clock::time_point lastChange = t0;
    while (Clock::now() < deadline) {
        int width = 0, height = 0;
        const auto polled = Clock::now();
        const uint64_t hash = frameHash(host, w, width, height);
        const bool right = width == wantWidth && height == wantHeight && hash != 0;
        if (right && expected != 0 && hash == expected)
            return std::chrono::duration<double, std::milli>(polled - t0).count();
        if (right && expected == 0) {
            if (hash != last) {
                last = hash;
                lastChange = polled;
            } else if (Clock::now() - lastChange > std::chrono::milliseconds(300)) {
                expected = hash;
                return std::chrono::duration<double, std::milli>(lastChange - t0).count();
            }
        }
        sleepMs(2);
    }
    return -1;
}

struct Timings {
    std::vector<double> ms;
    void add(double v) { ms.push_back(v); }
    std::string summary() const
    {
        if (ms.empty())
            return "no samples";
        auto sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        char text[96];
        std::snprintf(text, sizeof text, "median %6.1f ms, worst %6.1f ms (%zu)", sorted[sorted.size() / 2],
                      sorted.back(), sorted.size());
        return text;
    }
};

const int editorSizes[6][2] = {{237, 422}, {274, 488}, {310, 553}, {365, 650}, {456, 813}, {548, 975}};

// The host's audio thread: a block every 10 ms, each changing knob 0 (100 changes a second).
struct Automation {
    std::atomic<bool> stop{false};
    std::thread thread;
    explicit Automation(Instance& inst)
        : thread([this, &inst] {
            auto next = Clock::now();
            float phase = 0;
            while (!stop.load()) {
                phase += 0.0314f; // a full sweep every 2 s
                inst.setControl(0, 0.5f + 0.45f * std::sin(phase));
                inst.run(480);
                next += std::chrono::milliseconds(10);
                std::this_thread::sleep_until(next);
            }
        })
    {
    }
    ~Automation()
    {
        stop = true;
        thread.join();
    }
};

// CPU time of each thread of this process so far (Linux), by thread id.
std::map<int, double> threadCpuSeconds()
{
    std::map<int, double> seconds;
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr)
        return seconds;
    while (const dirent* task = readdir(tasks)) {
        const int id = std::atoi(task->d_name);
        FILE* f = id > 0 ? std::fopen(("/proc/self/task/" + std::to_string(id) + "/schedstat").c_str(), "r") : nullptr;
        unsigned long long ns = 0;
        if (f != nullptr && std::fscanf(f, "%llu", &ns) == 1)
            seconds[id] = static_cast<double>(ns) * 1e-9;
        if (f != nullptr)
            std::fclose(f);
    }
    closedir(tasks);
    return seconds;
}

double cpuPercentOver(int ms)
{
    const double cpu0 = cpuSeconds();
    const auto w0 = Clock::now();
    sleepMs(ms);
    return 100.0 * (cpuSeconds() - cpu0) / std::chrono::duration<double>(Clock::now() - w0).count();
}

// The CPU an open editor adds, on top of whatever the host is doing meanwhile.
// The process's CPU with the editor open minus closed drifts by a few tenths of a
// percent from one window to the next (the audio and UI threads, the machine), so
// the pair is measured three times, each with a freshly opened editor; the
// editor's own threads (those gone once it closes) are measured alone as well.
// Starts and ends with the editor open at width x height.
std::string editorCpu(Host& host, Instance& inst, Window parent, int width, int height, int seconds)
{
    std::vector<double> added, ownThreads;
    for (int pair = 0; pair < 3; ++pair) {
        sleepMs(300);
        const auto threadsBefore = threadCpuSeconds();
        const auto w0 = Clock::now();
        const double open = cpuPercentOver(seconds * 1000);
        const auto threadsAfter = threadCpuSeconds();
        const double window = std::chrono::duration<double>(Clock::now() - w0).count();
        host.closeEditor(inst);
        sleepMs(300);
        const auto threadsClosed = threadCpuSeconds();
        double own = 0;
        for (const auto& [id, cpu] : threadsAfter)
            if (threadsClosed.count(id) == 0 && threadsBefore.count(id) != 0)
                own += cpu - threadsBefore.at(id);
        ownThreads.push_back(100.0 * own / window);
        added.push_back(open - cpuPercentOver(seconds * 1000));
        host.openEditor(inst, parent);
        uint64_t any = 0;
        msToCompleteFrame(host, inst.child(), width, height, Clock::now(), any);
    }
    std::sort(added.begin(), added.end());
    std::sort(ownThreads.begin(), ownThreads.end());
    char text[160];
    std::snprintf(text, sizeof text,
                  "%.2f %% of one core (median of 3 open - closed pairs, %.2f to %.2f); the editor's threads %.2f %% "
                  "(%.2f to %.2f)",
                  added[1], added[0], added[2], ownThreads[1], ownThreads[0], ownThreads[2]);
    return text;
}

int runBench(Host& host, int idleSeconds)
{
    Instance* inst = host.instantiate();
    if (inst == nullptr)
        return 1;
    const Window parent = host.makeParent(0, 0, 700, 1100);
    host.parkPointer();
    const long rssBefore = residentKiB();
    auto t0 = Clock::now();
    if (!host.openEditor(*inst, parent)) {
        std::printf("SKIP: this build has no editor\n");
        host.destroy(inst);
        return skipCode;
    }
    const double returned = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    uint64_t designFrame = 0;
    std::printf("first open, complete frame at 365 x 650: %.1f ms (instantiate returned after %.1f ms)\n",
                msToCompleteFrame(host, inst->child(), designWidth, designHeight, t0, designFrame), returned);
    std::printf("host memory added by opening the editor: %.1f MiB resident\n",
                static_cast<double>(residentKiB() - rssBefore) / 1024.0);

    std::printf("idle open editor: %s\n",
                editorCpu(host, *inst, parent, designWidth, designHeight, idleSeconds).c_str());

    const int repeats = 20;
    Timings reopenDesign;
    for (int i = 0; i < repeats; ++i) {
        host.closeEditor(*inst);
        t0 = Clock::now();
        host.openEditor(*inst, parent);
        reopenDesign.add(msToCompleteFrame(host, inst->child(), designWidth, designHeight, t0, designFrame));
    }
    std::printf("reopen, complete frame at 365 x 650: %s\n", reopenDesign.summary().c_str());

    // Grip steps through all sizes and back; each step is timed from the motion that
    // asks for the new size, with the button still held.
    const int tour[] = {4, 5, 4, 3, 2, 1, 0, 1, 2, 3};
    uint64_t shown[6] = {}; // as shown with the grip held
    Timings step[6];
    int at = 3;
    for (int round = 0; round < repeats; ++round)
        for (int to : tour) {
            const int fromX = editorSizes[at][0] - 15, fromY = editorSizes[at][1] - 15;
            host.moveTo(fromX, fromY);
            host.button(true);
            XTestFakeMotionEvent(host.display, host.screen, editorSizes[to][0] - 15, editorSizes[to][1] - 15,
                                 CurrentTime);
            XSync(host.display, False);
            t0 = Clock::now();
            const bool firstVisit = shown[to] == 0;
            const double ms =
                msToCompleteFrame(host, inst->child(), editorSizes[to][0], editorSizes[to][1], t0, shown[to]);
            if (firstVisit)
                std::printf("grip step to %d x %d, first time shown: %.1f ms\n", editorSizes[to][0],
                            editorSizes[to][1], ms);
            else
                step[to].add(ms);
            host.button(false);
            at = to;
            sleepMs(50);
        }
    for (int s = 0; s < 6; ++s)
        std::printf("grip step to %d x %d, complete frame: %s\n", editorSizes[s][0], editorSizes[s][1],
                    step[s].summary().c_str());

    // Reopening at the largest size.
    host.moveTo(designWidth - 15, designHeight - 15);
    host.button(true);
    host.moveTo(editorSizes[5][0] - 15, editorSizes[5][1] - 15);
    host.button(false);
    uint64_t bigFrame = 0;
    msToCompleteFrame(host, inst->child(), editorSizes[5][0], editorSizes[5][1], Clock::now(), bigFrame);
    host.parkPointer();
    Timings reopenBig;
    for (int i = 0; i < repeats; ++i) {
        host.closeEditor(*inst);
        t0 = Clock::now();
        host.openEditor(*inst, parent);
        reopenBig.add(msToCompleteFrame(host, inst->child(), editorSizes[5][0], editorSizes[5][1], t0, bigFrame));
    }
    std::printf("reopen, complete frame at 548 x 975: %s\n", reopenBig.summary().c_str());

    // Host automation of one knob: the CPU the open editor adds.
    for (int s : {5, 3}) {
        if (s == 3) {
            host.moveTo(editorSizes[5][0] - 15, editorSizes[5][1] - 15);
            host.button(true);
            host.moveTo(designWidth - 15, designHeight - 15);
            host.button(false);
            host.parkPointer();
        }
        sleepMs(500);
        Automation automation(*inst);
        std::printf("automation at 100 changes/s, editor at %d x %d: %s\n", editorSizes[s][0], editorSizes[s][1],
                    editorCpu(host, *inst, parent, editorSizes[s][0], editorSizes[s][1], idleSeconds).c_str());
    }
    host.closeEditor(*inst);
    host.destroy(inst);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PLUGIN.so [check|stress [cycles]|bench [seconds]|open|automate [seconds [large|small [still]]]]\n",
                     argv[0]);
        return 2;
    }
    Host host;
    host.libraryPath = argv[1];
    const std::string mode = argc > 2 ? argv[2] : "check";
    const int number = argc > 3 ? std::atoi(argv[3]) : 0;
    const size_t slash = host.libraryPath.rfind('/');
    host.bundlePath = slash == std::string::npos ? "./" : host.libraryPath.substr(0, slash + 1);

    uiThread = std::this_thread::get_id();
    idleAllEditors = [&host] {
        if (host.idle != nullptr)
            for (Instance* inst : host.openEditors)
                host.idle->idle(inst->ui);
    };
    XSetErrorHandler(countXError); // stands for the host's own handler
    host.display = XOpenDisplay(nullptr);
    if (host.display == nullptr) {
        std::printf("SKIP: no X display\n");
        return skipCode;
    }
    host.screen = DefaultScreen(host.display);
    int eventBase, errorBase, major, minor;
    if (!XTestQueryExtension(host.display, &eventBase, &errorBase, &major, &minor)) {
        std::printf("SKIP: the X server has no XTest\n");
        return skipCode;
    }
    if (!host.load())
        return 1;
    if (host.uiDescriptor == nullptr) {
        std::printf("SKIP: the library has no editor descriptor\n");
        return skipCode;
    }

    int result;
    if (mode == "stress")
        result = runStress(host, number > 0 ? number : 10);
    else if (mode == "open") { // one cold opening: the first editor of a fresh process
        Instance* inst = host.instantiate();
        const Window parent = host.makeParent(0, 0, 700, 1100);
        host.parkPointer();
        const auto t0 = Clock::now();
        host.openEditor(*inst, parent);
        uint64_t frame = 0;
        std::printf("first open, complete frame at 365 x 650: %.1f ms\n",
                    msToCompleteFrame(host, inst->child(), designWidth, designHeight, t0, frame));
        host.destroy(inst);
        result = 0;
    } else if (mode == "automate") { // for profiling: the editor open under automation
        Instance* inst = host.instantiate();
        host.openEditor(*inst, host.makeParent(0, 0, 700, 1100));
        if (argc > 4 && std::strcmp(argv[4], "large") == 0) { // grown to 548 x 975 by the grip
            sleepMs(300);
            host.drag(designWidth - 15, designHeight - 15, {{183, 325}});
            host.parkPointer();
        }
        const bool still = argc > 5 && std::strcmp(argv[5], "still") == 0; // no automation: the idle editor
        {
            std::unique_ptr<Automation> automation(still ? nullptr : new Automation(*inst));
            sleepMs((number > 0 ? number : 10) * 1000);
        }
        host.destroy(inst);
        result = 0;
    } else if (mode == "bench") {
        benchReads = true;
        result = runBench(host, number > 0 ? number : 10);
    } else
        result = runChecks(host);

    check(host.idle != nullptr, "the editor offers the idle interface");
    check(callsOffUiThread.load() == 0,
          "every write, touch and resize came on the host's UI thread (" + std::to_string(callsOffUiThread.load())
              + " did not)");
    if (failures > 0 && result == 0)
        result = 1;
    XCloseDisplay(host.display);
    if (result != skipCode)
        dlclose(host.library); // the library must unload cleanly once every editor is closed
    std::printf("%s\n", result == 0 ? "PASSED" : result == skipCode ? "SKIPPED" : "FAILED");
    return result;
}
