#include "lv2/PluginUri.hpp"

#include <cstdio>

namespace vf {

namespace {

unsigned idByte(const PluginInfo& info, size_t i)
{
    return i < info.pluginUniqueID.size() ? static_cast<unsigned char>(info.pluginUniqueID[i]) : 0u;
}

void sprintWithSuffix(char* buffer, size_t size, const PluginInfo& info, const char* suffix)
{
    if (buffer == nullptr || size == 0)
        return;
    std::snprintf(buffer, size, "%s%2X%2X%2X%2X%s", info.pluginHomepage.c_str(), idByte(info, 0), idByte(info, 1),
                  idByte(info, 2), idByte(info, 3), suffix);
}

} // namespace

void sprintPluginURI_IO(char* buffer, size_t size, const PluginInfo& info, LegalIO io)
{
    char suffix[48];
    if (io.numInputs == 1 && io.numOutputs == 1)
        std::snprintf(suffix, sizeof suffix, "#mono");
    else if (io.numInputs == 2 && io.numOutputs == 2)
        std::snprintf(suffix, sizeof suffix, "#stereo");
    else
        std::snprintf(suffix, sizeof suffix, "#in%dout%d", io.numInputs, io.numOutputs);
    sprintWithSuffix(buffer, size, info, suffix);
}

void sprintPluginURI_UI(char* buffer, size_t size, const PluginInfo& info) { sprintWithSuffix(buffer, size, info, "#ui"); }

void sprintVendorNamespace(char* buffer, size_t size, const PluginInfo& info)
{
    sprintWithSuffix(buffer, size, info, "#");
}

} // namespace vf
