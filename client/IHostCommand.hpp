#pragma once
#include "client/PluginFormat.hpp"

namespace vf {

// Implemented by each format adapter: how the client reaches its host.
class IHostCommand {
public:
    virtual ~IHostCommand() = default;
    // Editor thread: the user starts a gesture on a parameter.
    virtual void beginParamEdit(int paramIndex) = 0;
    // Editor thread: the user changed a parameter; the host must learn the value.
    virtual void paramAutomate(int paramIndex, float normalizedValue) = 0;
    // Editor thread: the gesture ends.
    virtual void endParamEdit(int paramIndex) = 0;
    // Editor thread: true when the host granted the new editor size.
    virtual bool requestResize(int width, int height) = 0;
    virtual DAW getDAW() = 0;
    virtual PluginFormat getPluginFormat() = 0;
};

} // namespace vf
