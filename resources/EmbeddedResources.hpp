#pragma once
#include <cstddef>

namespace vf {

// A file compiled into the library: the editor's artwork and its font.
struct EmbeddedResource {
    const unsigned char* data = nullptr;
    size_t size = 0;
    bool found() const { return data != nullptr; }
};

// Looks a resource up by file name ("velmorin-free.png", "knob-bottom.png",
// "knob-top.png", "switch-on.png", "switch-off.png", "font.ttf"); unknown names
// give an empty result.  Any thread; the bytes are constant for the life of the library.
EmbeddedResource embeddedResource(const char* name);

} // namespace vf
