#pragma once
#include "client/PluginFormat.hpp"

namespace vf {

// What the editor may ask of the plug-in client.
class IClient {
public:
    virtual ~IClient() = default;
    // Editor thread: asks the host to resize the editor window; true when granted.
    virtual bool requestResize(int width, int height) = 0;
    virtual DAW getDAW() = 0;
    virtual PluginFormat getPluginFormat() = 0;
};

} // namespace vf
