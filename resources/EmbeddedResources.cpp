#include "resources/EmbeddedResources.hpp"

#include <cstring>

namespace vf {
namespace {

// The include files are produced at build time from the painted images and the font.
const unsigned char kBackground[] = {
#include "velmorin-free.png.inc"
};
const unsigned char kKnobBottom[] = {
#include "knob-bottom.png.inc"
};
const unsigned char kKnobTop[] = {
#include "knob-top.png.inc"
};
const unsigned char kSwitchOn[] = {
#include "switch-on.png.inc"
};
const unsigned char kSwitchOff[] = {
#include "switch-off.png.inc"
};
const unsigned char kFont[] = {
#include "DejaVuSans-Bold.ttf.inc"
};

struct Entry {
    const char* name;
    const unsigned char* data;
    size_t size;
};

const Entry kEntries[] = {
    {"velmorin-free.png", kBackground, sizeof kBackground},
    {"knob-bottom.png", kKnobBottom, sizeof kKnobBottom},
    {"knob-top.png", kKnobTop, sizeof kKnobTop},
    {"switch-on.png", kSwitchOn, sizeof kSwitchOn},
    {"switch-off.png", kSwitchOff, sizeof kSwitchOff},
    {"font.ttf", kFont, sizeof kFont},
};

} // namespace

EmbeddedResource embeddedResource(const char* name)
{
    if (name == nullptr)
        return {};
    for (const Entry& e : kEntries)
        if (std::strcmp(e.name, name) == 0)
            return {e.data, e.size};
    return {};
}

} // namespace vf
